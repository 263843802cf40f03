// The database window: opening catalogs at start-up and through File > Open, the grid layout
// after every binding, and the ways the program ends through it.

#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "catalog/CatalogSource.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LastFileSetting.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/DataColumns.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

QByteArray catalogBytes(const QList<QByteArray>& indexes)
{
    QByteArray bytes;
    for (int n = 1; n <= indexes.size(); ++n)
        bytes += indexes[n - 1] + "\tC:\\Disk\\file" + QByteArray::number(n) + ".txt\t" +
                 QByteArray::number(n * 100) + "\r\n";
    return bytes;
}

// N when the index list offers exactly "1" .. "N" (0 for an empty list), otherwise -1.
int offeredUpTo(const QComboBox* combo)
{
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) != QString::number(i + 1))
            return -1;
    return combo->count();
}

} // namespace

class TestDatabaseWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(vellumark);
        ProgramEnd::setQuitHandler([this] { ++m_quits; });
    }
    void init()
    {
        ProgramEnd::resetForTests();
        LastFileSetting::write(QString());
        m_quits = 0;
        m_dialogs = std::make_unique<DialogRecorder>();
        m_form = std::make_unique<DatabaseWindow>();
        qputenv("VELLUMARK_MEMORY_LIMIT", "1048576"); // "huge.txt" below does not fit
    }
    void cleanup()
    {
        qunsetenv("VELLUMARK_MEMORY_LIMIT");
        m_form.reset();
        m_dialogs.reset();
        WindowRegistry::instance().reset();
        FileChannel::instance().close();
    }

    // A catalog opened at start-up (the remembered file) or through File > Open, there as the
    // second open in a row: the index list then holds only the second's values.
    void opening_data()
    {
        // atStart: the remembered file, else File > Open after "previous.txt" (indexes 1 and 2)
        // name: "" for no setting or a cancelled dialog; contents: null: the file does not exist
        // box: "title|text", "title|*" for any text
        // rows: 0: nothing shown at start-up, the previous catalog kept after File > Open
        addColumns<bool, QString, QByteArray, QString, int, int>(
            {"atStart", "name", "contents", "box", "rows", "highestIndex"});
        const QByteArray none;
        QTest::newRow("start: no setting") << true << "" << none << "" << 0 << 0;
        QTest::newRow("start: deleted file") << true << "gone.txt" << none << "" << 0 << 0;
        QTest::newRow("start: refused file") << true << "notes.txt" << QByteArray("Name\tSize\r\nx\t1\r\n")
                                             << "File Open Error|Incorrect Format" << 0 << 0;
        QTest::newRow("start: highest not last, not all digits")
            << true << "order.txt" << catalogBytes({"9.5", "x", "3", "2"}) << "" << 4 << 9;
        // Another program writing through the one channel: the fixed message, nothing shown.
        QTest::newRow("start: channel busy") << true << "busy.txt" << catalogBytes({"1", "2"})
            << "File Open Error|Unable to Open Previously Used File" << 0 << 0;
        QTest::newRow("open: index above 16 bits")
            << false << "big.txt" << catalogBytes({"40000", "2"}) << "" << 2 << 40000;
        QTest::newRow("open: refused") << false << "words.txt" << QByteArray("hello world\r\n")
                                       << "File Open Error|Incorrect Format" << 0 << 2;
        QTest::newRow("open: missing") << false << "typed-name.txt" << none << "File Error|*" << 0 << 2;
        QTest::newRow("open: cancelled") << false << "" << none << "" << 0 << 2;
        // A capture is writing through the one channel.
        QTest::newRow("open: channel busy") << false << "busy.txt" << catalogBytes({"1"})
                                            << "File Error|File already open" << 0 << 2;
        QTest::newRow("open: folder passed over silently") << false << "." << none << "" << 0 << 2;
        QTest::newRow("open: larger than memory")
            << false << "huge.txt" << catalogBytes({"1"}).repeated(50000)
            << "File Open Error|Not enough memory to open <path>" << 0 << 2;
        // The third line's index is wider than its field: the two records read are shown.
        QTest::newRow("open: populate fails midway")
            << false << "cut.txt" << catalogBytes({"1", "2"}) + "123456\tC:\\x\t1\r\n" + catalogBytes({"3"})
            << "File Open Error|*" << 2 << 2;
    }

    void opening()
    {
        QFETCH(bool, atStart);
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, box);
        QFETCH(int, rows);
        QFETCH(int, highestIndex);

        const QString previous = m_env.writeFile("previous.txt", catalogBytes({"1", "2"}));
        // Each row's name is its own: a file is there only when the row writes it.
        const QString path = name.isEmpty()      ? QString()
                             : contents.isNull() ? m_env.path() + '/' + name
                                                 : m_env.writeFile(name, contents);
        if (!atStart) {
            open(previous);
            QVERIFY(m_dialogs->messages.isEmpty());
            m_dialogs->clear();
            // The user's column layout does not survive a binding.
            m_form->grid()->setColumnWidth(1, 5);
            m_form->setColumnWraps(1, false);
        }
        if (name == "busy.txt")
            QVERIFY(FileChannel::instance().open(m_env.path() + "/w.txt", FileChannel::Mode::Output));
        if (atStart) {
            LastFileSetting::write(path);
            m_form->load();
        } else {
            open(path);
            QCOMPARE(m_dialogs->fileRequests.size(), 1);
            // The real chooser's filter list shows its text alone and lists *.txt files.
            QCOMPARE(DialogRecorder::shownFilter(m_dialogs->fileRequests.at(0)),
                     QStringLiteral("Text files *.txt|*.txt"));
            QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());
        }

        QStringList shown = m_dialogs->shown();
        box.replace("<path>", path);
        if (box.endsWith("|*") && shown.size() == 1 && !m_dialogs->messages.at(0).text.isEmpty())
            shown[0] = m_dialogs->messages.at(0).title + "|*";
        QCOMPARE(shown, box.isEmpty() ? QStringList() : QStringList{box});
        // Remembered at start-up even when it cannot be opened; a refused open keeps the previous.
        const QString expected = rows || atStart ? path : previous;
        QCOMPARE(m_form->lastFileName(), expected);
        checkShown(expected, rows || atStart ? rows : 2, highestIndex);
        if (rows)
            QVERIFY(m_form->grid()->columnWidth(1) == Twips::toPixels(7274) && m_form->columnWraps(1));
    }

    // Quit and the close box store the shown catalog; Exit stores nothing. A close after the
    // end neither stores nor ends again.
    void programEnds_data()
    {
        addColumns<int, bool>({"how", "stores"});
        QTest::newRow("Quit") << 0 << true;
        QTest::newRow("close box") << 1 << true;
        QTest::newRow("Exit") << 2 << false;
    }
    void programEnds()
    {
        QFETCH(int, how);
        QFETCH(bool, stores);
        const QString path = m_env.writeFile("quit.txt", catalogBytes({"1"}));
        open(path);
        m_form->show();
        if (how == 0)
            m_form->quitButton()->click();
        else if (how == 1)
            QVERIFY(m_form->close());
        else
            m_form->findChild<QAction*>("mnuExit")->trigger();
        QCOMPARE(m_quits, 1);
        m_form->close();
        QCOMPARE(LastFileSetting::read(), stores ? path : QString());
        QCOMPARE(m_quits, 1);
    }

private:
    // What the window shows for a catalog of rows records at path (rows 0: nothing shown), the
    // first row current (every test catalog starts with file1), the index list offering "1" ..
    // highest.
    void checkShown(const QString& path, int rows, int highest)
    {
        QCOMPARE(m_form->gridModel()->rowCount(), rows);
        QCOMPARE(offeredUpTo(m_form->indexList()), highest);
        QCOMPARE(m_form->recordCountText(),
                 "Number of Records: " + (rows ? QString::number(rows) : QString()));
        QCOMPARE(m_form->windowTitle(), "Vellumark - Database" + (rows ? ": " + path : QString()));
        if (rows) {
            QCOMPARE(m_form->grid()->currentIndex().row(), 0);
            QCOMPARE(m_form->grid()->model()->index(0, 1).data().toString(),
                     QStringLiteral("C:\\Disk\\file1.txt"));
        }
    }
    void open(const QString& path)
    {
        m_dialogs->queueFileName(path);
        m_form->findChild<QAction*>("mnuOpen")->trigger();
    }

    TestEnvironment m_env; // before anything reads settings
    std::unique_ptr<DialogRecorder> m_dialogs;
    std::unique_ptr<DatabaseWindow> m_form;
    int m_quits = 0;
};

QTEST_MAIN(TestDatabaseWindow)
#include "tst_databasewindow.moc"
