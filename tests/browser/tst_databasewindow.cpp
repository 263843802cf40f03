// The database window: opening catalogs at start-up and through File > Open, the grid layout
// after every binding, and the ways the program ends through it.

#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "browser/ShowCatalog.h"
#include "catalog/CatalogSource.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LastFileSetting.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

QByteArray catalogBytes(const QList<QByteArray>& indexes)
{
    QByteArray bytes;
    for (int n = 1; n <= indexes.size(); ++n)
        bytes += indexes[n - 1] + "\tC:\\Disk\\file" + QByteArray::number(n) + ".txt\t" +
                 QByteArray::number(n * 100) + "\r\n";
    return bytes;
}

const QString kNoMemory = QStringLiteral("Not enough memory to open <path>");

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
        m_env = std::make_unique<TestEnvironment>();
        ProgramEnd::setQuitHandler([this] { ++m_quits; });
    }
    void init()
    {
        ProgramEnd::resetForTests();
        LastFileSetting::write(QString());
        m_quits = 0;
        m_dialogs = std::make_unique<DialogRecorder>();
        m_form = std::make_unique<DatabaseWindow>();
        CatalogTable::setCapacityLimit(1 << 20); // "huge.txt" below does not fit
    }
    void cleanup()
    {
        CatalogTable::setCapacityLimit(0);
        m_form.reset();
        m_dialogs.reset();
        WindowRegistry::instance().reset();
        FileChannel::instance().close();
    }

    void startUp_data()
    {
        QTest::addColumn<QString>("setting");     // name of the remembered file, "" for none
        QTest::addColumn<QByteArray>("contents"); // written when not null
        QTest::addColumn<QString>("box");         // "title|text", "" for none
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("highestIndex");

        const QByteArray none;
        const QString badFormat = "File Open Error|Previously created file is of incorrect format";
        QTest::newRow("no setting") << "" << none << "" << 0 << 0;
        QTest::newRow("deleted file") << "gone.txt" << none << "" << 0 << 0;
        QTest::newRow("refused file") << "notes.txt" << QByteArray("Name\tSize\r\nx\t1\r\n")
                                      << "File Open Error|Incorrect Format" << 0 << 0;
        QTest::newRow("empty file") << "empty.txt" << QByteArray("") << badFormat << 0 << 0;
        QTest::newRow("good") << "good.txt" << catalogBytes({"1", "1", "2", "3", "3", "4"}) << ""
                              << 6 << 4;
        QTest::newRow("one record") << "one.txt" << catalogBytes({"5"}) << "" << 1 << 5;
        QTest::newRow("highest not last")
            << "order.txt" << catalogBytes({"9", "x", "3", "2.5"}) << "" << 4 << 9;
        QTest::newRow("larger than memory") << "huge.txt" << catalogBytes({"1"}).repeated(50000)
                                            << "File Open Error|" + kNoMemory << 0 << 0;
    }

    void startUp()
    {
        QFETCH(QString, setting);
        QFETCH(QByteArray, contents);
        QFETCH(QString, box);
        QFETCH(int, rows);
        QFETCH(int, highestIndex);

        const QString path = setting.isEmpty() ? QString() : placed(setting, contents);
        LastFileSetting::write(path);
        m_form->load();

        QCOMPARE(m_dialogs->shown(),
                 box.isEmpty() ? QStringList() : QStringList{QString(box).replace("<path>", path)});
        QCOMPARE(m_form->lastFileName(), path); // remembered even when it cannot be opened
        checkShown(path, rows, highestIndex);
        QCOMPARE(bool(m_form->recordSet()), rows > 0);
    }

    void fileOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents"); // null: the file does not exist
        QTest::addColumn<QString>("box");         // "title|text", "title|*" for any text
        QTest::addColumn<int>("rows");            // 0: refused, the previous catalog stays
        QTest::addColumn<int>("highestIndex");

        // Each row is the second open in a row: the index list holds only the second's values.
        QTest::newRow("good") << "a.txt" << catalogBytes({"1", "2", "2", "3"}) << "" << 4 << 3;
        QTest::newRow("index above 16 bits")
            << "big.txt" << catalogBytes({"40000", "2"}) << "" << 2 << 40000;
        QTest::newRow("refused") << "words.txt" << QByteArray("hello world\r\n")
                                 << "File Open Error|Incorrect Format" << 0 << 2;
        QTest::newRow("missing") << "typed-name.txt" << QByteArray() << "File Error|*" << 0 << 2;
        QTest::newRow("larger than memory") << "huge.txt" << catalogBytes({"1"}).repeated(50000)
                                            << "File Open Error|" + kNoMemory << 0 << 2;
        // The third line's index is wider than its field: the two records read are shown.
        QTest::newRow("populate fails midway")
            << "cut.txt" << catalogBytes({"1", "2"}) + "123456\tC:\\x\t1\r\n" + catalogBytes({"3"})
            << "File Open Error|*" << 2 << 2;
    }

    void fileOpen()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, box);
        QFETCH(int, rows);
        QFETCH(int, highestIndex);

        const QString previous = catalog("previous.txt", {"1", "2"});
        const QString path = placed(name, contents);
        open(previous);
        QVERIFY(m_dialogs->messages.isEmpty());
        m_dialogs->clear();
        open(path);

        QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());
        QStringList shown = m_dialogs->shown();
        box.replace("<path>", path);
        if (box.endsWith("|*") && shown.size() == 1 && !m_dialogs->messages.at(0).text.isEmpty())
            shown[0] = m_dialogs->messages.at(0).title + "|*";
        QCOMPARE(shown, box.isEmpty() ? QStringList() : QStringList{box});

        const QString expected = rows ? path : previous;
        QCOMPARE(m_form->lastFileName(), expected);
        checkShown(expected, rows ? rows : 2, highestIndex);
        QCOMPARE(m_form->grid()->model()->index(0, 1).data().toString(),
                 QStringLiteral("C:\\Disk\\file1.txt"));
    }

    void fileOpenCancelledChangesNothing()
    {
        LastFileSetting::write(catalog("kept.txt", {"1", "2", "3"}));
        m_form->load();
        const QString before = m_form->lastFileName();
        const CatalogTablePtr shown = m_form->recordSet();
        m_form->findChild<QAction*>("mnuOpen")->trigger(); // nothing queued: cancelled
        QCOMPARE(m_dialogs->fileRequests.size(), 1);
        QCOMPARE(m_form->recordSet(), shown);
        QCOMPARE(offeredUpTo(m_form->indexList()), 3);
        open(m_env->path()); // a folder chosen by name is passed over silently as well
        QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->shown().join(", ")));
        QCOMPARE(m_form->lastFileName(), before);
    }

    // A busy channel at start-up gets the fixed message (File > Open's "File Error" during a
    // capture is checked with the capture window).
    void startUpWhileTheChannelIsBusy()
    {
        QVERIFY(FileChannel::instance().open(m_env->path() + "/writing.txt",
                                             FileChannel::Mode::Output));
        LastFileSetting::write(catalog("busy.txt", {"1", "2"}));
        m_form->load();
        QCOMPARE(m_dialogs->shown(),
                 QStringList{"File Open Error|Unable to Open Previously Used File"});
        QCOMPARE(m_form->gridModel()->rowCount(), 0);
    }

    // Every binding is followed by the layout: the user's column widths do not survive it.
    void formatGridAfterEveryBinding()
    {
        QTableView* grid = m_form->grid();
        auto checkLayoutThenDisturb = [&](const char* when) {
            QVERIFY2(grid->columnWidth(1) == Twips::toPixels(7274) && m_form->columnWraps(1), when);
            grid->setColumnWidth(1, 5);
            m_form->setColumnWraps(1, false);
        };
        open(catalog("grid.txt", {"1", "2", "3", "3"}));
        checkLayoutThenDisturb("after File > Open");
        m_form->recordSet()->setQuery(CatalogQuery::equals(CatalogField::Index, "3"));
        QCOMPARE(m_form->gridModel()->rowCount(), 2);
        formatGrid(*m_form);
        checkLayoutThenDisturb("after a filter and formatGrid()");

        // Nothing loaded: nothing shown, nothing remembered.
        QString failure;
        QVERIFY(!showLoadedCatalog(*m_form, CatalogTablePtr(), "nothing.txt", &failure));
        QVERIFY(!failure.isEmpty());
        QCOMPARE(m_form->lastFileName(), m_env->path() + "/grid.txt");
    }

    void quitAndCloseStoreTheShownCatalogExitStoresNothing()
    {
        const QString path = catalog("quit.txt", {"1"});
        open(path);
        m_form->quitButton()->click();
        QCOMPARE(LastFileSetting::read(), path);
        QCOMPARE(m_quits, 1);

        // The close box does the same.
        ProgramEnd::resetForTests();
        LastFileSetting::write(QString());
        m_form = std::make_unique<DatabaseWindow>();
        open(path);
        m_form->show();
        QVERIFY(m_form->close());
        QCOMPARE(LastFileSetting::read(), path);
        QCOMPARE(m_quits, 2);

        // Exit ends without storing, and the close that follows stores nothing either.
        ProgramEnd::resetForTests();
        m_form = std::make_unique<DatabaseWindow>();
        open(catalog("newer.txt", {"1"}));
        m_form->findChild<QAction*>("mnuExit")->trigger();
        QCOMPARE(m_quits, 3);
        m_form->close();
        QCOMPARE(LastFileSetting::read(), path);
        QCOMPARE(m_quits, 3);
    }

private:
    // What the window shows for a catalog of rows records at path (rows 0: nothing shown), the
    // first row current, the index list offering "1" .. highest.
    void checkShown(const QString& path, int rows, int highest)
    {
        QCOMPARE(m_form->gridModel()->rowCount(), rows);
        QCOMPARE(offeredUpTo(m_form->indexList()), highest);
        QCOMPARE(m_form->recordCountText(),
                 "Number of Records: " + (rows ? QString::number(rows) : QString()));
        QCOMPARE(m_form->windowTitle(), "Vellumark - Database" + (rows ? ": " + path : QString()));
        if (rows)
            QCOMPARE(m_form->grid()->currentIndex().row(), 0);
    }
    // The file name in the test folder, written with contents, or absent when contents is null.
    QString placed(const QString& name, const QByteArray& contents)
    {
        QFile::remove(QDir(m_env->path()).filePath(name));
        return contents.isNull() ? QDir(m_env->path()).filePath(name)
                                 : m_env->writeFile(name, contents);
    }
    QString catalog(const QString& name, const QList<QByteArray>& indexes)
    {
        return m_env->writeFile(name, catalogBytes(indexes));
    }
    void open(const QString& path)
    {
        m_dialogs->queueFileName(path);
        m_form->findChild<QAction*>("mnuOpen")->trigger();
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    std::unique_ptr<DatabaseWindow> m_form;
    int m_quits = 0;
};

QTEST_MAIN(TestDatabaseWindow)
#include "tst_databasewindow.moc"
