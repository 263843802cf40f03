// What a screen reader gets: every window and every control of it is reachable through Qt's
// accessibility interface with a name (or a value a user can read), and controls that take
// input are focusable.

#include "browser/BrowserWindows.h"
#include "capture/CaptureWindows.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/WindowRegistry.h"
#include "shell/ShellWindows.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QtTest>

#include <memory>
#include "platform/widgets/WindowIds.h"

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(vellumark);
        m_env = std::make_unique<TestEnvironment>();
        QAccessible::setActive(true);
    }

    void init()
    {
        m_dialogs = std::make_unique<DialogRecorder>();
        ProgramEnd::setQuitHandler([] {});
        WindowRegistry& registry = WindowRegistry::instance();
        registerBrowserWindows(registry);
        registerCaptureWindows(registry);
        registerShellWindows(registry);
    }

    void cleanup()
    {
        WindowRegistry::instance().reset();
        ProgramEnd::resetForTests();
        m_dialogs.reset();
    }

    void everyControlHasANameOrValue_data()
    {
        QTest::addColumn<QString>("window");
        for (const QString& id : {WindowId::database, WindowId::capture, WindowId::instructions,
                                  WindowId::searchIndicator, WindowId::splash})
            QTest::newRow(qPrintable(id)) << id;
    }

    // Every shown control, and every menu of the bar, reads with a name or a value; controls
    // that take input are reachable by Tab.
    void everyControlHasANameOrValue()
    {
        QFETCH(QString, window);
        QWidget* form = WindowRegistry::instance().open(window);
        QVERIFY(form && QTest::qWaitForWindowExposed(form));
        QVERIFY2(!QAccessible::queryAccessibleInterface(form)->text(QAccessible::Name).isEmpty() ||
                     window == WindowId::searchIndicator || window == WindowId::splash,
                 "the window has no accessible name");
        int checked = 0;
        for (QWidget* control : form->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(form) || !isControl(control))
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
            QVERIFY(iface);
            if (qobject_cast<QMenuBar*>(control)) { // the bar itself is read through its menus
                QVERIFY(iface->childCount() >= 2);
                for (int i = 0; i < iface->childCount(); ++i)
                    QVERIFY(!iface->child(i)->text(QAccessible::Name).isEmpty());
                continue;
            }
            QVERIFY2(!(iface->text(QAccessible::Name) + iface->text(QAccessible::Value)).isEmpty(),
                     qPrintable(control->objectName() + " has neither a name nor a value"));
            const bool takesInput = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                                    qobject_cast<QComboBox*>(control) || qobject_cast<QAbstractItemView*>(control);
            QVERIFY2(!control->isEnabled() || !takesInput || (control->focusPolicy() & Qt::TabFocus),
                     qPrintable(control->objectName() + " cannot be reached by Tab"));
            ++checked;
        }
        QVERIFY(checked > 0);
    }

private:
    static bool isControl(QWidget* widget)
    {
        // A combo box's own edit field and a table's headers are read as part of them.
        QWidget* parent = widget->parentWidget();
        if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractItemView*>(parent) ||
            widget->objectName().startsWith("qt_"))
            return false;
        if (auto* label = qobject_cast<QLabel*>(widget))
            return !label->text().isEmpty() || !label->pixmap().isNull() || label->movie();
        return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
               qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
               qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QProgressBar*>(widget) ||
               qobject_cast<QMenuBar*>(widget);
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
