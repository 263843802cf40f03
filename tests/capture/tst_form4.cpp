// The capture window and the capture run: controls and looks, the prompts and their answers,
// catalogs written by real runs, and everything that may happen while a walk yields.
#include "browser/BrowserWindows.h"
#include "browser/Form1.h"
#include "capture/CaptureRun.h"
#include "capture/CaptureWindows.h"
#include "capture/Form4.h"
#include "platform/core/FileChannel.h"
#include "platform/core/ProgramState.h"
#include "platform/widgets/FileList.h"
#include "platform/widgets/FolderList.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/StatusBar3.h"
#include "platform/widgets/TextFileView.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/CaptureTree.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

void processDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class TestForm4 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newWindow();
    void listsFollowTheFolder();
    void reset();
    void fileOpen();
    void printing();
    void textViewLines_data();
    void textViewLines();

    void runWritesCatalog_data();
    void runWritesCatalog();
    void earlyEndsRestoreTheWindow();
    void eachRunCountsItsOwnFiles();
    void cancelDuringWalk();
    void cancelInTheMiddleOfAFolder();
    void progressCurrentWhenLookedAt();
    void closingDuringWalk_data();
    void closingDuringWalk();
    void secondRunDuringWalkFails();
    void databaseOpenDuringWalkFails();
    void viewInDatabase();

private:
    Form4* openForm();
    // Builds tree under a fresh folder and points the window's folder list at it.
    QString makeTree(const TreeFolder& tree);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QPointer<Form4> m_form;
};

void TestForm4::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
    ProgramEnd::setQuitHandler([] {});
}

void TestForm4::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_dialogs = std::make_unique<DialogRecorder>();
    WindowRegistry::instance().reset();
    registerCaptureWindows(WindowRegistry::instance());
    ProgramEnd::resetForTests();
    ProgramState::filecount = 0;
    ProgramState::blockcount = 0;
    Form4::searchflag = false;
    Form4::totfiles = 0;
}

void TestForm4::cleanup()
{
    WindowRegistry::instance().reset();
    processDeletes();
    FileChannel::instance().close();
    m_dialogs.reset();
    m_dir.reset();
}

Form4* TestForm4::openForm()
{
    m_form = qobject_cast<Form4*>(WindowRegistry::instance().open(QStringLiteral("Form4")));
    return m_form;
}

QString TestForm4::makeTree(const TreeFolder& tree)
{
    const QString root = m_dir->filePath(QStringLiteral("tree"));
    if (!QDir().mkpath(root) || !writeTree(tree, root))
        return QString();
    if (m_form && !m_form->Dir1()->setPath(root))
        return QString();
    return root;
}

void TestForm4::newWindow()
{
    Form4* form = openForm();
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
    QCOMPARE(form->Combo1()->count(), 101);
    QCOMPARE(form->Combo1()->itemText(0), QStringLiteral("Index Value"));
    for (int i = 1; i <= 100; ++i)
        QCOMPARE(form->Combo1()->itemText(i), QString::number(i));
    QCOMPARE(form->Combo1()->currentText(), QStringLiteral("Index Value"));
    QCOMPARE(form->pb1()->minimum(), 1);
    QCOMPARE(form->pb1()->maximum(), 100);
    QCOMPARE(form->pb1()->value(), 1);
    QVERIFY(!form->Command2()->isEnabled());
    QVERIFY(form->Command3()->isEnabled());
    QVERIFY(!form->append()->isChecked());
    QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files:"));
    QCOMPARE(form->Dir1()->path(), QDir::toNativeSeparators(QDir::currentPath()));

    // Captions, positions and the fixed client size.
    const struct { const char* name; const char* caption; QRect rect; } buttons[] = {
        {"Command1", "Ru&n", Twips::rect(120, 5760, 1215, 495)},
        {"Command2", "&Cancel", Twips::rect(1440, 5760, 1215, 495)},
        {"Command3", "&Reset", Twips::rect(2760, 5760, 1215, 495)},
        {"Command4", "&Quit", Twips::rect(4080, 5760, 1215, 495)},
    };
    for (const auto& b : buttons) {
        auto* button = form->findChild<QPushButton*>(QString::fromLatin1(b.name));
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromLatin1(b.caption));
        QCOMPARE(button->geometry(), b.rect);
    }
    QCOMPARE(form->findChild<QWidget*>(QStringLiteral("rt1"))->geometry(),
             Twips::rect(5520, 240, 4215, 5175));
    QCOMPARE(form->findChild<QWidget*>(QStringLiteral("Dir1"))->geometry(),
             Twips::rect(120, 600, 2175, 4815));
    QCOMPARE(form->findChild<QWidget*>(QStringLiteral("client"))->size(),
             QSize(Twips::toPixels(9870), Twips::toPixels(6645)));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));

    // Menus.
    auto* bar = form->findChild<QMenuBar*>();
    QVERIFY(bar);
    QStringList menus;
    for (QAction* action : bar->actions())
        menus << action->text();
    QCOMPARE(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("Help")}));
    QCOMPARE(form->mnuOpen()->text(), QStringLiteral("&Open"));
    QCOMPARE(form->mnuPrint()->text(), QStringLiteral("&Print"));
    QCOMPARE(form->mnuExit()->text(), QStringLiteral("&Exit"));
    QCOMPARE(form->mnuinstr()->text(), QStringLiteral("Instructions"));
    QCOMPARE(form->mnuAbout()->text(), QStringLiteral("About"));
    for (QAction* a : {form->mnuOpen(), form->mnuPrint(), form->mnuExit(), form->mnuinstr(),
                       form->mnuAbout()})
        QVERIFY(a->shortcut().isEmpty());

    // Focus order among the controls that take focus.
    QStringList chain;
    QWidget* w = form->rt1();
    for (int i = 0; i < 10; ++i) {
        chain << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty()
               || w->objectName().startsWith(QLatin1String("qt_")))
            w = w->nextInFocusChain();
    }
    QCOMPARE(chain, (QStringList{"rt1", "Drive1", "Dir1", "File1", "Command1", "Command2",
                                 "Command3", "Combo1", "Command4", "append"}));
}

void TestForm4::listsFollowTheFolder()
{
    Form4* form = openForm();
    TreeFolder tree;
    tree.file(QStringLiteral("Makefile"), "m");
    tree.file(QStringLiteral("a.txt"), "a");
    tree.file(QStringLiteral(".hidden"), "h");
    tree.folder(QStringLiteral("Sub")).file(QStringLiteral("inner"), "i");
    tree.folder(QStringLiteral("alpha"));
    tree.folder(QStringLiteral(".git"));
    const QString root = makeTree(tree);
    QVERIFY(!root.isEmpty());
    QCOMPARE(form->File1()->path(), root);
    QCOMPARE(form->File1()->listCount(), 2);
    QCOMPARE(form->File1()->entry(0), QStringLiteral("a.txt"));
    QCOMPARE(form->File1()->entry(1), QStringLiteral("Makefile"));
    QCOMPARE(form->Dir1()->listCount(), 2);
    QCOMPARE(form->Dir1()->entry(0), root + QStringLiteral("/alpha"));
    QCOMPARE(form->Dir1()->entry(1), root + QStringLiteral("/Sub"));

    // A folder that cannot be listed is refused; both lists stay where they were.
    QString error;
    QVERIFY(!form->Dir1()->setPath(root + QStringLiteral("/missing"), &error));
    QVERIFY(error.contains(root + QStringLiteral("/missing")));
    QCOMPARE(form->Dir1()->path(), root);
    QCOMPARE(form->File1()->listCount(), 2);

    // Activating a subfolder row enters it; the file list follows at once. (The rows are
    // refreshed a moment after a quick series of moves.)
    QAbstractItemModel* model = form->Dir1()->model();
    QModelIndex sub;
    auto findSub = [&] {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString().trimmed() == QLatin1String("Sub"))
                sub = model->index(row, 0);
        }
        return sub.isValid();
    };
    QTRY_VERIFY(findSub());
    emit form->Dir1()->activated(sub);
    QCOMPARE(form->Dir1()->path(), root + QStringLiteral("/Sub"));
    QCOMPARE(form->File1()->listCount(), 1);
    QCOMPARE(form->File1()->entry(0), QStringLiteral("inner"));
}

void TestForm4::reset()
{
    Form4* form = openForm();
    form->rt1()->setText(QStringLiteral("some\ttext\r\n"));
    form->StatusBar1()->setText3(QStringLiteral("Number of Files: 12"));
    form->Combo1()->setCurrentIndex(5);
    ProgramState::filecount = 12;
    ProgramState::blockcount = 3;
    form->Command3()->click();
    QVERIFY(form->rt1()->isEmpty());
    QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files: "));
    QCOMPARE(form->Combo1()->currentText(), QStringLiteral("Index Value"));
    QCOMPARE(ProgramState::filecount, 0);
    QCOMPARE(ProgramState::blockcount, 3);
}

void TestForm4::fileOpen()
{
    Form4* form = openForm();
    const QString path = m_env->writeFile(QStringLiteral("open.txt"), "1\t/a\t3\r\n2\t/b\t4\r\nlast");
    form->StatusBar1()->setText3(QStringLiteral("Number of Files: 9"));

    m_dialogs->queueFileName(path);
    form->mnuOpen()->trigger();
    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    QCOMPARE(m_dialogs->fileRequests.first().filter, QStringLiteral("Text files (*.txt)"));
    QCOMPARE(form->rt1()->lineCount(), 3);
    QCOMPARE(form->rt1()->line(1), QStringLiteral("2\t/b\t4"));
    QCOMPARE(form->rt1()->text(), QStringLiteral("1\t/a\t3\r\n2\t/b\t4\r\nlast"));
    QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files: "));
    QVERIFY(m_dialogs->messages.isEmpty());

    // The chooser offers the name chosen last; cancelling changes nothing.
    form->mnuOpen()->trigger();
    QCOMPARE(m_dialogs->fileRequests.at(1).initialName, path);
    QCOMPARE(form->rt1()->lineCount(), 3);
    QVERIFY(m_dialogs->messages.isEmpty());

    // A file that cannot be read: "File Open Error", text and status bar unchanged.
    form->StatusBar1()->setText3(QStringLiteral("Number of Files: 5"));
    m_dialogs->queueFileName(m_dir->path()); // a folder
    form->mnuOpen()->trigger();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.first().title, QStringLiteral("File Open Error"));
    QCOMPARE(m_dialogs->messages.first().icon, QMessageBox::NoIcon);
    QCOMPARE(form->rt1()->lineCount(), 3);
    QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files: 5"));
}

void TestForm4::printing()
{
    Form4* form = openForm();
    form->mnuPrint()->trigger();
    QCOMPARE(m_dialogs->shown(), QStringList{QStringLiteral("Print Error|There is nothing to print")});
    QCOMPARE(m_dialogs->printerRequests, 0);

    form->rt1()->setText(QStringLiteral("3\t/x/data.txt\t12\r\n3\t/x/other.txt\t7\r\n"));
    // Cancelled printer chooser: nothing printed, nothing said.
    m_dialogs->clear();
    m_dialogs->queuePrinter(false);
    form->mnuPrint()->trigger();
    QCOMPARE(m_dialogs->printerRequests, 1);
    QVERIFY(m_dialogs->messages.isEmpty());

    const QString pdf = m_dir->filePath(QStringLiteral("out.pdf"));
    Dialogs::Answerer answerer;
    int asked = 0;
    answerer.choosePrinter = [&](QPrinter* printer) {
        ++asked;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        printer->setFullPage(true);
        return true;
    };
    answerer.message = [&](const Dialogs::Message& m) {
        m_dialogs->messages.append(m);
        return QMessageBox::Ok;
    };
    Dialogs::setAnswerer(answerer);
    form->mnuPrint()->trigger();
    QCOMPARE(asked, 1);
    QVERIFY(m_dialogs->messages.isEmpty());
    const QByteArray bytes = readAll(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/Type /Page"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed; the printed text was not read back");
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QVERIFY(process.waitForFinished());
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    // Every word with the top of its box, in reading order.
    const QRegularExpression word(QStringLiteral("<word xMin=\"[^\"]*\" yMin=\"([^\"]*)\"[^>]*>([^<]*)</word>"));
    QStringList words;
    QList<double> tops;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        tops << m.captured(1).toDouble();
        words << m.captured(2);
    }
    QStringList sorted = words;
    sorted.sort();
    QCOMPARE(sorted, (QStringList{"/x/data.txt", "/x/other.txt", "12", "3", "3", "7"}));
    // The page is printed without margins: the first catalog line sits one line below the
    // top, under the empty line printed first.
    const double first = tops.at(words.indexOf(QStringLiteral("/x/data.txt")));
    const double second = tops.at(words.indexOf(QStringLiteral("/x/other.txt")));
    const double step = second - first;
    QVERIFY(step > 0);
    QVERIFY2(first > 0.8 * step, qPrintable(QStringLiteral("%1 %2").arg(first).arg(step)));
}

void TestForm4::textViewLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one line without end") << QByteArray("abc");
    QTest::newRow("CR LF lines") << QByteArray("1\ta\t2\r\n3\tb\t4\r\n");
    QTest::newRow("empty lines") << QByteArray("\n\n\r\n\nx\n\n");
    // Line ends on both sides of every 16-byte boundary, and a last line without an end.
    QByteArray mixed;
    for (int i = 0; i < 300; ++i)
        mixed += QByteArray(i % 37, char('a' + i % 26)) + (i % 3 ? "\r\n" : "\n");
    mixed += "tail";
    QTest::newRow("lengths 0 to 36") << mixed;
    QTest::newRow("long line") << (QByteArray(70000, 'L') + "\nshort\n");
}

void TestForm4::textViewLines()
{
    QFETCH(QByteArray, content);
    // What a plain reading of the text gives: split at LF, a CR before it dropped, no line
    // after a final LF.
    QStringList expected;
    if (!content.isEmpty()) {
        QList<QByteArray> parts = content.split('\n');
        if (content.endsWith('\n'))
            parts.removeLast();
        for (QByteArray part : parts) {
            if (part.endsWith('\r'))
                part.chop(1);
            expected.append(QString::fromUtf8(part));
        }
    }
    const QString path = m_dir->filePath(QStringLiteral("lines.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    TextFileView view;
    view.setText(QStringLiteral("before"));
    QVERIFY(view.loadFile(path));
    QCOMPARE(view.lineCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(view.line(i), expected.at(i));
    QCOMPARE(view.text().toUtf8(), content);
    // A file that cannot be read leaves the text as it was.
    QVERIFY(!view.loadFile(m_dir->filePath(QStringLiteral("missing.txt"))));
    QCOMPARE(view.lineCount(), expected.size());
}

void TestForm4::runWritesCatalog_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("appendMode");
    QTest::newRow("new file, overwrite mode") << false << false;
    QTest::newRow("new file, append mode") << false << true;
    QTest::newRow("existing file, overwrite") << true << false;
    QTest::newRow("existing file, append") << true << true;
}

void TestForm4::runWritesCatalog()
{
    QFETCH(bool, exists);
    QFETCH(bool, appendMode);
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(1234, 30, 4);
    const QString root = makeTree(tree);
    QVERIFY(!root.isEmpty());
    const QString catalog = m_dir->filePath(QStringLiteral("catalog.txt"));
    const QByteArray old = "9\t/old/line\t1\r\n";
    if (exists) {
        QFile f(catalog);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }
    form->append()->setChecked(appendMode);
    form->Combo1()->setCurrentIndex(4);
    m_dialogs->queueFileName(catalog);
    if (exists)
        m_dialogs->queueButton(QMessageBox::Yes);
    m_dialogs->queueButton(QMessageBox::No); // "View Data in Database?"
    form->Command1()->click();

    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    QCOMPARE(m_dialogs->fileRequests.first().filter, QStringLiteral("Text files *.txt (*.txt)"));
    QStringList expectedBoxes;
    if (exists) {
        expectedBoxes << QStringLiteral("File Exists|") + (appendMode ? "Append " : "Overwrite ")
                             + catalog + QLatin1Char('?');
        QCOMPARE(m_dialogs->messages.first().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(m_dialogs->messages.first().icon, QMessageBox::Warning);
    }
    expectedBoxes << QStringLiteral("Saved Data|View Data in Database?");
    QCOMPARE(m_dialogs->shown(), expectedBoxes);
    QCOMPARE(m_dialogs->messages.last().icon, QMessageBox::NoIcon);
    QCOMPARE(m_dialogs->messages.last().buttons, QMessageBox::Yes | QMessageBox::No);

    const QByteArray walked = expectedCatalog(tree, root, QStringLiteral("4"));
    const QByteArray expected = (exists && appendMode ? old : QByteArray()) + walked;
    QCOMPARE(readAll(catalog), expected);
    QVERIFY(!FileChannel::instance().isOpen());
    QCOMPARE(form->rt1()->text().toUtf8(), expected);
    QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files: 1234"));
    QCOMPARE(Form4::totfiles, appendMode ? 0 : 1234);
    QCOMPARE(form->Dir1()->path(), root);
    QCOMPARE(form->pb1()->value(), form->pb1()->minimum());
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
    QVERIFY(form->Command3()->isEnabled());
    QVERIFY(!form->Command2()->isEnabled());
    QVERIFY(Form4::searchflag);
    QVERIFY(WindowRegistry::instance().isOpen(QStringLiteral("Form4"))); // No keeps it open
}

void TestForm4::earlyEndsRestoreTheWindow()
{
    Form4* form = openForm();
    TreeFolder tree;
    tree.file(QStringLiteral("f"), "f");
    QVERIFY(!makeTree(tree).isEmpty());
    const QString catalog = m_env->writeFile(QStringLiteral("keep.txt"), "1\t/k\t1\r\n");
    form->rt1()->setText(QStringLiteral("before"));

    // Chooser cancelled: nothing asked, nothing written.
    form->Command1()->click();
    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
    QVERIFY(form->Command3()->isEnabled());
    QVERIFY(!form->Command2()->isEnabled());

    // No to "File Exists": the file is untouched, the window idle.
    m_dialogs->queueFileName(catalog);
    m_dialogs->queueButton(QMessageBox::No);
    form->Command1()->click();
    QCOMPARE(m_dialogs->shown(), QStringList{QStringLiteral("File Exists|Overwrite ") + catalog + '?'});
    QCOMPARE(readAll(catalog), QByteArray("1\t/k\t1\r\n"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
    QVERIFY(form->Command3()->isEnabled());
    QVERIFY(!FileChannel::instance().isOpen());

    // A catalog that cannot be created: one box with the description, no title of its own.
    m_dialogs->clear();
    m_dialogs->queueFileName(m_dir->filePath(QStringLiteral("no/such/folder/c.txt")));
    form->Command1()->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.first().title, QStringLiteral("Vellumark"));
    QVERIFY(m_dialogs->messages.first().text.contains(QStringLiteral("no/such/folder")));
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
    QVERIFY(form->Command3()->isEnabled());
    QVERIFY(!form->Command2()->isEnabled());
    QCOMPARE(form->rt1()->text(), QStringLiteral("before"));
}

void TestForm4::eachRunCountsItsOwnFiles()
{
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(1001, 40, 3);
    QVERIFY(!makeTree(tree).isEmpty());
    for (int run = 0; run < 2; ++run) {
        m_dialogs->queueFileName(m_dir->filePath(QStringLiteral("c%1.txt").arg(run)));
        m_dialogs->queueButton(QMessageBox::No);
        form->Command1()->click();
        QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files: 1001"));
        QCOMPARE(Form4::totfiles, 1001);
        QCOMPARE(ProgramState::blockcount, 1);
        QCOMPARE(ProgramState::filecount, 1);
    }
}

void TestForm4::cancelDuringWalk()
{
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(200, 10, 3);
    const QString root = makeTree(tree);
    const QString catalog = m_dir->filePath(QStringLiteral("cancel.txt"));
    form->rt1()->setText(QStringLiteral("before"));
    form->Combo1()->setCurrentIndex(2);
    int yields = 0;
    bool runningLook = false;
    connect(form, &Form4::walkYield, this, [&] {
        ++yields;
        if (yields == 2) {
            runningLook = form->windowTitle().endsWith(QLatin1String("(In Progress)"))
                          && form->Command2()->isEnabled() && !form->Command3()->isEnabled();
            form->Command2()->click();
        }
    });
    m_dialogs->queueFileName(catalog);
    form->Command1()->click();
    QVERIFY(runningLook);
    QCOMPARE(yields, 2);
    // Cancel pressed while the walk yielded at the second folder: it is not walked.
    QCOMPARE(readAll(catalog), expectedCatalog(tree, root, QStringLiteral("2"), 1));
    QVERIFY(!FileChannel::instance().isOpen());
    QVERIFY(m_dialogs->messages.isEmpty()); // no "View Data in Database?"
    QCOMPARE(form->rt1()->text(), QStringLiteral("before"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
    QVERIFY(form->Command3()->isEnabled());
    QVERIFY(!form->Command2()->isEnabled());
    QVERIFY(form->Dir1()->isEnabled());
}

void TestForm4::cancelInTheMiddleOfAFolder()
{
    // A dangling link in the second folder raises a box; Cancel pressed while it is open lets
    // that folder finish and stops the walk before the next one.
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(200, 10, 3);
    const QString root = makeTree(tree);
    // The second folder of the walk is the start folder's last subfolder.
    const QString second = form->Dir1()->entry(form->Dir1()->listCount() - 1);
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("nowhere")), second + QStringLiteral("/file00000.0")));
    m_dialogs->whileOpen = [&](const Dialogs::Message& m) {
        if (m.text.contains(QStringLiteral("nowhere")) || m.text.contains(QStringLiteral("file00000.0")))
            form->Command2()->click();
    };
    const QString catalog = m_dir->filePath(QStringLiteral("mid.txt"));
    m_dialogs->queueFileName(catalog);
    form->Command1()->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages.first().text.contains(second + QStringLiteral("/file00000.0")));
    QCOMPARE(readAll(catalog), expectedCatalog(tree, root, QStringLiteral("1"), 2));
    QVERIFY(!FileChannel::instance().isOpen());
}

void TestForm4::progressCurrentWhenLookedAt()
{
    // The bar is painted only now and then, but whenever anything else can run (a yield, an
    // error's message box, the end of the walk) it shows the walk's true position.
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(200, 10, 3);
    const QString root = makeTree(tree);
    const QString second = form->Dir1()->entry(form->Dir1()->listCount() - 1);
    // The fourth file (by name) of the second folder cannot be measured.
    const QStringList names = QDir(second).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    QVERIFY(names.size() == 10);
    QVERIFY(QFile::remove(second + QLatin1Char('/') + names.at(3)));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("nowhere")), second + QLatin1Char('/') + names.at(3)));
    QList<QPair<int, int>> atYields;
    connect(form, &Form4::walkYield, this, [&] {
        atYields.append({form->pb1()->maximum(), form->pb1()->value()});
    });
    QPair<int, int> atMessage;
    m_dialogs->whileOpen = [&](const Dialogs::Message& m) {
        if (m.text.contains(names.at(3)))
            atMessage = {form->pb1()->maximum(), form->pb1()->value()};
    };
    m_dialogs->queueFileName(m_dir->filePath(QStringLiteral("progress.txt")));
    form->Command1()->click();
    QCOMPARE(atMessage, (QPair<int, int>(11, 5)));
    QVERIFY(atYields.size() > 5);
    QCOMPARE(atYields.first(), (QPair<int, int>(100, 1))); // nothing walked yet
    for (int i = 1; i < atYields.size(); ++i) {
        // Every folder before it had files: the bar shows that folder's last one.
        QCOMPARE(atYields.at(i).second, atYields.at(i).first);
        QVERIFY(atYields.at(i).first > 1);
    }
    QCOMPARE(form->pb1()->value(), form->pb1()->minimum()); // the run sets it back at the end
}

void TestForm4::closingDuringWalk_data()
{
    QTest::addColumn<QString>("how");
    for (const char* how : {"Quit", "File > Exit", "close box", "close box, window kept",
                            "program end", "deleted"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestForm4::closingDuringWalk()
{
    QFETCH(QString, how);
    // A window that is only hidden by closing shows that closing itself stops the walk.
    const bool kept = how.endsWith(QLatin1String("kept"));
    std::unique_ptr<Form4> own;
    if (kept) {
        own = std::make_unique<Form4>();
        own->load();
        own->show();
        m_form = own.get();
    }
    Form4* form = kept ? own.get() : openForm();
    const TreeFolder tree = generatedTree(300, 10, 3);
    const QString root = makeTree(tree);
    const QString catalog = m_dir->filePath(QStringLiteral("closed.txt"));
    int yields = 0;
    connect(form, &Form4::walkYield, this, [&] {
        if (++yields != 3)
            return;
        if (how == QLatin1String("Quit"))
            m_form->Command4()->click();
        else if (how == QLatin1String("File > Exit"))
            m_form->mnuExit()->trigger();
        else if (how.startsWith(QLatin1String("close box")))
            m_form->close();
        else if (how == QLatin1String("program end"))
            ProgramEnd::endProgram();
        else // deleted outright, as soon as events run
            QTimer::singleShot(0, m_form.data(), [this] { delete m_form.data(); });
    });
    m_dialogs->queueFileName(catalog);
    // Clicked from a running event loop, as in use: a window closed while the walk yields is
    // deleted at one of its next yields, with the run's handler still on the stack.
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        form->Command1()->click();
        loop.quit();
    });
    loop.exec();
    processDeletes();

    QVERIFY(!FileChannel::instance().isOpen());
    QCOMPARE(readAll(catalog), expectedCatalog(tree, root, QStringLiteral("1"), 2));
    QVERIFY(m_dialogs->messages.isEmpty());
    if (kept) {
        QVERIFY(!m_form.isNull());
        QVERIFY(!m_form->isVisible());
    } else if (how != QLatin1String("program end")) {
        QVERIFY(m_form.isNull());
        QVERIFY(!WindowRegistry::instance().isOpen(QStringLiteral("Form4")));
    }
    QVERIFY(!Form4::searchflag);
}

void TestForm4::secondRunDuringWalkFails()
{
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(300, 10, 3);
    const QString root = makeTree(tree);
    const QString first = m_dir->filePath(QStringLiteral("first.txt"));
    const QString second = m_dir->filePath(QStringLiteral("second.txt"));
    int yields = 0;
    bool stillRunning = false;
    connect(form, &Form4::walkYield, this, [&] {
        ++yields;
        if (yields == 2) {
            m_dialogs->queueFileName(second);
            form->Command1()->click();
        } else if (yields == 3) {
            stillRunning = form->windowTitle().endsWith(QLatin1String("(In Progress)"))
                           && form->Command2()->isEnabled() && !form->Dir1()->isEnabled();
        }
    });
    m_dialogs->queueFileName(first);
    m_dialogs->queueButton(QMessageBox::Ok);  // the busy channel
    m_dialogs->queueButton(QMessageBox::No);  // "View Data in Database?"
    form->Command1()->click();

    QCOMPARE(m_dialogs->shown(), (QStringList{QStringLiteral("Vellumark|File already open"),
                                              QStringLiteral("Saved Data|View Data in Database?")}));
    QVERIFY(stillRunning);
    QVERIFY(!QFile::exists(second));
    QCOMPARE(readAll(first), expectedCatalog(tree, root, QStringLiteral("1")));
    QCOMPARE(form->StatusBar1()->text3(), QStringLiteral("Number of Files: 300"));
    QVERIFY(!FileChannel::instance().isOpen());
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Directory Capture"));
}

void TestForm4::databaseOpenDuringWalkFails()
{
    registerBrowserWindows(WindowRegistry::instance());
    auto* database = qobject_cast<Form1*>(WindowRegistry::instance().open(QStringLiteral("Form1")));
    QVERIFY(database);
    Form4* form = openForm();
    const TreeFolder tree = generatedTree(100, 10, 3);
    const QString root = makeTree(tree);
    const QString other = m_env->writeFile(QStringLiteral("other.txt"), "1\t/o\t1\r\n2\t/p\t2\r\n");
    const QString catalog = m_dir->filePath(QStringLiteral("walk.txt"));
    int yields = 0;
    connect(form, &Form4::walkYield, this, [&] {
        if (++yields == 2) {
            m_dialogs->queueFileName(other);
            database->mnuOpen_Click();
        }
    });
    m_dialogs->clear();
    m_dialogs->queueFileName(catalog);
    m_dialogs->queueButton(QMessageBox::Ok);
    m_dialogs->queueButton(QMessageBox::No);
    form->Command1()->click();
    QCOMPARE(m_dialogs->messages.size(), 2);
    QVERIFY2(m_dialogs->messages.first().text.contains(QStringLiteral("already open")),
             qPrintable(m_dialogs->shown().join('\n')));
    QCOMPARE(readAll(catalog), expectedCatalog(tree, root, QStringLiteral("1")));
    QVERIFY(!database->windowTitle().contains(other));
}

void TestForm4::viewInDatabase()
{
    registerBrowserWindows(WindowRegistry::instance());
    auto* database = qobject_cast<Form1*>(WindowRegistry::instance().open(QStringLiteral("Form1")));
    QVERIFY(database);
    Form4* form = openForm();
    TreeFolder tree;
    tree.file(QStringLiteral("a"), "aa");
    tree.file(QStringLiteral("b"), "bbb");
    tree.folder(QStringLiteral("c")).file(QStringLiteral("d"), "dddd");
    QVERIFY(!makeTree(tree).isEmpty());
    form->Combo1()->setCurrentIndex(3);
    const QString catalog = m_dir->filePath(QStringLiteral("view.txt"));
    m_dialogs->clear();
    m_dialogs->queueFileName(catalog);
    m_dialogs->queueButton(QMessageBox::Yes);
    form->Command1()->click();
    processDeletes();
    QCOMPARE(m_dialogs->shown(), QStringList{QStringLiteral("Saved Data|View Data in Database?")});
    QVERIFY(m_form.isNull());
    QVERIFY(!WindowRegistry::instance().isOpen(QStringLiteral("Form4")));
    QCOMPARE(database->windowTitle(), QStringLiteral("Vellumark - Database: ") + catalog);
    QVERIFY(database->recordSet());
    QCOMPARE(database->recordSet()->recordCount(), 3);
    QCOMPARE(ProgramState::lastfilename, catalog);
}

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
