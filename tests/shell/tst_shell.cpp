// The program's windows as a whole: the splash hands over to the database window, About shows
// the splash again, every window exists once, the instructions window loads help.txt; and what
// a screen reader gets from every window.
#include "browser/BrowserWindows.h"
#include "capture/CaptureWindows.h"
#include "platform/core/LastFileSetting.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"
#include "shell/InstructionsWindow.h"
#include "shell/ShellWindows.h"
#include "shell/SplashWindow.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {

int visibleCount(const QString& name)
{
    const QWidgetList all = QApplication::topLevelWidgets();
    return int(std::count_if(all.begin(), all.end(),
                             [&](QWidget* w) { return w->objectName() == name && w->isVisible(); }));
}

// Writes help.txt beside the binary, or removes it when bytes is null.
void writeHelp(const QByteArray& bytes)
{
    QFile file(InstructionsWindow::helpFilePath());
    file.remove();
    if (!bytes.isNull()) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
}

template <typename... Types> bool isAny(QObject* object)
{
    return (qobject_cast<Types*>(object) || ...);
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(vellumark);
        QAccessible::setActive(true);
        QApplication::setQuitOnLastWindowClosed(false);
        ProgramEnd::setQuitHandler([] {});
        // help.txt beside this binary is this test's to change; put back what was there.
        QFile help(InstructionsWindow::helpFilePath());
        if (help.open(QIODevice::ReadOnly))
            m_savedHelp = help.size() ? help.readAll() : QByteArray(""); // not null when there
    }
    void init()
    {
        ProgramEnd::resetForTests();
        LastFileSetting::write(QString());
        m_dialogs = std::make_unique<DialogRecorder>();
        registerBrowserWindows(WindowRegistry::instance());
        registerCaptureWindows(WindowRegistry::instance());
        registerShellWindows(WindowRegistry::instance());
    }
    void cleanup()
    {
        WindowRegistry::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_dialogs.reset();
        writeHelp(m_savedHelp);
    }

    // The splash gives way to the database window, and is destroyed. A remembered file that is
    // refused keeps DatabaseWindow's loading work waiting in a message box: a second tick
    // meanwhile does nothing. (About waits for the splash's own timer.)
    void splashGivesWayOnceToTheDatabaseWindow()
    {
        LastFileSetting::write(m_env.writeFile("refused.txt", "no tab here\r\n"));
        WindowRegistry& registry = WindowRegistry::instance();
        QPointer<SplashWindow> splash = qobject_cast<SplashWindow*>(registry.open(WindowId::splash));
        QVERIFY(splash && splash->isVisible());
        QString seen; // visible database windows and splashes while the box is open
        m_dialogs->whileOpen = [&](const Dialogs::Message&) {
            // Qt does not re-enter a timer whose handler is still running; a window system that
            // did would deliver this second tick.
            if (splash)
                splash->onCloseTimeout();
            seen = QStringLiteral("%1 %2").arg(visibleCount(WindowId::database))
                       .arg(visibleCount(WindowId::splash));
        };
        splash->onCloseTimeout();
        QVERIFY(registry.find(WindowId::database)->isVisible());
        QCOMPARE(m_dialogs->shown(), QStringList{"File Open Error|Incorrect Format"});
        QCOMPARE(seen, QStringLiteral("0 0"));
        QTRY_VERIFY(splash.isNull()); // closing destroys it
        QVERIFY(!registry.isOpen(WindowId::splash));
    }

    // About shows the one splash over a usable database window, which stays when it goes.
    void aboutTwiceWithinTheInterval()
    {
        WindowRegistry& registry = WindowRegistry::instance();
        QWidget* form1 = registry.open(WindowId::database);
        form1->findChild<QAction*>("mnuAbout")->trigger();
        form1->findChild<QAction*>("mnuAbout")->trigger();
        QCOMPARE(visibleCount(WindowId::splash), 1);
        QVERIFY(form1->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!registry.isOpen(WindowId::splash), 3000);
        QVERIFY(form1->isVisible());
        QCOMPARE(registry.open(WindowId::database), form1); // brought to the front, not rebuilt
    }

    // The one instructions window reads help.txt each time it is built (a box says when there
    // is none); closing it leaves the database window alone.
    void instructions()
    {
        WindowRegistry& registry = WindowRegistry::instance();
        registry.open(WindowId::database);
        writeHelp(QByteArray());
        QPointer<InstructionsWindow> form =
            qobject_cast<InstructionsWindow*>(registry.open(WindowId::instructions));
        QVERIFY(form && form->isVisible());
        QCOMPARE(m_dialogs->shown(), QStringList{"Vellumark|Unable to open help file"});
        QCOMPARE(form->text()->toPlainText(), QString());
        const QByteArray help("VELLUMARK\n\nLine two\twith a tab\nLast line");
        writeHelp(help);
        QCOMPARE(registry.open(WindowId::instructions), form.data());
        QCOMPARE(form->text()->toPlainText(), QString());
        form->closeButton()->click();
        QTRY_VERIFY(form.isNull());
        form = qobject_cast<InstructionsWindow*>(registry.open(WindowId::instructions));
        QCOMPARE(form->text()->toPlainText(), QString::fromUtf8(help));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(registry.isOpen(WindowId::database));
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
            const bool takesInput = isAny<QAbstractButton, QLineEdit, QComboBox, QAbstractItemView>(control);
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
        if (isAny<QComboBox, QAbstractItemView>(widget->parentWidget())
            || widget->objectName().startsWith("qt_"))
            return false;
        if (auto* label = qobject_cast<QLabel*>(widget))
            return !label->text().isEmpty() || !label->pixmap().isNull() || label->movie();
        return isAny<QAbstractButton, QLineEdit, QComboBox, QAbstractItemView, QPlainTextEdit, QProgressBar,
                     QMenuBar>(widget);
    }

    TestEnvironment m_env; // before anything reads settings
    std::unique_ptr<DialogRecorder> m_dialogs;
    QByteArray m_savedHelp;
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
