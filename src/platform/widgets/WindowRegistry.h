#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// Every window of the program is opened, shown, brought to the front, hidden and closed through
// this registry, by name. Each window exists at most once: opening an open window only brings it
// to the front; closing destroys it, and the next opening builds it afresh and runs its loading
// work again. Nothing is modal.
class WindowRegistry
{
public:
    using Factory = std::function<QWidget*()>;
    using Loader = std::function<void(QWidget*)>;

    static WindowRegistry& instance();

    // The factory builds the window in its initial state; the loader runs its loading work
    // before it is first shown (it may show message boxes).
    void registerWindow(const QString& name, Factory factory, Loader loader = Loader());

    // Creates the window when it does not exist, then makes it visible and brings it to the
    // front. Returns the window (null when no factory is registered).
    QWidget* open(const QString& name);

    // The window when it exists, else null; never creates it.
    QWidget* find(const QString& name) const;
    template <typename T> T* find(const QString& name) const { return qobject_cast<T*>(find(name)); }

    bool isOpen(const QString& name) const { return find(name) != nullptr; }
    void hide(const QString& name);
    void bringToFront(const QString& name);

    // Destroys the window (deferred to the event loop, so a handler of the window itself may
    // close it); from now on it counts as not open.
    void close(const QString& name);

    // Forgets every window and factory (tests).
    void reset();

    // Called by a window's own close event, so the close box behaves like close().
    void forget(QWidget* window);

private:
    struct Entry
    {
        Factory factory;
        Loader loader;
        QPointer<QWidget> window;
    };
    QHash<QString, Entry> m_entries;
};
