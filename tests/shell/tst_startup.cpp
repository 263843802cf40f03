// Start-up and the window model: the splash hands over to the database window, About shows the
// splash again, every window exists once, and the instructions window loads help.txt.

#include "browser/BrowserWindows.h"
#include "browser/Form1.h"
#include "platform/core/LastFileSetting.h"
#include "platform/core/ProgramState.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/WindowRegistry.h"
#include "shell/Form5.h"
#include "shell/Form6.h"
#include "shell/ShellWindows.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void splashLooksRight();
    void splashGivesWayToTheDatabaseWindow();
    void secondTickWhileTheDatabaseWindowLoadsDoesNothing();
    void aboutTwiceWithinTheInterval();
    void eachWindowExistsOnce();

    void instructionsShowHelpFile();
    void instructionsWithoutHelpFile();

private:
    int visibleCount(const QString& name) const;
    void writeHelp(const QByteArray& bytes);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QString m_savedHelpPath;
    QByteArray m_savedHelp;
    bool m_hadHelp = false;
};

void TestStartup::initTestCase()
{
    Q_INIT_RESOURCE(vellumark);
    m_env = std::make_unique<TestEnvironment>();
    QApplication::setQuitOnLastWindowClosed(false);
    ProgramEnd::setQuitHandler([] {});
    // help.txt beside this binary is this test's to change; put back what was there.
    QFile help(Form5::helpFilePath());
    m_hadHelp = help.open(QIODevice::ReadOnly);
    if (m_hadHelp)
        m_savedHelp = help.readAll();
}

void TestStartup::init()
{
    ProgramEnd::resetForTests();
    ProgramState::lastfilename.clear();
    LastFileSetting::write(QString());
    m_dialogs = std::make_unique<DialogRecorder>();
    WindowRegistry& registry = WindowRegistry::instance();
    registerBrowserWindows(registry);
    registerShellWindows(registry);
}

void TestStartup::cleanup()
{
    WindowRegistry::instance().reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_dialogs.reset();
    QFile::remove(Form5::helpFilePath());
    if (m_hadHelp)
        writeHelp(m_savedHelp);
}

int TestStartup::visibleCount(const QString& name) const
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += (w->objectName() == name && w->isVisible()) ? 1 : 0;
    return count;
}

void TestStartup::writeHelp(const QByteArray& bytes)
{
    QFile file(Form5::helpFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void TestStartup::splashLooksRight()
{
    auto* splash = qobject_cast<Form6*>(WindowRegistry::instance().open("Form6"));
    QVERIFY(splash);
    QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash->size(), QSize(401, 300)); // 6015 x 4500 twips
    QVERIFY(splash->Timer1()->isActive());
    QCOMPARE(splash->Timer1()->interval(), 2000);

    // The picture from the program's resources, at its own size, in the top-left corner.
    const QPixmap picture = splash->Image1()->pixmap();
    QCOMPARE(picture.size(), QSize(400, 298));
    QCOMPARE(splash->Image1()->pos(), QPoint(0, 0));
    QImageReader reader(":/splash.gif");
    QCOMPARE(reader.format(), QByteArray("gif"));
    QCOMPARE(reader.imageCount(), 1);
    // The GIF's own header: 400 x 298 and a global palette of 2^(7+1) = 256 colours.
    QFile gif(":/splash.gif");
    QVERIFY(gif.open(QIODevice::ReadOnly));
    const QByteArray header = gif.read(13);
    QVERIFY(header.startsWith("GIF8"));
    QCOMPARE(quint8(header[6]) | quint8(header[7]) << 8, 400);
    QCOMPARE(quint8(header[8]) | quint8(header[9]) << 8, 298);
    QCOMPARE(quint8(header[10]) & 0x87, 0x87);

    // The ground around it is black.
    const QImage shot = splash->grab().toImage();
    QCOMPARE(QColor(shot.pixel(400, 299)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(2, 2)), QColor(Qt::black));
    QVERIFY(!WindowRegistry::instance().isOpen("Form1"));

    for (const char* icon : {":/icons/database-32.png", ":/icons/database-16.png",
                             ":/icons/capture-32.png", ":/icons/capture-16.png"}) {
        const QImage image(QString::fromLatin1(icon));
        QVERIFY2(!image.isNull(), icon);
        QVERIFY2(image.colorCount() <= 16, icon);
    }
}

void TestStartup::splashGivesWayToTheDatabaseWindow()
{
    WindowRegistry& registry = WindowRegistry::instance();
    QElapsedTimer clock;
    clock.start();
    QPointer<QWidget> splash = registry.open("Form6");
    QVERIFY(splash && splash->isVisible());
    QTest::qWait(1500);
    QVERIFY(!registry.isOpen("Form1"));
    QTRY_VERIFY_WITH_TIMEOUT(registry.isOpen("Form1"), 3000);
    QVERIFY(clock.elapsed() >= 1900);
    QVERIFY(registry.find("Form1")->isVisible());
    QVERIFY(!registry.isOpen("Form6"));
    QTRY_VERIFY(splash.isNull()); // closing destroys it
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestStartup::secondTickWhileTheDatabaseWindowLoadsDoesNothing()
{
    // A remembered file that is refused keeps Form1's loading work waiting in a message box
    // for longer than the splash's interval.
    LastFileSetting::write(m_env->writeFile("refused.txt", "no tab here\r\n"));
    WindowRegistry& registry = WindowRegistry::instance();
    QPointer<Form6> splash = qobject_cast<Form6*>(registry.open("Form6"));
    QVERIFY(splash);
    bool form1VisibleDuringBox = false;
    int form6Visible = 0;
    m_dialogs->whileOpen = [&](const Dialogs::Message&) {
        // Qt does not re-enter a timer whose handler is still running, so the second tick
        // is delivered by hand, as a window system that did would.
        QTest::qWait(2600);
        if (splash)
            splash->Timer1_Timer();
        form1VisibleDuringBox = visibleCount("Form1") > 0;
        form6Visible = visibleCount("Form6");
    };
    QTRY_VERIFY_WITH_TIMEOUT(registry.isOpen("Form1") && registry.find("Form1")->isVisible(), 8000);
    QCOMPARE(m_dialogs->shown(), QStringList{"File Open Error|Incorrect Format"});
    QVERIFY(!form1VisibleDuringBox);
    QCOMPARE(form6Visible, 0);
    QTRY_VERIFY(!registry.isOpen("Form6"));
}

void TestStartup::aboutTwiceWithinTheInterval()
{
    WindowRegistry& registry = WindowRegistry::instance();
    auto* form1 = qobject_cast<Form1*>(registry.open("Form1"));
    QVERIFY(form1);
    QAction* about = form1->findChild<QAction*>("mnuAbout");

    QElapsedTimer clock;
    clock.start();
    about->trigger();
    QPointer<QWidget> splash = registry.find("Form6");
    QVERIFY(splash && splash->isVisible());
    QTest::qWait(1000);
    about->trigger();
    QCOMPARE(registry.find("Form6"), splash.data());
    QCOMPARE(visibleCount("Form6"), 1);
    // The database window stays usable meanwhile.
    QVERIFY(form1->isEnabled() && form1->isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(!registry.isOpen("Form6"), 3000);
    const qint64 shownFor = clock.elapsed();
    QVERIFY2(shownFor >= 1900 && shownFor < 2900, qPrintable(QString::number(shownFor)));
    QVERIFY(form1->isVisible());
    QCOMPARE(registry.find("Form1"), form1); // brought to the front, not rebuilt
}

void TestStartup::eachWindowExistsOnce()
{
    writeHelp("help");
    WindowRegistry& registry = WindowRegistry::instance();
    for (const char* name : {"Form1", "Form5"}) {
        QPointer<QWidget> first = registry.open(name);
        QVERIFY(first);
        QCOMPARE(registry.open(name), first.data());
        QCOMPARE(visibleCount(name), 1);
    }
    // Form5 is read once per building: opening it again does not reread the file.
    auto* instructions = registry.find<Form5>("Form5");
    writeHelp("changed");
    registry.open("Form5");
    QCOMPARE(instructions->rtb1()->toPlainText(), QStringLiteral("help"));

    // Close destroys it; the next opening builds it afresh and reads the file again.
    QPointer<Form5> old = instructions;
    old->Command1()->click();
    QVERIFY(!registry.isOpen("Form5"));
    QTRY_VERIFY(old.isNull());
    auto* rebuilt = qobject_cast<Form5*>(registry.open("Form5"));
    QVERIFY(rebuilt);
    QCOMPARE(rebuilt->rtb1()->toPlainText(), QStringLiteral("changed"));
    QVERIFY(registry.isOpen("Form1")); // closing it left the database window alone
}

void TestStartup::instructionsShowHelpFile()
{
    const QByteArray text = "VELLUMARK\n\nLine two\twith a tab\nLast line without end";
    writeHelp(text);
    auto* form = qobject_cast<Form5*>(WindowRegistry::instance().open("Form5"));
    QVERIFY(form);
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(form->rtb1()->toPlainText(), QString::fromUtf8(text));
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark Instructions"));
    QCOMPARE(form->size(), QSize(627, 629));
    QVERIFY(form->minimumSize() != form->maximumSize()); // sizable
    QCOMPARE(form->rtb1()->geometry(), QRect(8, 8, 609, 577));
    QCOMPARE(form->Command1()->geometry(), QRect(536, 592, 81, 33));
    QCOMPARE(form->Command1()->text(), QStringLiteral("Close"));
    QVERIFY(form->rtb1()->isReadOnly());
}

void TestStartup::instructionsWithoutHelpFile()
{
    QFile::remove(Form5::helpFilePath());
    auto* form = qobject_cast<Form5*>(WindowRegistry::instance().open("Form5"));
    QVERIFY(form);
    QCOMPARE(m_dialogs->shown(), QStringList{"Vellumark|Unable to open help file"});
    QCOMPARE(m_dialogs->messages.at(0).icon, QMessageBox::NoIcon);
    QVERIFY(form->isVisible());
    QVERIFY(form->rtb1()->toPlainText().isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
