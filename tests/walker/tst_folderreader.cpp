// The folder reader's reuse of listings: a folder set again is not read again while it is
// unchanged, and is read again as soon as anything about it changed; lengths are read relative
// to the current folder. A walk of a settled tree reads every folder once and still writes the
// predicted catalog.
#include "capture/walker/Class2.h"
#include "capture/walker/HeadlessLists.h"
#include "platform/core/FileChannel.h"
#include "platform/core/FolderReader.h"
#include "platform/core/ProgramState.h"
#include "support/CaptureTree.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

class TestFolderReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Each folder holds "f" (its own name as content) and "sub".
        QVERIFY(m_dir.isValid());
        for (const char* name : {"same", "grow", "shrink", "replaced", "other", "released"})
            QVERIFY(writeTree(treeOf({{QStringLiteral("%1/f").arg(name), name},
                                      {QStringLiteral("%1/sub/").arg(name), ""}}), m_dir.path()));
        QVERIFY(QDir().mkpath(folder(QStringLiteral("shrink/sub2"))));
        for (int i = 0; i < 100; ++i)
            QVERIFY(QDir().mkpath(folder(QStringLiteral("many/%1").arg(i))));
        m_tree = generatedTree(600, 9, 3);
        QVERIFY(QDir().mkpath(folder("tree")) && writeTree(m_tree, folder("tree")));
        // Listings are reused only once the folders' times have settled.
        QThread::msleep(FolderReader::kSettleMs + 300);
    }

    // A folder read, changed (or not) and read again.
    void readAgain_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("reads");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<qint64>("length"); // of the first file, read relative to the folder
        const QStringList f{"f"}, sub{"sub"};
        QTest::newRow("unchanged") << "same" << 1 << f << sub << qint64(4);
        QTest::newRow("new entry") << "grow" << 2 << QStringList{"f", "g"} << sub << qint64(4);
        QTest::newRow("removed subfolder") << "shrink" << 2 << f << sub << qint64(6);
        // Another folder takes its name; its own times are old, but it is another folder.
        QTest::newRow("replaced") << "replaced" << 2 << f << sub << qint64(5);
        QTest::newRow("recently changed") << "recent" << 2 << QStringList{"r"} << QStringList() << qint64(1);
    }

    void readAgain()
    {
        QFETCH(QString, name);
        QFETCH(int, reads);
        const QString path = folder(name);
        if (name == QLatin1String("recent"))
            QVERIFY(writeTree(treeOf({{"recent/r", "r"}}), m_dir.path()));
        FolderReader reader;
        FolderListing::Listing listing;
        QVERIFY(reader.read(path, &listing, nullptr));
        if (name == QLatin1String("grow"))
            QVERIFY(writeTree(treeOf({{"g", "g"}}), path));
        if (name == QLatin1String("shrink"))
            QVERIFY(QDir(folder(QStringLiteral("shrink/sub2"))).removeRecursively());
        if (name == QLatin1String("replaced")) {
            QVERIFY(QDir().rename(path, folder(QStringLiteral("replaced.old"))));
            QVERIFY(QDir().rename(folder(QStringLiteral("other")), path));
        }
        QVERIFY(reader.read(path, &listing, nullptr));
        QCOMPARE(reader.folderReads(), reads);
        QTEST(listing.files, "files");
        QTEST(listing.folders, "folders");
        QCOMPARE(reader.currentFolder(), path);
        qint64 length = 0;
        QVERIFY(reader.fileLength(listing.files.first(), QStringLiteral("full"), &length, nullptr));
        QTEST(length, "length");
    }

    void lengthsRelativeToCurrentFolder()
    {
        FolderReader reader;
        FolderListing::Listing listing;
        qint64 length = 0;
        QString error;
        QVERIFY(reader.read(folder(QStringLiteral("same")), &listing, nullptr));
        QVERIFY(reader.read(folder(QStringLiteral("tree")), &listing, nullptr));
        QVERIFY(!reader.fileLength(QStringLiteral("f"), QStringLiteral("/the/full/name"), &length, &error));
        QVERIFY2(error.contains(QStringLiteral("/the/full/name")), qPrintable(error));
        // A released folder is opened again when a length is asked for.
        QVERIFY(reader.read(folder(QStringLiteral("released")), &listing, nullptr));
        reader.release();
        QVERIFY(reader.fileLength(QStringLiteral("f"), QStringLiteral("full"), &length, &error));
        QCOMPARE(length, qint64(8)); // "released"
    }

    void manyFoldersStayCorrect()
    {
        // More folders than the reader keeps: every listing given back is still the right one.
        FolderReader reader;
        FolderListing::Listing listing;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 100; ++i) {
                QVERIFY(reader.read(folder(QStringLiteral("many/%1").arg(i)), &listing, nullptr));
                QVERIFY(listing.files.isEmpty() && listing.folders.isEmpty());
                QVERIFY(reader.read(folder(QStringLiteral("many")), &listing, nullptr));
                QCOMPARE(listing.folders.size(), 100);
            }
        }
        QCOMPARE(reader.folderReads(), 201); // "many" once, each of its subfolders twice
    }

    void settledTreeIsReadOncePerFolder()
    {
        const QString root = folder(QStringLiteral("tree"));
        const QString catalog = folder(QStringLiteral("catalog.txt"));
        HeadlessLists lists;
        lists.index = QStringLiteral("5");
        FileChannel channel;
        QStringList messages;
        WalkContext context{&lists, [] { return true; }, catalog, &channel,
                            [&](const QString& text) { messages.append(text); }, QString()};
        context.index = lists.index;
        QVERIFY(channel.open(catalog, FileChannel::Mode::Output));
        QVERIFY(lists.setFolderPath(root, nullptr));
        QString path = lists.folderPath();
        qint16 dircount = 0;
        QString backUp;
        ProgramState::filecount = ProgramState::blockcount = 0;
        Class2(context).DirDiver(path, dircount, backUp);
        channel.close();
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QCOMPARE(readAll(catalog), expectedCatalog(m_tree, root, QStringLiteral("5")));
        // Each folder was set once for its walk and once more before each of its subfolders, but
        // read from the disk once.
        QCOMPARE(lists.folderReads(), lists.yields);
    }

private:
    QString folder(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    TreeFolder m_tree;
};

QTEST_GUILESS_MAIN(TestFolderReader)
#include "tst_folderreader.moc"
