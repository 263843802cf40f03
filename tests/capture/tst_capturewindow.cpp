// The capture window and the capture run: controls and looks, the prompts and their answers,
// catalogs written by real runs, and everything that may happen while a walk yields.
#include "capture/CaptureWindows.h"
#include "capture/CaptureWindow.h"
#include "capture/TextFileView.h"
#include "catalog/DiskFacts.h"
#include "platform/core/FileChannel.h"
#include "platform/widgets/FolderList.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/PanelStatusBar.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/CaptureTree.h"
#include "support/DataColumns.h"
#include "support/DialogRecorder.h"
#include "support/FailingFile.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

void processDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The window's look during a run, and (all of it undone) between runs.
bool running(CaptureWindow* form, bool is = true)
{
    return form->windowTitle().endsWith(QLatin1String("(In Progress)")) == is
           && form->cancelButton()->isEnabled() == is && form->resetButton()->isEnabled() != is
           && form->folderList()->isEnabled() != is && form->append()->isEnabled() != is;
}
bool idle(CaptureWindow* form) { return running(form, false); }

// Runs act at the walk's n-th yield (the first is at the start folder).
// The disk's line in the catalog's side file, "records|bytes|complete|root", and what the
// catalog bytes predict for it.
QString diskLine(const QString& catalog, const QString& index)
{
    const DiskFactsFile side = DiskFactsFile::read(catalog);
    const DiskFacts* disk = side.find(index);
    return disk ? QStringLiteral("%1|%2|%3|%4").arg(disk->files).arg(disk->bytes)
                      .arg(disk->complete ? "complete" : "incomplete", disk->root)
                : QStringLiteral("no line");
}
QString predictedLine(const QByteArray& lines, bool complete, const QString& root)
{
    qint64 records = 0, bytes = 0;
    for (const QByteArray& line : lines.split('\n')) {
        if (!line.isEmpty())
            ++records, bytes += line.split('\t').value(2).trimmed().toLongLong();
    }
    return QStringLiteral("%1|%2|%3|%4").arg(records).arg(bytes)
        .arg(complete ? "complete" : "incomplete", root);
}

void atYield(CaptureWindow* form, int n, std::function<void()> act)
{
    auto yields = std::make_shared<int>(0);
    QObject::connect(form, &CaptureWindow::walkYield, form, [=] {
        if (++*yields == n)
            act();
    });
}

} // namespace

class TestCaptureWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<DialogRecorder>();
        WindowRegistry::instance().reset();
        registerCaptureWindows(WindowRegistry::instance());
        ProgramEnd::resetForTests();
        ProgramEnd::setQuitHandler([] {});
    }

    void cleanup()
    {
        WindowRegistry::instance().reset();
        processDeletes();
        FileChannel::instance().close();
        m_dialogs.reset();
        m_dir.reset();
    }

    // Nothing to print is said; a print holds the text, a long line cut only by the page edge.
    void printing()
    {
        CaptureWindow* form = openForm();
        form->printAction()->trigger();
        QCOMPARE(m_dialogs->shown(), QStringList{"Print Error|There is nothing to print"});
        form->capturedFilesView()->setText("3\t/x/data.txt\t12\r\n3\t/x/other.txt\t7 "
                                           + QString(5000, 'w') + "\r\n");
        const QString pdf = m_dir->filePath(QStringLiteral("out.pdf"));
        m_dialogs->choosePrinter = [&](QPrinter* printer) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return true;
        };
        form->printAction()->trigger();
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed; the printout was not read back");
        QProcess process;
        process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished());
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
        QVERIFY(lines.value(0).contains("/x/data.txt") && lines.value(0).contains("12"));
        QVERIFY(lines.value(1).contains("/x/other.txt") && lines.value(1).contains("7 www"));
    }

    // Awkward files through the capture window's File > Open: what is not a regular file is
    // refused, the rest read as every catalog reader reads (line ends, byte-order mark, UTF-8
    // else Windows-1252); a row shows at most 4000 characters of its line.
    void awkwardFiles_data()
    {
        // refusal: part of the message; "" when read
        // lines: the view's lines
        addColumns<QByteArray, QString, QStringList>({"content", "refusal", "lines"});
        const QStringList none;
        QTest::newRow("FIFO") << QByteArray() << "regular file" << none;
        QTest::newRow("empty") << QByteArray() << "" << none;
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << "" << none;
        // Without the skip the mark would be read as Windows-1252 ("ï»¿") with the rest.
        QTest::newRow("byte-order mark, Windows-1252")
            << QByteArray("\xEF\xBB\xBF" "1\t\xE9\t1") << "" << QStringList{"1\té\t1"};
        QTest::newRow("Windows-1252 line by line")
            << QByteArray("1\t/\xE9t\xE9 \x80\x9F\x81\t1\r\n2\t/\xC3\xA9\t2") << ""
            << QStringList{"1\t/été €Ÿ\u0081\t1", "2\t/é\t2"};
        // Long enough to be read in two halves side by side, and never the same byte twice in
        // a row, so a half read to the wrong place shows.
        const QByteArray longName = QByteArray("0123456789abcdef").repeated(17 << 16);
        QTest::newRow("17 MB line")
            << "1\t/" + longName + "\t1\n2\tb\t2" << ""
            << QStringList{"1\t/" + QString::fromLatin1(longName) + "\t1", "2\tb\t2"};
        // Lines of 0 to 36 bytes with every kind of end (CR alone, LF CR and CR CR LF among them),
        // across the view's 16-byte steps.
        QByteArray mixed;
        QStringList lines;
        for (int i = 0; i < 300; ++i) {
            lines << QString(i % 37, QChar('a' + i % 26));
            mixed += lines.last().toLatin1() + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
        }
        QTest::newRow("lengths 0 to 36") << mixed + "tail" << "" << lines + QStringList{"tail"};
    }

    void awkwardFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, refusal);
        QFETCH(QStringList, lines);
        QString path = m_env.writeFile(QStringLiteral("open.txt"), content);
        if (!refusal.isEmpty()) // nothing ever writes to it: opening it would wait for good
            QCOMPARE(::mkfifo(QFile::encodeName(path = m_dir->filePath("x.txt")), 0600), 0);

        CaptureWindow* form = openForm();
        form->capturedFilesView()->setText(QStringLiteral("before\n"));
        form->statusBar()->setText(QStringLiteral("Number of Files: 9"));
        m_dialogs->queueFileName(path);
        form->openAction()->trigger();
        if (!refusal.isEmpty()) { // the message names the cause; text and status bar stay
            const QStringList shown = m_dialogs->shown();
            QVERIFY2(shown.size() == 1 && shown[0].startsWith("File Open Error|")
                         && shown[0].contains(refusal), qPrintable(shown.join('\n')));
            QCOMPARE(form->capturedFilesView()->text(), QStringLiteral("before\n"));
            QCOMPARE(form->statusBar()->text(), QStringLiteral("Number of Files: 9"));
            return;
        }
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(form->statusBar()->text(), QStringLiteral("Number of Files: "));
        QCOMPARE(form->capturedFilesView()->model()->rowCount(), lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(form->capturedFilesView()->line(i), lines[i]);
            // A row shows the first 4000 characters of a longer line and a mark that it goes on.
            const QString shown = TextFileView::expandTabs(lines[i].left(4000))
                                  + (lines[i].size() > 4000 ? QStringLiteral(" …") : QString());
            QCOMPARE(form->capturedFilesView()->model()->index(i, 0).data().toString(), shown);
        }
        if (QString::fromUtf8(content).toUtf8() == content) // the whole text, whole lines
            QCOMPARE(form->capturedFilesView()->text(), QString::fromUtf8(content));

        // The chooser offers the name chosen last; cancelling changes nothing.
        form->openAction()->trigger();
        QCOMPARE(m_dialogs->fileRequests.at(1).initialName, path);
        QCOMPARE(DialogRecorder::shownFilter(m_dialogs->fileRequests.at(1)),
                 QStringLiteral("Text files (*.txt)|*.txt"));
        QCOMPARE(form->capturedFilesView()->model()->rowCount(), lines.size());
    }

    void runWritesCatalog_data()
    {
        addColumns<bool, bool>({"exists", "appendMode"});
        QTest::newRow("new file, overwrite mode") << false << false;
        QTest::newRow("new file, append mode") << false << true;
        QTest::newRow("existing file, overwrite") << true << false;
        QTest::newRow("existing file, append") << true << true;
    }

    void runWritesCatalog()
    {
        QFETCH(bool, exists);
        QFETCH(bool, appendMode);
        CaptureWindow* form = openForm();
        const TreeFolder tree = generatedTree(1234, 30, 4);
        const QString root = makeTree(tree);
        const QByteArray old = "9\t/old/line\t1\r\n";
        const QString catalog = exists ? m_env.writeFile(QStringLiteral("catalog.txt"), old)
                                       : m_dir->filePath(QStringLiteral("catalog.txt"));
        form->append()->setChecked(appendMode);
        form->indexBox()->setCurrentIndex(4);
        if (exists)
            m_dialogs->queueButton(QMessageBox::Yes);
        run(form, catalog, {QMessageBox::No}); // No to "View Data in Database?"

        const QString askExists = QStringLiteral("File Exists|") + (appendMode ? "Append " : "Overwrite ")
                                + catalog + '?';
        QCOMPARE(m_dialogs->shown().join('\n'),
                 (exists ? askExists + '\n' : QString()) + "Saved Data|View Data in Database?");

        const QByteArray expected = (exists && appendMode ? old : QByteArray())
                                    + expectedCatalog(tree, root, QStringLiteral("4"));
        QCOMPARE(readAll(catalog), expected);
        QVERIFY(!FileChannel::instance().isOpen());
        // The side file counts this capture's lines only, not an appended-to catalog's old ones.
        QCOMPARE(diskLine(catalog, "4"), predictedLine(expectedCatalog(tree, root, "4"), true, root));
        QCOMPARE(form->capturedFilesView()->text().toUtf8(), expected);
        QCOMPARE(form->statusBar()->text(), QStringLiteral("Number of Files: 1234"));
        QVERIFY(idle(form));
        QVERIFY(WindowRegistry::instance().isOpen(WindowId::capture)); // No keeps it open

        // Reset empties what the run left and asks for an index value again.
        form->resetButton()->click();
        QVERIFY(form->capturedFilesView()->isEmpty());
        QCOMPARE(form->statusBar()->text(), QStringLiteral("Number of Files: "));
        QCOMPARE(form->indexBox()->currentText(), QStringLiteral("Index Value"));
    }

    // Runs that end early: before the chooser (index values the loader could not read back),
    // in it, at "File Exists", on a catalog that cannot be created or is a pipe, and in the walk
    // when the disk fills up. Each ends with at most one box naming the cause, the window idle,
    // the channel free and an existing catalog untouched; the index box is changed only by a
    // walk that started (a value that is not a number is written as 1).
    void earlyEnds_data()
    {
        // target: "" cancels the chooser, else a name under the folder ("<keep>" the existing
        // catalog); message: part of "title|text" of the one box shown, "" for none
        addColumns<QString, QString, QString, QString>({"index", "target", "message", "boxAfter"});
        const QString prompt = QStringLiteral("Index Value");
        QTest::newRow("chooser cancelled") << prompt << "" << "" << prompt;
        QTest::newRow("No to File Exists") << prompt << "<keep>" << "File Exists|Overwrite <keep>?" << prompt;
        QTest::newRow("cannot be created") << prompt << "no/such/folder/c.txt" << "no/such/folder" << prompt;
        QTest::newRow("pipe, no number") << "x" << "pipe.txt" << "not a regular file" << "x";
        QTest::newRow("pipe, number") << "3" << "pipe.txt" << "not a regular file" << "3";
        for (const QString index : {"100000", "1\t", "4\n", " 12", "12 "}) {
            const QByteArray tag = "refused: '" + index.toUtf8().replace('\t', "<TAB>").replace('\n', "<LF>") + "'";
            QTest::newRow(tag.constData()) << index << "unasked.txt" << "cannot be used" << index;
        }
        QTest::newRow("disk full in the walk") << prompt << "full.txt" << "No space left on device" << "1";
        QTest::newRow("catalog moved mid-walk") << prompt << "moving.txt" << "moving.txt was moved or deleted during the capture" << "1";
    }

    void earlyEnds()
    {
        QFETCH(QString, index);
        QFETCH(QString, target);
        QFETCH(QString, message);
        QFETCH(QString, boxAfter);
        const bool full = target == QLatin1String("full.txt");
        const bool moving = target == QLatin1String("moving.txt");
        CaptureWindow* form = openForm();
        const TreeFolder tree = generatedTree(full || moving ? 3000 : 20, 10, 3);
        const QString root = makeTree(tree);
        // Hidden or not, an existing catalog is never overwritten without asking.
        const QString keep = m_env.writeFile(QStringLiteral(".keep.txt"), "1\t/k\t1\r\n");
        const QString catalog = target == QLatin1String("<keep>") ? keep : m_dir->filePath(target);
        if (target == QLatin1String("pipe.txt"))
            QVERIFY(::mkfifo(QFile::encodeName(catalog).constData(), 0600) == 0);
        form->capturedFilesView()->setText(QStringLiteral("before"));
        form->indexBox()->setEditText(index);
        if (full) {
            FileChannel::instance().setFileFactory([](const QString& name) {
                return std::make_unique<FailingFile>(name, FailingFile::Fault::Write, 70001);
            });
        }
        if (!target.isEmpty())
            m_dialogs->queueFileName(catalog);
        if (catalog == keep)
            m_dialogs->queueButton(QMessageBox::No);
        if (moving)
            atYield(form, 2, [&] { QVERIFY(QFile::rename(catalog, catalog + ".moved")); });
        form->runButton()->click();
        FileChannel::instance().setFileFactory({});

        const QStringList shown = m_dialogs->shown();
        QVERIFY2(message.isEmpty() ? shown.isEmpty()
                                   : shown.size() == 1 && shown[0].contains(message.replace("<keep>", keep)),
                 qPrintable(shown.join('\n')));
        QCOMPARE(m_dialogs->fileRequests.size(), message == QLatin1String("cannot be used") ? 0 : 1);
        if (!m_dialogs->fileRequests.isEmpty())
            QCOMPARE(DialogRecorder::shownFilter(m_dialogs->fileRequests.at(0)),
                     QStringLiteral("Text files *.txt|*.txt"));
        QCOMPARE(form->indexBox()->currentText(), boxAfter);
        QVERIFY(idle(form));
        QVERIFY(!FileChannel::instance().isOpen());
        QCOMPARE(readAll(keep), QByteArray("1\t/k\t1\r\n"));
        QCOMPARE(form->capturedFilesView()->text(), QStringLiteral("before"));
        if (full) { // whole lines only, never reported as done, the next run starts at the start
            const QByteArray written = readAll(catalog);
            QVERIFY(written.size() > 60000 && written.endsWith("\r\n"));
            QVERIFY(expectedCatalog(tree, root, QStringLiteral("1")).startsWith(written));
            QCOMPARE(form->folderList()->path(), root);
            QCOMPARE(diskLine(catalog, "1"), predictedLine(written, false, root));
        }
        if (moving) { // nothing at its name, the first block in the moved file
            QVERIFY(!QFile::exists(catalog));
            QCOMPARE(readAll(catalog + ".moved"),
                     expectedCatalog(tree, root, "1").split('\n').mid(0, 1000).join('\n') + '\n');
        }
    }

    // A side file that cannot be written is told with its cause after the walk; the catalog is
    // whole and the capture goes on to its question.
    void sideFileThatCannotBeWritten()
    {
        CaptureWindow* form = openForm();
        const TreeFolder tree = generatedTree(20, 10, 3);
        const QString root = makeTree(tree);
        form->indexBox()->setEditText(QStringLiteral("3"));
        const QString blocked = m_dir->filePath(QStringLiteral("blocked.txt"));
        QVERIFY(QDir().mkdir(DiskFactsFile::pathFor(blocked)));
        run(form, blocked, {QMessageBox::Ok, QMessageBox::No});
        QCOMPARE(m_dialogs->messages.size(), 2);
        QVERIFY2(m_dialogs->messages.first().text.contains("blocked.txt.disks cannot be read: it is not a regular file"),
                 qPrintable(m_dialogs->messages.first().text));
        QCOMPARE(m_dialogs->messages.last().text, QStringLiteral("View Data in Database?"));
        QCOMPARE(readAll(blocked), expectedCatalog(tree, root, QStringLiteral("3")));
    }

    void stoppedDuringWalk_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"Cancel in the box", "Cancel button", "close box", "program end", "deleted"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }

    // A dangling link in the second folder raises a box once that folder's files are done.
    // Cancel in that box, or the window's Cancel pressed while it is open, stops the walk before
    // the next folder; so does the window closed by any means while the walk yields at the third
    // folder. Either way the catalog holds the first two folders and is closed, and nothing more
    // is asked (no "View Data in Database?").
    void stoppedDuringWalk()
    {
        QFETCH(QString, how);
        CaptureWindow* form = openForm();
        const TreeFolder tree = generatedTree(300, 10, 3);
        const QString root = makeTree(tree);
        // The second folder of the walk is the start folder's last subfolder; the link is the
        // first of its 11 entries.
        const QString broken = form->folderList()->entry(form->folderList()->listCount() - 1) + "/file00000.0";
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("nowhere")), broken));
        const QString catalog = m_dir->filePath(QStringLiteral("stopped.txt"));
        form->capturedFilesView()->setText(QStringLiteral("before"));
        bool runningLook = false;
        m_dialogs->whileOpen = [&](const Dialogs::Message&) {
            runningLook = running(form);
            if (how == QLatin1String("Cancel button"))
                form->cancelButton()->click();
        };
        if (how == QLatin1String("Cancel in the box"))
            m_dialogs->queueButton(QMessageBox::Cancel);
        atYield(form, 3, [&] {
            if (how == QLatin1String("close box"))
                m_window->close();
            else if (how == QLatin1String("program end"))
                ProgramEnd::endProgram();
            else if (how == QLatin1String("deleted")) // deleted outright, as soon as events run
                QTimer::singleShot(0, m_window.data(), [this] { delete m_window.data(); });
        });
        m_dialogs->queueFileName(catalog);
        // Clicked from a running event loop, as in use: a window closed while the walk yields
        // is deleted at one of its next yields, with the run's handler still on the stack.
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            form->runButton()->click();
            loop.quit();
        });
        loop.exec();
        processDeletes();

        QVERIFY(runningLook);
        QVERIFY(!FileChannel::instance().isOpen());
        QCOMPARE(readAll(catalog), expectedCatalog(tree, root, QStringLiteral("1"), 2));
        QCOMPARE(diskLine(catalog, "1"),
                 predictedLine(expectedCatalog(tree, root, QStringLiteral("1"), 2), false, root));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages.first().text.contains("could not be catalogued: file00000.0"));
        if (how.startsWith(QLatin1String("Cancel"))) { // the next Run starts where this one did
            QVERIFY(idle(form));
            QCOMPARE(form->capturedFilesView()->text(), QStringLiteral("before"));
            QCOMPARE(form->folderList()->path(), root);
        } else if (how != QLatin1String("program end")) {
            QVERIFY(m_window.isNull());
            QVERIFY(!WindowRegistry::instance().isOpen(WindowId::capture));
        }
    }

    // A folder exchanged for another of the same names right after its listing (at the walk's
    // yield there) still gives its own sizes.
    void folderExchangedAfterItsListing()
    {
        CaptureWindow* form = openForm();
        QList<QPair<QString, QByteArray>> files, others;
        for (int i = 0; i < 1000; ++i) { // enough for the second core to take its share
            files << qMakePair(QStringLiteral("leaf/f%1").arg(i), QByteArray(i, 'x'));
            others << qMakePair(QStringLiteral("other/f%1").arg(i), QByteArray(99, 'y'));
        }
        const QString root = makeTree(treeOf(files));
        QVERIFY(writeTree(treeOf(others), m_dir->path()));
        atYield(form, 2, [&] {
            QVERIFY(QDir().rename(root + "/leaf", m_dir->filePath("leaf.old")));
            QVERIFY(QDir().rename(m_dir->filePath("other"), root + "/leaf"));
        });
        const QString catalog = m_dir->filePath(QStringLiteral("catalog.txt"));
        run(form, catalog, {QMessageBox::No});
        QCOMPARE(readAll(catalog), expectedCatalog(treeOf(files), root, QStringLiteral("1")));
    }

    // A second run started while a walk writes the catalog fails on the busy channel; the first
    // walk finishes with its own index value and its own count.
    void busyChannelDuringWalk()
    {
        CaptureWindow* form = openForm();
        const TreeFolder tree = generatedTree(300, 10, 3);
        const QString root = makeTree(tree);
        const QString first = m_dir->filePath(QStringLiteral("first.txt"));
        const QString second = m_dir->filePath(QStringLiteral("second.txt"));
        atYield(form, 2, [&] {
            form->indexBox()->setEditText(QStringLiteral("7")); // the run keeps the value it took
            run(form, second);
        });
        // Ok to the busy channel, No to "View Data in Database?".
        run(form, first, {QMessageBox::Ok, QMessageBox::No});
        QCOMPARE(m_dialogs->shown(), (QStringList{"Vellumark|File already open",
                                                  "Saved Data|View Data in Database?"}));
        QVERIFY(!QFile::exists(second));
        QCOMPARE(readAll(first), expectedCatalog(tree, root, QStringLiteral("1")));
        QCOMPARE(form->statusBar()->text(), QStringLiteral("Number of Files: 300"));
    }

private:
    CaptureWindow* openForm()
    {
        m_window = qobject_cast<CaptureWindow*>(WindowRegistry::instance().open(WindowId::capture));
        return m_window;
    }

    // Builds tree under a fresh folder and points the window's folder list at it.
    QString makeTree(const TreeFolder& tree)
    {
        const QString root = m_dir->filePath(QStringLiteral("tree"));
        if (!QDir().mkpath(root) || !writeTree(tree, root))
            return QString();
        return m_window && !m_window->folderList()->setPath(root) ? QString() : root;
    }

    // Clicks Run with the catalog's name queued for the chooser and the given answers queued
    // for the boxes that follow.
    void run(CaptureWindow* form, const QString& catalog, const QList<QMessageBox::StandardButton>& answers = {})
    {
        m_dialogs->queueFileName(catalog);
        for (QMessageBox::StandardButton answer : answers)
            m_dialogs->queueButton(answer);
        form->runButton()->click();
    }

    TestEnvironment m_env; // before anything reads settings
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogRecorder> m_dialogs;
    QPointer<CaptureWindow> m_window;
};

QTEST_MAIN(TestCaptureWindow)
#include "tst_capturewindow.moc"
