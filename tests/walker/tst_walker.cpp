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

Q_DECLARE_METATYPE(TreeFolder)

namespace {

// Headless lists with a hook called before each file's length is read, optionally presenting
// a real folder as the file system's root "/" so the walk of a root can be checked safely.
class TestLists : public HeadlessLists
{
public:
    QString realRoot;
    std::function<void()> beforeLength;

    QString folderPath() const override { return toFake(HeadlessLists::folderPath()); }
    bool setFolderPath(const QString& path, QString* error) override
    {
        const bool toRoot = !realRoot.isEmpty() && path == QLatin1String("/");
        return HeadlessLists::setFolderPath(toRoot ? realRoot : realRoot + path, error);
    }
    QString folderEntry(int index) const override { return toFake(HeadlessLists::folderEntry(index)); }
    bool fileLength(int index, const QString& fullName, qint64* length, QString* error) override
    {
        if (beforeLength)
            beforeLength();
        return HeadlessLists::fileLength(index, fullName, length, error);
    }

private:
    QString toFake(const QString& real) const
    {
        return realRoot.isEmpty() ? real : real == realRoot ? QStringLiteral("/") : real.mid(realRoot.size());
    }
};

// One walk over a tree written to a fresh folder: the lists, the flag, the messages and a
// channel of its own.
struct Walk
{
    QTemporaryDir dir;
    QString root = dir.filePath(QStringLiteral("t"));
    TestLists lists;
    bool searchflag = true;
    QStringList messages;
    FileChannel channel;
    QString catalog = dir.filePath(QStringLiteral("catalog.txt"));
    WalkContext context{&lists, [this] { return searchflag; }, catalog, &channel,
                        [this](const QString& text) { messages.append(text); }, QString()};
    VbBool result = VbFalse;

    explicit Walk(const TreeFolder& tree)
    {
        QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
        lists.index = QStringLiteral("3");
    }

    // Opens the catalog afresh, sets the lists to start and walks it as a run does.
    bool run(const QString& start = QString())
    {
        ProgramState::filecount = ProgramState::blockcount = 0;
        context.index = lists.index; // taken once, as a run takes it
        QString error;
        if (!channel.open(catalog, FileChannel::Mode::Output, &error)
            || !lists.setFolderPath(start.isEmpty() ? root : start, &error)) {
            qWarning() << error;
            return false;
        }
        QString path = lists.folderPath();
        qint16 dircount = qint16(lists.folderCount());
        QString backUp;
        result = Class2(context).DirDiver(path, dircount, backUp);
        channel.close();
        return true;
    }
    QByteArray bytes() const { return readAll(catalog); }
    QByteArray expected(const TreeFolder& tree, int folderLimit = -1) const
    {
        return expectedCatalog(tree, root, QStringLiteral("3"), folderLimit);
    }
    // The catalog lines "3 TAB root/name TAB size CR LF" for the given name and size pairs.
    QByteArray lines(const QList<QPair<const char*, int>>& entries) const
    {
        QByteArray out;
        for (const auto& e : entries)
            out += "3\t" + root.toUtf8() + '/' + e.first + '\t' + QByteArray::number(e.second) + "\r\n";
        return out;
    }
};

QByteArray firstLines(const QByteArray& bytes, int lines)
{
    int at = 0;
    for (int i = 0; i < lines; ++i)
        at = bytes.indexOf('\n', at) + 1;
    return bytes.left(at);
}

int countFolders(const TreeFolder& tree)
{
    int n = 1;
    for (const TreeFolder& sub : tree.folders)
        n += countFolders(sub);
    return n;
}

} // namespace

class TestWalker : public QObject
{
    Q_OBJECT

private slots:
    void walkOrder_data()
    {
        QTest::addColumn<TreeFolder>("tree");
        QTest::newRow("empty folder") << TreeFolder();
        // Mixed case, names without a dot, "?" (a name that could not be represented: counted,
        // never written), nesting, an empty subfolder, and two- to four-byte UTF-8 in file names
        // and in folder names that become the prefix of every line.
        QTest::newRow("names and nesting") << treeOf({
            {"beta", "bb"}, {"Alpha", "A"}, {"alpha", "al"}, {"Gamma.TXT", "ggg"}, {"README", "rrrr"},
            {"Makefile", "m"}, {"a b c", "abc"}, {"?", "q"}, {"2000/x.png", "xxxx"},
            {"Zed/inner/z", ""}, {"apple/?", "q"}, {"Mango/", ""},
            {"\xc3\xa4rger.txt", QByteArray(1234, 'a')}, {"\xe6\x97\xa5\xe6\x9c\xac.txt", "kk"},
            {"\xf0\x9f\x93\xb7.jpg", QByteArray(70000, 'c')},
            {"\xc3\x9c" "ber \xe6\x97\xa5/\xf0\x9f\x93\xb7.jpg", "c"},
            {"\xc3\x9c" "ber \xe6\x97\xa5/\xf0\x9f\x93\xb7/\xc3\xa4rger.txt", "aaa"}});
    }

    void walkOrder()
    {
        QFETCH(TreeFolder, tree);
        Walk walk(tree);
        QVERIFY(walk.run());
        QCOMPARE(walk.result, VbFalse);
        QVERIFY2(walk.messages.isEmpty(), qPrintable(walk.messages.join('\n')));
        QCOMPARE(walk.bytes(), walk.expected(tree));
        QVERIFY(!walk.bytes().contains("/?\t"));
        QCOMPARE(ProgramState::filecount, countFiles(tree));
        QCOMPARE(walk.lists.yields, countFolders(tree)); // one yield per folder
        if (tree.files.isEmpty()) { // an empty folder leaves the bar alone
            QCOMPARE(walk.lists.progressMaximum, 100);
            QCOMPARE(walk.lists.progressValue, 1);
        }
    }

    void rootFolderPrefix()
    {
        const TreeFolder tree =
            treeOf({{"readme.txt", QByteArray(523, 'r')}, {"setup.exe", "s"}, {"etc/hosts", "127"}});
        Walk walk(tree);
        walk.lists.realRoot = QDir(walk.root).absolutePath();
        walk.lists.index = QStringLiteral("12");
        QVERIFY(walk.run(QStringLiteral("/")));
        QCOMPARE(walk.bytes(), QByteArray("12\t/readme.txt\t523\r\n"
                                          "12\t/setup.exe\t1\r\n"
                                          "12\t/etc/hosts\t3\r\n"));
        QVERIFY(walk.messages.isEmpty());
    }

    void countersAndReopens_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("filecount");
        QTest::addColumn<int>("blockcount");
        QTest::newRow("999") << 999 << 999 << 0;
        QTest::newRow("1000") << 1000 << 1000 << 0;
        QTest::newRow("1001") << 1001 << 1 << 1;
        QTest::newRow("2500") << 2500 << 500 << 2;
    }

    void countersAndReopens()
    {
        QFETCH(int, files);
        QFETCH(int, filecount);
        QFETCH(int, blockcount);
        const TreeFolder tree = generatedTree(files, 45, 4);
        Walk walk(tree);
        // How much of the catalog is on disk each time a file's length is read: right after a
        // reopen, everything written before it must be there.
        QList<qint64> onDisk;
        walk.lists.beforeLength = [&] { onDisk.append(QFileInfo(walk.catalog).size()); };
        QVERIFY(walk.run());
        const QByteArray expected = walk.expected(tree);
        QCOMPARE(walk.bytes(), expected);
        QCOMPARE(ProgramState::filecount, filecount);
        QCOMPARE(ProgramState::blockcount, blockcount);
        QCOMPARE(onDisk.size(), files);
        // Entry 1001 (index 1000) is read after the reopen: exactly 1000 lines are on disk.
        for (int entry = 1000; entry < files; entry += 1000)
            QCOMPARE(onDisk.at(entry), qint64(firstLines(expected, entry).size()));
    }

    void reopenUnderTheRunsName()
    {
        // The catalog is opened as catalog.txt but the run's name is another: the first block stays
        // in catalog.txt, everything after the reopen goes under the run's name.
        const TreeFolder tree = generatedTree(2300, 50, 3);
        Walk walk(tree);
        walk.context.catalogName = walk.dir.filePath(QStringLiteral("second.txt"));
        QVERIFY(walk.run());
        QCOMPARE(walk.bytes().count('\n'), 1000);
        QCOMPARE(walk.bytes() + readAll(walk.context.catalogName), walk.expected(tree));
        QVERIFY(walk.messages.isEmpty());

        // A reopen that fails stops the walk with one message.
        walk.context.catalogName = walk.dir.filePath(QStringLiteral("missing/folder/catalog.txt"));
        QVERIFY(walk.run());
        QCOMPARE(walk.messages.size(), 1);
        QVERIFY2(walk.messages.first().contains(QStringLiteral("missing/folder")),
                 qPrintable(walk.messages.first()));
        QVERIFY(walk.context.failed);
        QCOMPARE(walk.bytes(), firstLines(walk.expected(tree), 1000));
    }

    void cancel()
    {
        // Cancel pressed at the second file of the second folder (as while a message box of that
        // folder is open): that folder is finished, no later folder is entered.
        const TreeFolder tree = generatedTree(300, 10, 3);
        Walk walk(tree);
        int inFolder = 0;
        walk.lists.onYield = [&] { inFolder = 0; };
        walk.lists.beforeLength = [&] {
            if (walk.lists.yields == 2 && ++inFolder == 2)
                walk.searchflag = false;
        };
        QVERIFY(walk.run());
        QVERIFY(!walk.searchflag);
        QCOMPARE(walk.result, VbFalse);
        QCOMPARE(walk.lists.yields, 2); // the flag is seen between subfolders: no third entry
        QCOMPARE(walk.bytes(), walk.expected(tree, 2));
        // Cleared before the walk: nothing written, the result says it stopped on entry.
        QVERIFY(walk.run());
        QCOMPARE(walk.result, VbTrue);
        QCOMPARE(walk.bytes(), QByteArray());
    }

    void linksHiddenAndSpecialNames()
    {
        Walk walk(treeOf({{"plain", "12345"}, {".hidden", "h"}, {"tab\there", "t"}, {"line\nbreak", "l"},
                          {".secret/inside", "i"}, {"sub/target.bin", "0123456789"}}));
        const QString root = walk.root;
        // A loop back to the start, a link to itself, a link to a file, a dangling link.
        QVERIFY(QFile::link(root, root + QStringLiteral("/sub/loop")));
        QVERIFY(QFile::link(QStringLiteral("."), root + QStringLiteral("/self")));
        QVERIFY(QFile::link(root + QStringLiteral("/sub/target.bin"), root + QStringLiteral("/link.bin")));
        QVERIFY(QFile::link(root + QStringLiteral("/gone"), root + QStringLiteral("/dangling")));
        QVERIFY(walk.run());
        // Files by name: dangling, line\nbreak, link.bin, plain, tab\there; then sub.
        QCOMPARE(walk.bytes(), walk.lines({{"link.bin", 10}, {"plain", 5}, {"sub/target.bin", 10}}));
        QCOMPARE(walk.messages.size(), 3);
        QVERIFY(walk.messages.at(0).contains(root + "/dangling"));
        QVERIFY(walk.messages.at(1).contains(root + "/line\\nbreak"));
        QVERIFY(walk.messages.at(2).contains(root + "/tab\\there"));
        QCOMPARE(ProgramState::filecount, 6); // every listed entry counts, written or not
        QCOMPARE(walk.lists.yields, 2);       // the start folder and sub; no link followed
    }

    void entriesGoneDuringTheWalk()
    {
        Walk walk(treeOf({{"a", "a"}, {"b", "bb"}, {"c", "ccc"},
                          {"x/in-x", "xx"}, {"y/in-y", "yyy"}, {"z/in-z", "zzzz"}}));
        // File "b" goes away between the start folder's listing and its record; folder "y" after
        // the start folder is listed again for it, just before it is entered.
        int rootListings = 0;
        walk.lists.afterListing = [&](const QString& folder) {
            if (folder == walk.root && ++rootListings == 1)
                QVERIFY(QFile::remove(walk.root + QStringLiteral("/b")));
            if (folder == walk.root && rootListings == 3)
                QVERIFY(QDir(walk.root + QStringLiteral("/y")).removeRecursively());
        };
        QVERIFY(walk.run());
        QCOMPARE(walk.bytes(), walk.lines({{"a", 1}, {"c", 3}, {"z/in-z", 4}, {"x/in-x", 2}}));
        QCOMPARE(walk.messages.size(), 2);
        QVERIFY2(walk.messages.at(0).contains(walk.root + "/b"), qPrintable(walk.messages.at(0)));
        QVERIFY2(walk.messages.at(1).contains(walk.root + "/y"), qPrintable(walk.messages.at(1)));
        QCOMPARE(ProgramState::filecount, 5);
        QCOMPARE(walk.lists.yields, 3); // start, z, x: the start folder was not walked again
    }

    void folderWithoutPermission()
    {
        if (::geteuid() == 0)
            QSKIP("permission bits do not keep the superuser out");
        Walk walk(treeOf({{"locked/secret", "s"}, {"open/public", "pp"}}));
        const QString locked = walk.root + QStringLiteral("/locked");
        QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
        QVERIFY(walk.run());
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(walk.bytes(), walk.lines({{"open/public", 2}}));
        QCOMPARE(walk.messages.size(), 1);
        QVERIFY(walk.messages.first().contains(locked));
    }
};

QTEST_GUILESS_MAIN(TestWalker)
#include "tst_walker.moc"
