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
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <unistd.h>

namespace {
bool makeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}
} // namespace

class TestFolderReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unchangedFolderIsNotReadAgain();
    void newEntryIsSeen();
    void removedSubfolderIsSeen();
    void replacedFolderIsReadAgain();
    void lockedFolderIsRefused();
    void recentFolderIsReadEveryTime();
    void lengthsRelativeToCurrentFolder();
    void manyFoldersStayCorrect();
    void settledTreeIsReadOncePerFolder();

private:
    QString folder(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    TreeFolder m_tree;
};

void TestFolderReader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char* name : {"same", "grow", "shrink", "replaced", "other", "locked"}) {
        const QString path = folder(QString::fromLatin1(name));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/sub")));
        QVERIFY(makeFile(path + QStringLiteral("/f"), name));
    }
    QVERIFY(QDir().mkpath(folder(QStringLiteral("shrink/sub2"))));
    for (int i = 0; i < 100; ++i)
        QVERIFY(QDir().mkpath(folder(QStringLiteral("many/%1").arg(i))));
    m_tree = generatedTree(600, 9, 3);
    QVERIFY(QDir().mkpath(folder(QStringLiteral("tree"))));
    QVERIFY(writeTree(m_tree, folder(QStringLiteral("tree"))));
    // Listings are reused only once the folders' times have settled.
    QThread::msleep(FolderReader::kSettleMs + 300);
}

void TestFolderReader::unchangedFolderIsNotReadAgain()
{
    FolderReader reader;
    FolderListing::Listing first;
    FolderListing::Listing second;
    QVERIFY(reader.read(folder(QStringLiteral("same")), &first, nullptr));
    QVERIFY(reader.read(folder(QStringLiteral("same")), &second, nullptr));
    QCOMPARE(reader.folderReads(), 1);
    QCOMPARE(second.files, QStringList{QStringLiteral("f")});
    QCOMPARE(second.folders, QStringList{QStringLiteral("sub")});
    QCOMPARE(reader.currentFolder(), folder(QStringLiteral("same")));
}

void TestFolderReader::newEntryIsSeen()
{
    FolderReader reader;
    FolderListing::Listing listing;
    QVERIFY(reader.read(folder(QStringLiteral("grow")), &listing, nullptr));
    QVERIFY(makeFile(folder(QStringLiteral("grow/g")), "g"));
    QVERIFY(reader.read(folder(QStringLiteral("grow")), &listing, nullptr));
    QCOMPARE(reader.folderReads(), 2);
    QCOMPARE(listing.files, (QStringList{QStringLiteral("f"), QStringLiteral("g")}));
}

void TestFolderReader::removedSubfolderIsSeen()
{
    FolderReader reader;
    FolderListing::Listing listing;
    QVERIFY(reader.read(folder(QStringLiteral("shrink")), &listing, nullptr));
    QCOMPARE(listing.folders.size(), 2);
    QVERIFY(QDir(folder(QStringLiteral("shrink/sub2"))).removeRecursively());
    QVERIFY(reader.read(folder(QStringLiteral("shrink")), &listing, nullptr));
    QCOMPARE(listing.folders, QStringList{QStringLiteral("sub")});
}

void TestFolderReader::replacedFolderIsReadAgain()
{
    FolderReader reader;
    FolderListing::Listing listing;
    const QString path = folder(QStringLiteral("replaced"));
    QVERIFY(reader.read(path, &listing, nullptr));
    // Another folder takes its name; its own times are old, but it is another folder.
    QVERIFY(QDir().rename(path, folder(QStringLiteral("replaced.old"))));
    QVERIFY(QDir().rename(folder(QStringLiteral("other")), path));
    qint64 length = 0;
    QVERIFY(reader.read(path, &listing, nullptr));
    QCOMPARE(reader.folderReads(), 2);
    QVERIFY(reader.fileLength(QStringLiteral("f"), path + QStringLiteral("/f"), &length, nullptr));
    QCOMPARE(length, qint64(5)); // "other"
}

void TestFolderReader::lockedFolderIsRefused()
{
    if (::geteuid() == 0)
        QSKIP("permission bits do not keep the superuser out");
    FolderReader reader;
    FolderListing::Listing listing;
    const QString path = folder(QStringLiteral("locked"));
    QVERIFY(reader.read(path, &listing, nullptr));
    QVERIFY(reader.read(folder(QStringLiteral("same")), &listing, nullptr));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    QString error;
    const bool read = reader.read(path, &listing, &error);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!read);
    QVERIFY(error.contains(path));
    QCOMPARE(reader.currentFolder(), folder(QStringLiteral("same")));
}

void TestFolderReader::recentFolderIsReadEveryTime()
{
    const QString path = folder(QStringLiteral("recent"));
    QVERIFY(QDir().mkpath(path));
    QVERIFY(makeFile(path + QStringLiteral("/r"), "r"));
    FolderReader reader;
    FolderListing::Listing listing;
    QVERIFY(reader.read(path, &listing, nullptr));
    QVERIFY(reader.read(path, &listing, nullptr));
    QCOMPARE(reader.folderReads(), 2);
}

void TestFolderReader::lengthsRelativeToCurrentFolder()
{
    FolderReader reader;
    FolderListing::Listing listing;
    qint64 length = 0;
    QString error;
    QVERIFY(reader.read(folder(QStringLiteral("same")), &listing, nullptr));
    QVERIFY(reader.fileLength(QStringLiteral("f"), QStringLiteral("full"), &length, &error));
    QCOMPARE(length, qint64(4)); // "same"
    QVERIFY(reader.read(folder(QStringLiteral("grow")), &listing, nullptr));
    QVERIFY(reader.fileLength(QStringLiteral("f"), QStringLiteral("full"), &length, &error));
    QCOMPARE(length, qint64(4)); // "grow"
    QVERIFY(reader.read(folder(QStringLiteral("tree")), &listing, nullptr));
    QVERIFY(!reader.fileLength(QStringLiteral("f"), QStringLiteral("/the/full/name"), &length, &error));
    QVERIFY2(error.contains(QStringLiteral("/the/full/name")), qPrintable(error));
    // A released folder is opened again when a length is asked for.
    reader.release();
    QVERIFY(reader.read(folder(QStringLiteral("same")), &listing, nullptr));
    reader.release();
    QVERIFY(reader.fileLength(QStringLiteral("f"), QStringLiteral("full"), &length, &error));
    QCOMPARE(length, qint64(4));
}

void TestFolderReader::manyFoldersStayCorrect()
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

void TestFolderReader::settledTreeIsReadOncePerFolder()
{
    const QString root = folder(QStringLiteral("tree"));
    HeadlessLists lists;
    lists.index = QStringLiteral("5");
    FileChannel channel;
    const QString catalog = folder(QStringLiteral("catalog.txt"));
    QVERIFY(channel.open(catalog, FileChannel::Mode::Output));
    QStringList messages;
    WalkContext context;
    context.lists = &lists;
    context.searchflag = [] { return true; };
    context.catalogName = catalog;
    context.channel = &channel;
    context.report = [&](const QString& text) { messages.append(text); };
    ProgramState::filecount = 0;
    ProgramState::blockcount = 0;
    QVERIFY(lists.setFolderPath(root, nullptr));
    QString path = lists.folderPath();
    qint16 dircount = 0;
    QString backUp;
    Class2(context).DirDiver(path, dircount, backUp);
    channel.close();
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    QCOMPARE(readAll(catalog), expectedCatalog(m_tree, root, QStringLiteral("5")));
    // Each folder was set once for its walk and once more before each of its subfolders, but
    // read from the disk once.
    QCOMPARE(lists.folderReads(), lists.yields);
}

QTEST_GUILESS_MAIN(TestFolderReader)
#include "tst_folderreader.moc"
