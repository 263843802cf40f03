// The folder reader's reuse of listings: a folder set again is not read again while it is
// unchanged, and is read again as soon as anything about it changed; lengths are read relative
// to the current folder.
#include "platform/core/FolderReader.h"
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
        for (const char* name : {"same", "grow", "shrink", "replaced", "other"})
            QVERIFY(writeTree(treeOf({{QStringLiteral("%1/f").arg(name), name},
                                      {QStringLiteral("%1/sub/").arg(name), ""}}), m_dir.path()));
        QVERIFY(QDir().mkpath(folder(QStringLiteral("shrink/sub2"))));
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
        QVERIFY(reader.fileLength(listing.files.first(), &length, nullptr));
        QTEST(length, "length");
    }

private:
    QString folder(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestFolderReader)
#include "tst_folderreader.moc"
