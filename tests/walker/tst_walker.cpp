// The directory walker on the headless lists: catalogs compared byte for byte with what the
// tree's own description predicts, the reports, the counters and reopens, and the failure
// paths; and the folder reader's reuse of listings under it.
#include "capture/walker/CaptureSession.h"
#include "capture/walker/DirectoryWalker.h"
#include "capture/walker/HeadlessLists.h"
#include "capture/walker/SideLengths.h"
#include "platform/core/FileChannel.h"
#include "platform/core/FolderReader.h"
#include "support/CaptureTree.h"
#include "support/DataColumns.h"

#include <QtTest>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(TreeFolder)

namespace {

// Headless lists with a hook called before each file's length is read, and a count of the
// folders whose files were walked without the progress bar ending full (at the folder's file
// count plus one).
struct TestLists : HeadlessLists
{
    std::function<void()> beforeLength;
    int barsNotFull = 0;
    bool barMoved = false;

    void setProgressValue(int value) override
    {
        HeadlessLists::setProgressValue(value);
        barMoved = true;
    }
    // Called when the walk leaves a folder, and when it ends.
    void checkBar()
    {
        if (barMoved && (progressValue != progressMaximum || progressMaximum != fileCount() + 1))
            ++barsNotFull;
        barMoved = false;
    }
    bool setFolderPath(const QString& path, QString* error) override
    {
        checkBar();
        return HeadlessLists::setFolderPath(path, error);
    }

    bool fileLength(int index, const QString& fullName, qint64* length, QString* error) override
    {
        if (beforeLength)
            beforeLength();
        return HeadlessLists::fileLength(index, fullName, length, error);
    }
};

// One walk over a tree written to a fresh folder: the lists, the session with its sink over a
// channel of its own, the messages.
struct Walk
{
    QTemporaryDir dir;
    QString root = dir.filePath(QStringLiteral("t"));
    TestLists lists;
    QStringList messages;
    FileChannel channel;
    QString catalog = dir.filePath(QStringLiteral("catalog.txt"));
    CaptureSession session{channel};
    WalkContext context;
    bool result = false;

    explicit Walk(const TreeFolder& tree)
    {
        QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
        context.lists = &lists;
        context.session = &session;
        session.index = QStringLiteral("3");
        context.report = [this](const QString& text) { messages.append(text); };
    }
    ~Walk() { removeTree(root); }

    // Opens the catalog afresh, sets the lists to start and walks it as a run does.
    bool run(const QString& start = QString())
    {
        session.sink.begin(catalog);
        QString error;
        if (!channel.open(catalog, FileChannel::Mode::Output, &error)
            || !lists.setFolderPath(start.isEmpty() ? root : start, &error)) {
            qWarning() << error;
            return false;
        }
        result = DirectoryWalker(context).walk(lists.folderPath());
        lists.checkBar();
        channel.close();
        return true;
    }
    QByteArray bytes() const { return readAll(catalog); }
    QByteArray expected(const TreeFolder& tree, int folderLimit = -1) const
    {
        return expectedCatalog(tree, root, QStringLiteral("3"), folderLimit);
    }
};

QByteArray firstLines(const QByteArray& bytes, int lines)
{
    return bytes.left(bytes.split('\n').mid(0, lines).join('\n').size() + 1);
}

bool writable(const QString& name) { return !name.contains(QRegularExpression("[\t\r\n]")); }

// The folders a walk enters: a folder whose name holds a TAB or line break is entered and
// left at once.
int countFolders(const TreeFolder& tree)
{
    int n = 1;
    for (const TreeFolder& sub : tree.folders)
        n += writable(sub.name) ? countFolders(sub) : 1;
    return n;
}

// Folders the awkward-names row locks: "r--" can be listed but not entered, "---" not even
// listed. Entries named "gone..." vanish during the walk: files right after their folder is
// listed, folders right after their parent is listed the second time (when the walk has
// started on its subfolders).
int lockedMode(const QString& name) { return name == "r--" ? 0444 : name == "---" ? 0 : -1; }
bool gone(const QString& name) { return name.startsWith(QLatin1String("gone")); }

// The tree as the walk finds it: without the locked folders, the vanished folders and (unless
// asked for, as they are listed and counted) the vanished files.
TreeFolder asWalked(const TreeFolder& tree, bool withGoneFiles = false)
{
    TreeFolder out{tree.name, {}, {}};
    for (const auto& file : tree.files)
        if (withGoneFiles || !gone(file.first))
            out.files.append(file);
    for (const TreeFolder& sub : tree.folders)
        if (!gone(sub.name) && lockedMode(sub.name) < 0)
            out.folders.append(asWalked(sub, withGoneFiles));
    return out;
}

// Locks, or unlocks, the tree's locked folders below root.
void lock(const TreeFolder& tree, const QString& root, bool locked)
{
    for (const TreeFolder& sub : tree.folders) {
        const QByteArray path = nameBytes(root + QLatin1Char('/') + sub.name);
        if (lockedMode(sub.name) >= 0)
            ::chmod(path.constData(), locked ? mode_t(lockedMode(sub.name)) : 0755);
        lock(sub, root + QLatin1Char('/') + sub.name, locked);
    }
}

// Runs the current test row again in a child process as the unprivileged user "nobody", for
// permission bits that do not keep the superuser out. False when the row runs here.
bool ranUnprivileged()
{
    if (::geteuid() != 0)
        return false;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"),
                 QCoreApplication::applicationFilePath(),
                 QStringLiteral("%1:%2").arg(QString::fromLatin1(QTest::currentTestFunction()),
                                             QString::fromLatin1(QTest::currentDataTag()))});
    if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() == 126 || child.exitCode() == 127) {
        QTest::qSkip("cannot run as an unprivileged user (setpriv)", __FILE__, __LINE__);
        return true;
    }
    const QByteArray output = child.readAll();
    [&] { QVERIFY2(child.exitCode() == 0, output.constData()); }();
    return true;
}

} // namespace

class TestWalker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char* name : {"same", "grow", "shrink", "replaced", "other"})
            QVERIFY(writeTree(treeOf({{QStringLiteral("%1/f").arg(name), name},
                                      {QStringLiteral("%1/sub/").arg(name), ""}}), m_folders.path()));
        QVERIFY(QDir().mkpath(m_folders.filePath(QStringLiteral("shrink/sub2"))));
        // The length reader's folders: eight files, a link to a file outside, one that will
        // vanish; the other folder has the same names with other sizes.
        QVERIFY(writeTree(treeOf({{"target.bin", QByteArray(77, 't')}}), m_folders.path()));
        for (const QString& tag : lengthTags()) {
            QList<QPair<QString, QByteArray>> files{{tag + "/vanish", ""}, {tag + "-other/vanish", ""}};
            for (int i = 0; i < 8; ++i)
                files << qMakePair(QStringLiteral("%1/f%2").arg(tag).arg(i), QByteArray(i + 1, 'a'))
                      << qMakePair(QStringLiteral("%1-other/f%2").arg(tag).arg(i), QByteArray(i + 11, 'b'));
            QVERIFY(writeTree(treeOf(files), m_folders.path()));
            QVERIFY(QFile::link(m_folders.filePath("target.bin"), m_folders.filePath(tag + "/link")));
        }
        // Listings are reused only once the folders' times have settled.
        QThread::msleep(FolderReader::kSettleMs + 300);
    }

    void walkOrder_data()
    {
        // firstReport: %1: the start folder
        addColumns<TreeFolder, int, QString>({"tree", "reports", "firstReport"});
        QTest::newRow("empty folder") << TreeFolder() << 0 << QString();
        // Mixed case, names without a dot, "?" (an ordinary name here), nesting, an empty
        // subfolder, and two- to four-byte UTF-8 in file names and in folder names that become
        // the prefix of every line.
        QTest::newRow("names and nesting") << treeOf({
            {"beta", "bb"}, {"Alpha", "A"}, {"alpha", "al"}, {"Gamma.TXT", "ggg"}, {"README", "rrrr"},
            {"Makefile", "m"}, {"a b c", "abc"}, {"?", "q"}, {"2000/x.png", "xxxx"},
            {"Zed/inner/z", ""}, {"apple/?", "q"}, {"Mango/", ""},
            {"\xc3\xa4rger.txt", QByteArray(1234, 'a')}, {"\xe6\x97\xa5\xe6\x9c\xac.txt", "kk"},
            {"\xf0\x9f\x93\xb7.jpg", QByteArray(70000, 'c')},
            {"\xc3\x9c" "ber \xe6\x97\xa5/\xf0\x9f\x93\xb7.jpg", "c"},
            {"\xc3\x9c" "ber \xe6\x97\xa5/\xf0\x9f\x93\xb7/\xc3\xa4rger.txt", "aaa"}}) << 0 << QString();
        // Bytes that are not UTF-8 (U+DCxx below) in file and folder names, three names that
        // differ only there (the last real U+FFFD), TAB and line breaks in file and folder
        // names, folders that cannot be listed or entered, entries that vanish. One report per
        // folder: the start folder's six files, the TAB and the CR folder, the two locked
        // folders, the vanished folder.
        QTest::newRow("awkward names and folders") << awkwardTree()
            << 6
            << "6 files in %1 could not be catalogued: gone1 (File not found), gone2 (File not "
               "found), gone3 (File not found), gone4 (File not found), line\\nfile (name "
               "contains a tab or line break) and 1 more";
    }

    void walkOrder()
    {
        QFETCH(TreeFolder, tree);
        QFETCH(int, reports);
        QFETCH(QString, firstReport);
        if (QByteArray(QTest::currentDataTag()).startsWith("awkward") && ranUnprivileged())
            return;
        Walk walk(tree);
        QHash<QString, int> listings;
        walk.lists.afterListing = [&](const QString& folder) {
            const int listed = ++listings[folder];
            for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
                const QString path = folder + QLatin1Char('/') + name;
                if (gone(name) && listed == (QFileInfo(path).isDir() ? 2 : 1))
                    QVERIFY(QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path));
            }
        };
        lock(tree, walk.root, true);
        QVERIFY(walk.run());
        lock(tree, walk.root, false);
        QVERIFY(!walk.result);
        QCOMPARE(walk.bytes(), walk.expected(asWalked(tree)));
        QVERIFY2(walk.messages.size() == reports, qPrintable(walk.messages.join('\n')));
        if (reports > 0)
            QCOMPARE(walk.messages.first(), firstReport.arg(walk.root));
        // Every listed entry counts, written or not; one yield per folder entered.
        QCOMPARE(walk.session.sink.fileCount(), countFiles(asWalked(tree, true)));
        QCOMPARE(walk.lists.yields, countFolders(asWalked(tree)));
    }

    void countersAndReopens_data()
    {
        // filecount: -1: the walk stops at the first reopen
        // change: what happens to the catalog just before the 1000th entry is written
        addColumns<int, int, int, QString>({"files", "filecount", "blockcount", "change"});
        QTest::newRow("1000") << 1000 << 1000 << 0 << "";
        QTest::newRow("1001") << 1001 << 1 << 1 << "";
        QTest::newRow("2300") << 2300 << 300 << 2 << "";
        // The first block stays in the file that was opened, wherever it went; nothing is
        // written anywhere else, nor into a file put in its place.
        QTest::newRow("catalog moved") << 2300 << -1 << -1 << "moved";
        QTest::newRow("catalog deleted") << 2300 << -1 << -1 << "deleted";
        QTest::newRow("catalog replaced") << 2300 << -1 << -1 << "replaced";
    }

    void countersAndReopens()
    {
        QFETCH(int, files);
        QFETCH(int, filecount);
        QFETCH(int, blockcount);
        QFETCH(QString, change);
        const TreeFolder tree = generatedTree(files, 45, 4);
        Walk walk(tree);
        const QString moved = walk.dir.filePath(QStringLiteral("moved.txt"));
        // How much of the catalog is on disk each time a file's length is read: right after a
        // reopen, everything written before it must be there.
        QList<qint64> onDisk;
        walk.lists.beforeLength = [&] {
            onDisk.append(QFileInfo(walk.catalog).size());
            if (onDisk.size() != 1000 || change.isEmpty())
                return;
            if (change == QLatin1String("deleted"))
                QVERIFY(QFile::remove(walk.catalog));
            else
                QVERIFY(QFile::rename(walk.catalog, moved));
            if (change == QLatin1String("replaced"))
                QVERIFY(writeTree(treeOf({{"catalog.txt", "other\r\n"}}), walk.dir.path()));
        };
        QVERIFY(walk.run());
        const QByteArray expected = walk.expected(tree);
        if (filecount < 0) { // one message, naming the file; the walk stops there
            QCOMPARE(walk.messages, QStringList(walk.catalog + " was moved or deleted during the capture"));
            QVERIFY(walk.session.sink.failed());
            QCOMPARE(onDisk.size(), 1000);
            QCOMPARE(QFileInfo::exists(walk.catalog) ? walk.bytes() : QByteArray("(none)"),
                     change == QLatin1String("replaced") ? QByteArray("other\r\n") : QByteArray("(none)"));
            if (change != QLatin1String("deleted"))
                QCOMPARE(readAll(moved), firstLines(expected, 1000));
            return;
        }
        QVERIFY(walk.messages.isEmpty());
        QCOMPARE(walk.lists.barsNotFull, 0);
        QCOMPARE(walk.bytes(), expected);
        QCOMPARE(walk.session.sink.fileCount(), filecount);
        QCOMPARE(walk.session.sink.blockCount(), blockcount);
        QCOMPARE(onDisk.size(), files);
        // Entry 1001 (index 1000) is read after the reopen: exactly 1000 lines are on disk.
        for (int entry = 1000; entry < files; entry += 1000)
            QCOMPARE(onDisk.at(entry), qint64(firstLines(expected, entry).size()));
    }

    void linksHiddenAndSpecialNames()
    {
        Walk walk(treeOf({{"plain", "12345"}, {".hidden", "h"}, {".secret/inside", "i"},
                          {"sub/target.bin", "0123456789"}}));
        const QString root = walk.root;
        // A loop back to the start, a link to its own folder, to a file, to a device, to
        // nothing, and to itself.
        QVERIFY(QFile::link(root, root + QStringLiteral("/sub/loop")));
        QVERIFY(QFile::link(QStringLiteral("."), root + QStringLiteral("/self")));
        QVERIFY(QFile::link(root + QStringLiteral("/sub/target.bin"), root + QStringLiteral("/link.bin")));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), root + QStringLiteral("/device")));
        QVERIFY(QFile::link(root + QStringLiteral("/gone"), root + QStringLiteral("/dangling")));
        QVERIFY(QFile::link(QStringLiteral("cycle"), root + QStringLiteral("/cycle")));
        QVERIFY(walk.run());
        // Files by name: cycle, dangling, link.bin, plain; then sub.
        QCOMPARE(walk.bytes(), walk.expected(treeOf({{"link.bin", "0123456789"}, {"plain", "12345"},
                                                     {"sub/target.bin", "0123456789"}})));
        QCOMPARE(walk.messages,
                 QStringList(QStringLiteral("2 files in %1 could not be catalogued: cycle (%2), "
                                            "dangling (File not found)")
                                 .arg(root, QString::fromLocal8Bit(std::strerror(ELOOP)))));
        QCOMPARE(walk.session.sink.fileCount(), 5); // every listed entry counts, written or not
        QCOMPARE(walk.lists.yields, 2);       // the start folder and sub; no link followed
    }

    // The folder reader: a folder read, changed (or not) and read again is read again as soon as
    // anything about it changed, and only then; lengths are read relative to the current folder.
    void folderReaderRereads_data()
    {
        // length: of the first file
        addColumns<QString, int, QStringList, QStringList, qint64>(
            {"name", "reads", "files", "folders", "length"});
        const QStringList f{"f"}, sub{"sub"};
        QTest::newRow("unchanged") << "same" << 1 << f << sub << qint64(4);
        QTest::newRow("new entry") << "grow" << 2 << QStringList{"f", "g"} << sub << qint64(4);
        QTest::newRow("removed subfolder") << "shrink" << 2 << f << sub << qint64(6);
        // Another folder takes its name; its own times are old, but it is another folder.
        QTest::newRow("replaced") << "replaced" << 2 << f << sub << qint64(5);
        QTest::newRow("recently changed") << "recent" << 2 << QStringList{"r"} << QStringList() << qint64(1);
    }

    void folderReaderRereads()
    {
        QFETCH(QString, name);
        QFETCH(int, reads);
        const QString path = m_folders.filePath(name);
        if (name == QLatin1String("recent"))
            QVERIFY(writeTree(treeOf({{"recent/r", "r"}}), m_folders.path()));
        FolderReader reader;
        FolderListing::Listing listing;
        QVERIFY(reader.read(path, &listing, nullptr));
        if (name == QLatin1String("grow"))
            QVERIFY(writeTree(treeOf({{"g", "g"}}), path));
        if (name == QLatin1String("shrink"))
            QVERIFY(QDir(m_folders.filePath(QStringLiteral("shrink/sub2"))).removeRecursively());
        if (name == QLatin1String("replaced")) {
            QVERIFY(QDir().rename(path, m_folders.filePath(QStringLiteral("replaced.old"))));
            QVERIFY(QDir().rename(m_folders.filePath(QStringLiteral("other")), path));
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

    // Every length comes from the folder that was listed, whoever reads it: the helper (all but
    // the first file, which the walk takes before the helper starts) or the walk (all of them,
    // the helper then finding nothing left). A link gives its file's length, a file gone since
    // the listing its reason. The folder exchanged for another right after its listing still
    // gives its own lengths; a listing given again from memory, its folder exchanged after the
    // reader let go of it, gives none.
    void lengthReader_data()
    {
        QTest::addColumn<bool>("unused"); // each row's folders are named after it
        for (const QString& tag : lengthTags())
            QTest::newRow(qPrintable(tag)) << true;
    }
    void lengthReader()
    {
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const QString path = m_folders.filePath(tag);
        FolderReader reader;
        FolderListing::Listing listing;
        QVERIFY(reader.read(path, &listing, nullptr));
        if (tag.contains("remembered")) { // given again from memory, then let go
            QVERIFY(reader.read(path, &listing, nullptr) && reader.folderReads() == 1);
            reader.release();
        }
        QVERIFY(QFile::remove(path + "/vanish"));
        if (tag.contains("exchanged"))
            QVERIFY(QDir().rename(path, path + "-old") && QDir().rename(path + "-other", path));
        QStringList expected, got;
        for (const QString& name : listing.files)
            expected << (tag.contains("remembered") ? "the folder was moved or replaced after it was listed"
                         : name == "link"           ? "77"
                         : name == "vanish"         ? "File not found"
                                                    : QString::number(name.mid(1).toInt() + 1));
        SideLengths side(SideLengths::Helper::OnRequest);
        for (int i = 0; i < listing.files.size(); ++i) {
            qint64 length = -1;
            QString reason;
            got << (side.fileLength(reader, listing.files, i, &length, &reason) ? QString::number(length)
                                                                                : reason);
            if (i == 0 && tag.startsWith("helper"))
                side.helpNow();
        }
        side.helpNow();
        QCOMPARE(got, expected);
    }

private:
    static QStringList lengthTags()
    {
        QStringList tags;
        for (const char* who : {"helper first", "walk first"})
            for (const char* change : {"", ", exchanged", ", remembered, exchanged"})
                tags << QString::fromLatin1(who) + QString::fromLatin1(change);
        return tags;
    }

    QTemporaryDir m_folders; // the folder reader's: each folder holds "f" (its name) and "sub"
};

QTEST_GUILESS_MAIN(TestWalker)
#include "tst_walker.moc"
