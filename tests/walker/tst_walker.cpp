// The directory walker on the headless lists: catalogs compared byte for byte with what the
// tree's own description predicts, the counters and reopens, and the failure paths.
#include "capture/walker/Class2.h"
#include "capture/walker/HeadlessLists.h"
#include "platform/core/FileChannel.h"
#include "platform/core/ProgramState.h"
#include "support/CaptureTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// One walk: the lists, the flag, the messages and a channel of its own.
struct Walk
{
    HeadlessLists lists;
    bool searchflag = true;
    QStringList messages;
    FileChannel channel;
    WalkContext context;
    QString catalog;
    VbBool result = VbFalse;

    explicit Walk(const QString& catalogPath) : catalog(catalogPath)
    {
        context.lists = &lists;
        context.searchflag = [this] { return searchflag; };
        context.catalogName = catalogPath;
        context.channel = &channel;
        context.report = [this](const QString& text) { messages.append(text); };
        lists.index = QStringLiteral("3");
    }

    // Opens the catalog afresh, sets the lists to start and walks it as a run does.
    bool run(const QString& start, FileChannel::Mode mode = FileChannel::Mode::Output)
    {
        ProgramState::filecount = 0;
        ProgramState::blockcount = 0;
        QString error;
        if (!channel.open(catalog, mode, &error) || !lists.setFolderPath(start, &error)) {
            qWarning() << error;
            return false;
        }
        QString path = lists.folderPath();
        qint16 dircount = qint16(lists.folderCount());
        QString backUp;
        Class2 walker(context);
        result = walker.DirDiver(path, dircount, backUp);
        channel.close();
        return true;
    }
    QByteArray bytes() const { return readAll(catalog); }
};

int totalCount()
{
    return ProgramState::blockcount * 1000 + ProgramState::filecount;
}

} // namespace

// Lists that clear the flag at the second file of one folder, as a Cancel pressed while a
// message box of that folder is open would.
class CancelLists : public HeadlessLists
{
public:
    bool* flag = nullptr;
    int cancelInFolder = 0;
    bool cancelled = false;
    int filesInFolder = 0;
    void yield() override
    {
        filesInFolder = 0;
        HeadlessLists::yield();
    }
    bool fileLength(int index, const QString& fullName, qint64* length, QString* error) override
    {
        if (yields == cancelInFolder && ++filesInFolder == 2) {
            *flag = false;
            cancelled = true;
        }
        return HeadlessLists::fileLength(index, fullName, length, error);
    }
};

QByteArray firstLines(const QByteArray& bytes, int lines)
{
    int at = 0;
    for (int i = 0; i < lines; ++i)
        at = bytes.indexOf('\n', at) + 1;
    return bytes.left(at);
}

class TestWalker : public QObject
{
    Q_OBJECT

private slots:
    void walkOrder_data();
    void walkOrder();
    void rootFolderPrefix();
    void counters_data();
    void counters();
    void reopensAtEveryThousandthEntry();
    void reopenUsesTheRunsName();
    void failedReopenStopsWithOneMessage();
    void questionMarkCountedNotWritten();
    void indexValueReadPerRecord();
    void cancel();
    void linksHiddenAndSpecialNames();
    void fileDeletedBetweenListingAndWriting();
    void folderRemovedBeforeEntering();
    void folderWithoutPermission();
};

void TestWalker::walkOrder_data()
{
    QTest::addColumn<int>("shape");
    QTest::newRow("files and two subfolders") << 0;
    QTest::newRow("empty folder") << 1;
    QTest::newRow("mixed case names") << 2;
    QTest::newRow("deep and wide") << 3;
    QTest::newRow("names beyond ASCII") << 4;
}

void TestWalker::walkOrder()
{
    QFETCH(int, shape);
    TreeFolder tree;
    switch (shape) {
    case 0:
        tree.file(QStringLiteral("b.jpg"), "bb");
        tree.file(QStringLiteral("a.jpg"), "a");
        tree.folder(QStringLiteral("2000")).file(QStringLiteral("x.png"), "xxxx");
        tree.folder(QStringLiteral("2001")).file(QStringLiteral("y.png"), "yyyyyyy");
        tree.folder(QStringLiteral("2001")).folder(QStringLiteral("inner")).file(QStringLiteral("z"), "");
        break;
    case 1:
        break;
    case 2:
        for (const char* name : {"beta", "Alpha", "alpha", "Gamma.TXT", "README", "Makefile", "a b c"})
            tree.file(QString::fromLatin1(name), QByteArray(int(qstrlen(name)), 'q'));
        tree.folder(QStringLiteral("Zed")).file(QStringLiteral("1"), "1");
        tree.folder(QStringLiteral("apple")).file(QStringLiteral("2"), "22");
        tree.folder(QStringLiteral("Mango"));
        break;
    case 3:
        tree = generatedTree(400, 7, 3);
        break;
    case 4: {
        // Two- and three-byte UTF-8 and a character outside the BMP (a surrogate pair in
        // UTF-16), in file names and in folder names that become the prefix of every line.
        const QString ae = QString::fromUtf8("\xc3\xa4rger.txt");
        const QString kanji = QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac.txt");
        const QString camera = QString::fromUtf8("\xf0\x9f\x93\xb7.jpg");
        tree.file(ae, QByteArray(1234, 'a'));
        tree.file(kanji, "kk");
        tree.file(camera, QByteArray(70000, 'c'));
        tree.file(QStringLiteral("plain"), "p");
        TreeFolder& over = tree.folder(QString::fromUtf8("\xc3\x9c" "ber \xe6\x97\xa5"));
        over.file(camera, "c");
        over.file(QStringLiteral("x"), "xx");
        over.folder(QString::fromUtf8("\xf0\x9f\x93\xb7")).file(ae, "aaa");
        break;
    }
    }
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("root"));
    QVERIFY(QDir().mkpath(root));
    QVERIFY(writeTree(tree, root));

    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    QVERIFY(walk.run(root));
    QCOMPARE(walk.result, VbFalse);
    QVERIFY2(walk.messages.isEmpty(), qPrintable(walk.messages.join('\n')));
    QCOMPARE(walk.bytes(), expectedCatalog(tree, root, QStringLiteral("3")));
    QCOMPARE(totalCount(), countFiles(tree));
    // One yield per folder walked.
    int folders = 1;
    std::function<void(const TreeFolder&)> countFolders = [&](const TreeFolder& f) {
        folders += f.folders.size();
        for (const TreeFolder& sub : f.folders)
            countFolders(sub);
    };
    countFolders(tree);
    QCOMPARE(walk.lists.yields, folders);
    if (shape == 1) { // an empty folder leaves the bar alone
        QCOMPARE(walk.lists.progressMaximum, 100);
        QCOMPARE(walk.lists.progressValue, 1);
    }
}

// Lists that present a temporary folder as the file system's root "/", so the walk of a root
// can be checked without reading the real one.
class FakeRootLists : public HeadlessLists
{
public:
    explicit FakeRootLists(const QString& realRoot) : m_real(realRoot) {}
    QString folderPath() const override { return toFake(HeadlessLists::folderPath()); }
    bool setFolderPath(const QString& path, QString* error) override
    {
        return HeadlessLists::setFolderPath(toReal(path), error);
    }
    QString folderEntry(int index) const override { return toFake(HeadlessLists::folderEntry(index)); }
    bool fileLength(int index, const QString& fullName, qint64* length, QString* error) override
    {
        return HeadlessLists::fileLength(index, toReal(fullName), length, error);
    }

private:
    QString toFake(const QString& real) const
    {
        return real == m_real ? QStringLiteral("/") : real.mid(m_real.size());
    }
    QString toReal(const QString& fake) const
    {
        return fake == QLatin1String("/") ? m_real : m_real + fake;
    }
    QString m_real;
};

void TestWalker::rootFolderPrefix()
{
    TreeFolder tree;
    tree.file(QStringLiteral("readme.txt"), QByteArray(523, 'r'));
    tree.file(QStringLiteral("setup.exe"), "s");
    tree.folder(QStringLiteral("etc")).file(QStringLiteral("hosts"), "127");
    QTemporaryDir dir;
    const QString real = QDir(dir.filePath(QStringLiteral("disk"))).absolutePath();
    QVERIFY(QDir().mkpath(real));
    QVERIFY(writeTree(tree, real));

    FakeRootLists lists(real);
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    walk.context.lists = &lists;
    lists.index = QStringLiteral("12");
    ProgramState::filecount = 0;
    ProgramState::blockcount = 0;
    QVERIFY(walk.channel.open(walk.catalog, FileChannel::Mode::Output));
    QVERIFY(lists.setFolderPath(QStringLiteral("/"), nullptr));
    QCOMPARE(lists.folderPath(), QStringLiteral("/"));
    QString path = lists.folderPath();
    qint16 dircount = 1;
    QString backUp;
    Class2(walk.context).DirDiver(path, dircount, backUp);
    walk.channel.close();

    const QByteArray expected = "12\t/readme.txt\t523\r\n"
                                "12\t/setup.exe\t1\r\n"
                                "12\t/etc/hosts\t3\r\n";
    QCOMPARE(walk.bytes(), expected);
    QCOMPARE(expected, expectedCatalog(tree, QStringLiteral("/"), QStringLiteral("12")));
    QVERIFY(walk.messages.isEmpty());
}

void TestWalker::counters_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("filecount");
    QTest::addColumn<int>("blockcount");
    QTest::newRow("999") << 999 << 999 << 0;
    QTest::newRow("1000") << 1000 << 1000 << 0;
    QTest::newRow("1001") << 1001 << 1 << 1;
    QTest::newRow("2500") << 2500 << 500 << 2;
}

void TestWalker::counters()
{
    QFETCH(int, files);
    QFETCH(int, filecount);
    QFETCH(int, blockcount);
    const TreeFolder tree = generatedTree(files, 60, 5);
    QCOMPARE(countFiles(tree), files);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    QVERIFY(walk.run(root));
    QCOMPARE(ProgramState::filecount, filecount);
    QCOMPARE(ProgramState::blockcount, blockcount);
    QCOMPARE(walk.bytes(), expectedCatalog(tree, root, QStringLiteral("3")));
    QCOMPARE(walk.bytes().count('\n'), files);
}

// Lists that note how much of the catalog is on disk each time a file's length is read: right
// after a reopen everything written before it must be there.
class DiskWatchLists : public HeadlessLists
{
public:
    QString catalog;
    QList<qint64> onDisk;
    bool fileLength(int index, const QString& fullName, qint64* length, QString* error) override
    {
        onDisk.append(QFileInfo(catalog).size());
        return HeadlessLists::fileLength(index, fullName, length, error);
    }
};

void TestWalker::reopensAtEveryThousandthEntry()
{
    const TreeFolder tree = generatedTree(2500, 45, 4);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    DiskWatchLists lists;
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    lists.catalog = walk.catalog;
    lists.index = QStringLiteral("3");
    walk.context.lists = &lists;
    // Walk.run uses its own lists; drive this one directly.
    ProgramState::filecount = 0;
    ProgramState::blockcount = 0;
    QVERIFY(walk.channel.open(walk.catalog, FileChannel::Mode::Output));
    QVERIFY(lists.setFolderPath(root, nullptr));
    QString path = lists.folderPath();
    qint16 dircount = 0;
    QString backUp;
    Class2(walk.context).DirDiver(path, dircount, backUp);
    walk.channel.close();

    const QByteArray expected = expectedCatalog(tree, root, QStringLiteral("3"));
    QCOMPARE(walk.bytes(), expected);
    QCOMPARE(lists.onDisk.size(), 2500);
    auto prefixLength = [&](int lines) { return qint64(firstLines(expected, lines).size()); };
    // Entry 1001 (index 1000) is read after the reopen: exactly 1000 lines are on disk.
    QCOMPARE(lists.onDisk.at(1000), prefixLength(1000));
    QCOMPARE(lists.onDisk.at(2000), prefixLength(2000));
    QCOMPARE(ProgramState::blockcount, 2);
    QCOMPARE(ProgramState::filecount, 500);
}

void TestWalker::reopenUsesTheRunsName()
{
    // The catalog is opened as first.txt but the run's name is second.txt: the first block
    // stays in first.txt, everything after the reopen goes to second.txt.
    const TreeFolder tree = generatedTree(1500, 50, 3);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("first.txt")));
    walk.context.catalogName = dir.filePath(QStringLiteral("second.txt"));
    QVERIFY(walk.run(root));
    const QByteArray expected = expectedCatalog(tree, root, QStringLiteral("3"));
    const QByteArray first = walk.bytes();
    const QByteArray second = readAll(walk.context.catalogName);
    QCOMPARE(first.count('\n'), 1000);
    QCOMPARE(second.count('\n'), 500);
    QCOMPARE(first + second, expected);
}

void TestWalker::failedReopenStopsWithOneMessage()
{
    const TreeFolder tree = generatedTree(2300, 50, 3);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    walk.context.catalogName = dir.filePath(QStringLiteral("missing/folder/catalog.txt"));
    QVERIFY(walk.run(root));
    QCOMPARE(walk.messages.size(), 1);
    QVERIFY2(walk.messages.first().contains(QStringLiteral("missing/folder")),
             qPrintable(walk.messages.first()));
    QVERIFY(walk.context.failed);
    const QByteArray expected = expectedCatalog(tree, root, QStringLiteral("3"));
    QCOMPARE(walk.bytes(), firstLines(expected, 1000));
    QVERIFY(!walk.channel.isOpen());
}

void TestWalker::questionMarkCountedNotWritten()
{
    TreeFolder tree;
    tree.file(QStringLiteral("?"), "unrepresentable");
    tree.file(QStringLiteral("a"), "aa");
    tree.folder(QStringLiteral("sub")).file(QStringLiteral("?"), "q");
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    QVERIFY(walk.run(root));
    QCOMPARE(walk.bytes(), QByteArray("3\t" + root.toUtf8() + "/a\t2\r\n"));
    QCOMPARE(walk.bytes(), expectedCatalog(tree, root, QStringLiteral("3")));
    QCOMPARE(ProgramState::filecount, 3); // both "?" entries counted
    QVERIFY(walk.messages.isEmpty());
}

void TestWalker::indexValueReadPerRecord()
{
    TreeFolder tree;
    tree.file(QStringLiteral("one"), "1");
    tree.folder(QStringLiteral("b")).file(QStringLiteral("two"), "22");
    tree.folder(QStringLiteral("a")).file(QStringLiteral("three"), "333");
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    walk.lists.index = QStringLiteral("Index Value");
    // At the third folder's yield the user types a word: it is replaced by 1 again. At the
    // second, a number: its records carry it.
    walk.lists.onYield = [&] {
        if (walk.lists.yields == 2)
            walk.lists.index = QStringLiteral("7");
        if (walk.lists.yields == 3)
            walk.lists.index = QStringLiteral("seven");
    };
    QVERIFY(walk.run(root));
    const QByteArray r = root.toUtf8();
    QCOMPARE(walk.bytes(), QByteArray("1\t" + r + "/one\t1\r\n"
                                      "7\t" + r + "/b/two\t2\r\n"
                                      "1\t" + r + "/a/three\t3\r\n"));
    QCOMPARE(walk.lists.index, QStringLiteral("1"));
}

void TestWalker::cancel()
{
    const TreeFolder tree = generatedTree(300, 10, 3);
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    const QByteArray all = expectedCatalog(tree, root, QStringLiteral("3"));

    {   // Cleared before the walk: nothing written, the result says it stopped on entry.
        Walk walk(dir.filePath(QStringLiteral("none.txt")));
        walk.searchflag = false;
        QVERIFY(walk.run(root));
        QCOMPARE(walk.result, VbTrue);
        QCOMPARE(walk.bytes(), QByteArray());
    }
    {   // Cancel pressed while the second folder's files are written: that folder is finished,
        // no later folder is entered.
        CancelLists lists;
        Walk walk(dir.filePath(QStringLiteral("cancel.txt")));
        lists.index = QStringLiteral("3");
        lists.flag = &walk.searchflag;
        lists.cancelInFolder = 2;
        walk.context.lists = &lists;
        QVERIFY(walk.channel.open(walk.catalog, FileChannel::Mode::Output));
        QVERIFY(lists.setFolderPath(root, nullptr));
        QString path = lists.folderPath();
        qint16 dircount = 0;
        QString backUp;
        const VbBool result = Class2(walk.context).DirDiver(path, dircount, backUp);
        walk.channel.close();
        QVERIFY(lists.cancelled);
        QCOMPARE(result, VbFalse);
        QCOMPARE(lists.yields, 2); // the flag is seen between subfolders: no third entry
        QCOMPARE(walk.bytes(), expectedCatalog(tree, root, QStringLiteral("3"), 2));
        QVERIFY(walk.bytes().size() < all.size());
    }
}

void TestWalker::linksHiddenAndSpecialNames()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    TreeFolder tree;
    tree.file(QStringLiteral("plain"), "12345");
    tree.file(QStringLiteral(".hidden"), "h");
    tree.file(QStringLiteral("tab\there"), "t");
    tree.file(QStringLiteral("line\nbreak"), "l");
    tree.folder(QStringLiteral(".secret")).file(QStringLiteral("inside"), "i");
    tree.folder(QStringLiteral("sub")).file(QStringLiteral("target.bin"), "0123456789");
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    // A loop back to the start, a link to itself, a link to a file, a dangling link.
    QVERIFY(QFile::link(root, root + QStringLiteral("/sub/loop")));
    QVERIFY(QFile::link(QStringLiteral("."), root + QStringLiteral("/self")));
    QVERIFY(QFile::link(root + QStringLiteral("/sub/target.bin"), root + QStringLiteral("/link.bin")));
    QVERIFY(QFile::link(root + QStringLiteral("/gone"), root + QStringLiteral("/dangling")));

    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    QVERIFY(walk.run(root));
    const QByteArray r = root.toUtf8();
    // Files by name: dangling, line\nbreak, link.bin, plain, tab\there; then sub.
    QCOMPARE(walk.bytes(), QByteArray("3\t" + r + "/link.bin\t10\r\n"
                                      "3\t" + r + "/plain\t5\r\n"
                                      "3\t" + r + "/sub/target.bin\t10\r\n"));
    QCOMPARE(walk.messages.size(), 3);
    QVERIFY(walk.messages.at(0).contains(r + "/dangling"));
    QVERIFY(walk.messages.at(1).contains(r + "/line\\nbreak"));
    QVERIFY(walk.messages.at(2).contains(r + "/tab\\there"));
    QCOMPARE(ProgramState::filecount, 6); // every listed entry counts, written or not
    QCOMPARE(walk.lists.yields, 2);       // the start folder and sub; no link followed
}

void TestWalker::fileDeletedBetweenListingAndWriting()
{
    TreeFolder tree;
    tree.file(QStringLiteral("a"), "a");
    tree.file(QStringLiteral("b"), "bb");
    tree.file(QStringLiteral("c"), "ccc");
    tree.folder(QStringLiteral("d")).file(QStringLiteral("e"), "eeee");
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    bool removed = false;
    walk.lists.afterListing = [&](const QString& folder) {
        if (folder == root && !removed)
            removed = QFile::remove(root + QStringLiteral("/b"));
    };
    QVERIFY(walk.run(root));
    QVERIFY(removed);
    const QByteArray r = root.toUtf8();
    QCOMPARE(walk.bytes(), QByteArray("3\t" + r + "/a\t1\r\n"
                                      "3\t" + r + "/c\t3\r\n"
                                      "3\t" + r + "/d/e\t4\r\n"));
    QCOMPARE(walk.messages.size(), 1);
    QVERIFY2(walk.messages.first().contains(r + "/b"), qPrintable(walk.messages.first()));
    QCOMPARE(ProgramState::filecount, 4);
}

void TestWalker::folderRemovedBeforeEntering()
{
    TreeFolder tree;
    tree.file(QStringLiteral("top"), "t");
    tree.folder(QStringLiteral("a")).file(QStringLiteral("in-a"), "aa");
    tree.folder(QStringLiteral("b")).file(QStringLiteral("in-b"), "bbb");
    tree.folder(QStringLiteral("c")).file(QStringLiteral("in-c"), "cccc");
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    // "b" goes away after the start folder is listed again for it, just before it is entered.
    int rootListings = 0;
    walk.lists.afterListing = [&](const QString& folder) {
        if (folder == root && ++rootListings == 3)
            QVERIFY(QDir(root + QStringLiteral("/b")).removeRecursively());
    };
    QVERIFY(walk.run(root));
    const QByteArray r = root.toUtf8();
    QCOMPARE(walk.bytes(), QByteArray("3\t" + r + "/top\t1\r\n"
                                      "3\t" + r + "/c/in-c\t4\r\n"
                                      "3\t" + r + "/a/in-a\t2\r\n"));
    QCOMPARE(walk.messages.size(), 1);
    QVERIFY2(walk.messages.first().contains(r + "/b"), qPrintable(walk.messages.first()));
    QCOMPARE(walk.lists.yields, 3); // start, c, a: the start folder was not walked again
}

void TestWalker::folderWithoutPermission()
{
    if (::geteuid() == 0)
        QSKIP("permission bits do not keep the superuser out");
    TreeFolder tree;
    tree.folder(QStringLiteral("locked")).file(QStringLiteral("secret"), "s");
    tree.folder(QStringLiteral("open")).file(QStringLiteral("public"), "pp");
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("t"));
    QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
    const QString locked = root + QStringLiteral("/locked");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    Walk walk(dir.filePath(QStringLiteral("catalog.txt")));
    QVERIFY(walk.run(root));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(walk.bytes(), QByteArray("3\t" + root.toUtf8() + "/open/public\t2\r\n"));
    QCOMPARE(walk.messages.size(), 1);
    QVERIFY(walk.messages.first().contains(locked));
}

QTEST_GUILESS_MAIN(TestWalker)
#include "tst_walker.moc"
