#include "platform/widgets/WindowRegistry.h"

#include <QEvent>

namespace {
// Forgets a window the moment it is closed by any means (close box, close(), program end).
class CloseWatcher : public QObject
{
public:
    explicit CloseWatcher(WindowRegistry* registry, QObject* parent)
        : QObject(parent), m_registry(registry)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close && event->isAccepted()) {
            auto* window = qobject_cast<QWidget*>(watched);
            if (window && window->testAttribute(Qt::WA_DeleteOnClose))
                m_registry->forget(window);
        }
        return false;
    }

private:
    WindowRegistry* m_registry;
};

// A window that asks to be shown without activation (one that takes no input, such as the
// search indicator) keeps the keyboard where it is: activating it would take the focus from
// the window the user works in, and hiding it would then leave no window active.
void showInFront(QWidget* window)
{
    window->show();
    window->raise();
    if (!window->testAttribute(Qt::WA_ShowWithoutActivating))
        window->activateWindow();
}
} // namespace

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::registerWindow(const QString& name, Factory factory, Loader loader)
{
    Entry& entry = m_entries[name];
    entry.factory = std::move(factory);
    entry.loader = std::move(loader);
}

QWidget* WindowRegistry::open(const QString& name)
{
    auto it = m_entries.find(name);
    if (it == m_entries.end() || !it->factory)
        return nullptr;
    if (QWidget* existing = it->window) {
        showInFront(existing);
        return existing;
    }
    QWidget* window = it->factory();
    if (!window)
        return nullptr;
    if (window->objectName().isEmpty())
        window->setObjectName(name);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->installEventFilter(new CloseWatcher(this, window));
    it->window = window;
    const Loader loader = it->loader;
    if (loader)
        loader(window);
    // The loading work may have closed the window or ended the program.
    QWidget* loaded = find(name);
    if (loaded != window)
        return loaded;
    showInFront(window);
    return window;
}

QWidget* WindowRegistry::find(const QString& name) const
{
    auto it = m_entries.constFind(name);
    return it == m_entries.constEnd() ? nullptr : it->window.data();
}

void WindowRegistry::hide(const QString& name)
{
    if (QWidget* window = find(name))
        window->hide();
}

void WindowRegistry::bringToFront(const QString& name)
{
    if (QWidget* window = find(name))
        showInFront(window);
}

void WindowRegistry::close(const QString& name)
{
    QWidget* window = find(name);
    if (!window)
        return;
    // close() runs the window's own closing work; WA_DeleteOnClose then deletes it once the
    // current handler has returned.
    m_entries[name].window = nullptr;
    window->close();
}

void WindowRegistry::forget(QWidget* window)
{
    for (Entry& entry : m_entries) {
        if (entry.window == window)
            entry.window = nullptr;
    }
}

void WindowRegistry::reset()
{
    for (Entry& entry : m_entries) {
        if (entry.window)
            delete entry.window.data();
    }
    m_entries.clear();
}
