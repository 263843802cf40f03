// Start-up and the window model: the splash hands over to the database window, About shows the
// splash again, every window exists once, and the instructions window loads help.txt.

#include "browser/BrowserWindows.h"
#include "platform/core/LastFileSetting.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/WindowRegistry.h"
#include "shell/InstructionsWindow.h"
#include "shell/SplashWindow.h"
#include "shell/ShellWindows.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

int visibleCount(const QString& name)
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += (w->objectName() == name && w->isVisible()) ? 1 : 0;
    return count;
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

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(vellumark);
        m_env = std::make_unique<TestEnvironment>();
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
    // refused keeps DatabaseWindow's loading work waiting in a message box for longer than the splash's
    // interval: a second tick meanwhile does nothing.
    void splashGivesWayOnceToTheDatabaseWindow()
    {
        LastFileSetting::write(m_env->writeFile("refused.txt", "no tab here\r\n"));
        WindowRegistry& registry = WindowRegistry::instance();
        QPointer<SplashWindow> splash = qobject_cast<SplashWindow*>(registry.open("Form6"));
        QVERIFY(splash && splash->isVisible());
        QString seen; // visible Form1s and Form6s while the box is open
        m_dialogs->whileOpen = [&](const Dialogs::Message&) {
            // Qt does not re-enter a timer whose handler is still running, so the second tick
            // is delivered by hand, as a window system that did would.
            QTest::qWait(2600);
            if (splash)
                splash->onCloseTimeout();
            seen = QStringLiteral("%1 %2").arg(visibleCount("Form1")).arg(visibleCount("Form6"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(registry.isOpen("Form1") && registry.find("Form1")->isVisible(),
                                 8000);
        QCOMPARE(m_dialogs->shown(), QStringList{"File Open Error|Incorrect Format"});
        QCOMPARE(seen, QStringLiteral("0 0"));
        QTRY_VERIFY(splash.isNull()); // closing destroys it
        QVERIFY(!registry.isOpen("Form6"));
    }

    // About shows the one splash over a usable database window, which stays when it goes.
    void aboutTwiceWithinTheInterval()
    {
        WindowRegistry& registry = WindowRegistry::instance();
        QWidget* form1 = registry.open("Form1");
        form1->findChild<QAction*>("mnuAbout")->trigger();
        form1->findChild<QAction*>("mnuAbout")->trigger();
        QCOMPARE(visibleCount("Form6"), 1);
        QVERIFY(form1->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!registry.isOpen("Form6"), 3000);
        QVERIFY(form1->isVisible());
        QCOMPARE(registry.open("Form1"), form1); // brought to the front, not rebuilt
    }

    void instructions_data()
    {
        QTest::addColumn<QByteArray>("help"); // null: no help.txt
        QTest::newRow("help file") << QByteArray("VELLUMARK\n\nLine two\twith a tab\nLast line");
        QTest::newRow("no help file") << QByteArray();
    }

    void instructions()
    {
        QFETCH(QByteArray, help);
        writeHelp(help);
        WindowRegistry& registry = WindowRegistry::instance();
        registry.open("Form1");
        QPointer<InstructionsWindow> form = qobject_cast<InstructionsWindow*>(registry.open("Form5"));
        QVERIFY(form && form->isVisible());
        QCOMPARE(m_dialogs->shown(),
                 help.isNull() ? QStringList{"Vellumark|Unable to open help file"} : QStringList());
        QCOMPARE(form->text()->toPlainText(), QString::fromUtf8(help));

        // One instance, read once per building; closing destroys it, the next opening reads
        // the file again.
        writeHelp("changed");
        QCOMPARE(registry.open("Form5"), form.data());
        QCOMPARE(form->text()->toPlainText(), QString::fromUtf8(help));
        form->closeButton()->click();
        QTRY_VERIFY(form.isNull());
        form = qobject_cast<InstructionsWindow*>(registry.open("Form5"));
        QCOMPARE(form->text()->toPlainText(), QStringLiteral("changed"));
        QVERIFY(registry.isOpen("Form1")); // closing it left the database window alone
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QByteArray m_savedHelp;
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
