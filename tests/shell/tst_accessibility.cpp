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
        QTest::newRow("database") << "Form1";
        QTest::newRow("capture") << "Form4";
        QTest::newRow("instructions") << "Form5";
        QTest::newRow("indicator") << "Form2";
        QTest::newRow("splash") << "Form6";
    }

    void everyControlHasANameOrValue()
    {
        QFETCH(QString, window);
        QWidget* form = WindowRegistry::instance().open(window);
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowExposed(form));

        QAccessibleInterface* top = QAccessible::queryAccessibleInterface(form);
        QVERIFY(top);
        QVERIFY2(!top->text(QAccessible::Name).isEmpty() || window == "Form2" || window == "Form6",
                 "the window has no accessible name");

        int checked = 0;
        for (QWidget* control : form->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(form) || !isControl(control))
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(iface, qPrintable(control->objectName()));
            const QString name = iface->text(QAccessible::Name);
            const QString value = iface->text(QAccessible::Value);
            QVERIFY2(!name.isEmpty() || !value.isEmpty(),
                     qPrintable(QStringLiteral("%1 (%2) has neither a name nor a value")
                                    .arg(control->objectName(),
                                         control->metaObject()->className())));
            if (takesInput(control)) {
                QVERIFY2(control->focusPolicy() & Qt::TabFocus,
                         qPrintable(control->objectName() + " cannot be reached by Tab"));
            }
            ++checked;
        }
        QVERIFY(checked > 0);
    }

    void menusAreReadable()
    {
        for (const QString& window : {WindowId::database, WindowId::capture}) {
            QWidget* form = WindowRegistry::instance().open(window);
            auto* bar = form->findChild<QMenuBar*>();
            QVERIFY(bar);
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bar);
            QVERIFY(iface);
            QVERIFY(iface->childCount() >= 2);
            for (int i = 0; i < iface->childCount(); ++i)
                QVERIFY(!iface->child(i)->text(QAccessible::Name).isEmpty());
        }
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
               qobject_cast<QPlainTextEdit*>(widget) || qobject_cast<QProgressBar*>(widget);
    }

    static bool takesInput(QWidget* widget)
    {
        if (!widget->isEnabled())
            return false;
        return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
               qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget);
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
