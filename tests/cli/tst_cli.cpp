// vellumark-cli driven as a process: searches whose records are predicted from the test's own
// description of a catalog and predicates written here, exit statuses, formats, terms it
// refuses and catalogs that stop early; captures compared byte for byte with the walker's own
// output and with an independent description of the tree, refusals and a disk that fills up;
// and the program's libraries.
#include "capture/walker/CaptureSession.h"
#include "capture/walker/DirectoryWalker.h"
#include "capture/walker/HeadlessLists.h"
#include "catalog/DiskFacts.h"
#include "platform/core/FileChannel.h"
#include "support/CaptureTree.h"
#include "support/DataColumns.h"

#include <QtTest>

#include <functional>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct Result
{
    int status = -1;
    QByteArray out, err;
};

Result cli(const QStringList& args, const std::function<void()>& inChild = {})
{
    QProcess process;
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(QStringLiteral(VELLUMARK_CLI_PATH), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// The test's own description of a catalog: the record as the window shows it, and the name's
// bytes in the file when they are not its UTF-8 (a Windows-1252 line) or when it is quoted.
struct Record
{
    QString index, name, size;
    QByteArray nameBytes = {};
    bool quoted = false;
    QByteArray bytes() const { return nameBytes.isEmpty() ? name.toUtf8() : nameBytes; }
};

const QList<Record>& records()
{
    static const QList<Record> list{
        {"1", "/data/Photos/Beach.JPG", "48213"},
        {"1", "/data/photos/notes.txt", "1024"},
        {"2", "/data/Music/Zürich live.mp3", "1073741824"},
        {"2", "/data/Music/ZÜRICH demo.flac", "1073741825"},
        {"3", "/archive/été/report 2020.pdf", "2097152"},
        {"3", "/archive/taxes/tax return.PDF", "1023"},
        {"4", "/archive/.profile", "0"},
        {"4", "/archive/backup.tar.gz", "104857599"},
        {"5", "/data/50% done*.txt", "104857600"},
        {"5", "/data/it's here.png", "99"},
        {"6", "C:\\Daten\\café.txt", "2048", "C:\\Daten\\caf\xe9.txt"},
        {"6", "/data/Kelvin \u212A.txt", "5"},
        {"12", "/data/quoted name.txt", "77", {}, true},
        {"3", "/data/odd size.bin", "12x"},
        {"1", "/data/Photos/Beach copy.jpeg", "1048576"},
        {"2", "/data/a, \"b\".txt", "10"}};
    return list;
}

QByteArray catalogLine(const Record& r)
{
    const QByteArray name = r.quoted ? '"' + r.bytes() + '"' : r.bytes();
    return r.index.toUtf8() + '\t' + name + '\t' + r.size.toUtf8() + "\r\n";
}

using Keep = std::function<bool(const Record&)>;

// Sizes and index values as whole numbers; -1 for any other text.
qint64 number(const QString& text)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok && !text.startsWith('+') && !text.startsWith('-') ? n : -1;
}
bool has(const Record& r, const QString& text) { return r.name.contains(text, Qt::CaseInsensitive); }
QString extension(const Record& r)
{
    const QString last = r.name.section(QRegularExpression("[/\\\\]"), -1);
    const qsizetype dot = last.lastIndexOf('.');
    return dot > 0 ? last.mid(dot + 1).toLower() : QString();
}
constexpr qint64 K = 1024, M = K * K, G = M * K;

// The sizes of a catalog's lines added up.
qint64 expectedBytes(const QByteArray& catalog)
{
    qint64 sum = 0;
    for (const QByteArray& line : catalog.split('\n'))
        sum += line.trimmed().split('\t').value(2).toLongLong();
    return sum;
}

QByteArray printed(const QList<Record>& list, const Keep& keep)
{
    QByteArray out;
    for (const Record& r : list)
        if (keep(r))
            out += r.index.toUtf8() + '\t' + r.bytes() + '\t' + r.size.toUtf8() + '\n';
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Keep)

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QByteArray bytes;
        for (const Record& r : records())
            bytes += catalogLine(r);
        m_catalog = write(QStringLiteral("catalog.txt"), bytes);
    }

    void search_data()
    {
        addColumns<QStringList, Keep>({"args", "keep"});
        QTest::newRow("one plain term") << QStringList{"photos"} << Keep([](auto& r) { return has(r, "photos"); });
        QTest::newRow("no term: every record") << QStringList{} << Keep([](auto&) { return true; });
        QTest::newRow("letters beyond ASCII, any case") << QStringList{"zürich"} << Keep([](auto& r) { return has(r, "zürich"); });
        QTest::newRow("Kelvin sign is a k") << QStringList{"\"kelvin k\""} << Keep([](auto& r) { return has(r, "kelvin k"); });
        QTest::newRow("% and * literal") << QStringList{"50% done*"} << Keep([](auto& r) { return has(r, "50%") && has(r, "done*"); });
        QTest::newRow("quote literal") << QStringList{"it's"} << Keep([](auto& r) { return has(r, "it's"); });
        QTest::newRow("wildcard never a pattern") << QStringList{"beach*"} << Keep([](auto& r) { return has(r, "beach*"); });
        QTest::newRow("two words quoted") << QStringList{"\"tax return\""} << Keep([](auto& r) { return has(r, "tax return"); });
        QTest::newRow("two words unquoted: both") << QStringList{"data txt"} << Keep([](auto& r) { return has(r, "data") && has(r, "txt"); });
        QTest::newRow("exclude") << QStringList{"data", "-photos"} << Keep([](auto& r) { return has(r, "data") && !has(r, "photos"); });
        QTest::newRow("exclude a phrase") << QStringList{"-\"beach copy\""} << Keep([](auto& r) { return !has(r, "beach copy"); });
        QTest::newRow("size greater, strictly") << QStringList{"size:>1G"} << Keep([](auto& r) { return number(r.size) > G; });
        QTest::newRow("size less, strictly") << QStringList{"size:<100M"} << Keep([](auto& r) { return number(r.size) >= 0 && number(r.size) < 100 * M; });
        QTest::newRow("size range, ends included") << QStringList{"size:1k..2M"}
                                                   << Keep([](auto& r) { return number(r.size) >= K && number(r.size) <= 2 * M; });
        QTest::newRow("size exact, unit in any case") << QStringList{"size:1g"} << Keep([](auto& r) { return number(r.size) == G; });
        QTest::newRow("size open range, fraction") << QStringList{"size:1.5k.."} << Keep([](auto& r) { return number(r.size) >= 1536; });
        QTest::newRow("excluded size keeps odd sizes") << QStringList{"-size:<1M"} << Keep([](auto& r) { return !(number(r.size) >= 0 && number(r.size) < M); });
        QTest::newRow("disk") << QStringList{"disk:3"} << Keep([](auto& r) { return number(r.index) == 3; });
        QTest::newRow("disk list and range") << QStringList{"disk:1,4-6"}
                                             << Keep([](auto& r) { const qint64 i = number(r.index); return i == 1 || (i >= 4 && i <= 6); });
        QTest::newRow("extensions, any case") << QStringList{"ext:jpg,png"} << Keep([](auto& r) { return extension(r) == "jpg" || extension(r) == "png"; });
        QTest::newRow("extension with its dot") << QStringList{"ext:.PDF"} << Keep([](auto& r) { return extension(r) == "pdf"; });
        QTest::newRow("path anchored, any case") << QStringList{"path:/DATA/photos"}
                                                 << Keep([](auto& r) { return r.name.startsWith("/data/photos", Qt::CaseInsensitive); });
        QTest::newRow("path not anchored inside") << QStringList{"path:photos"} << Keep([](auto&) { return false; });
        QTest::newRow("unknown kind is text") << QStringList{"c:\\daten"} << Keep([](auto& r) { return has(r, "c:\\daten"); });
        QTest::newRow("Windows-1252 line") << QStringList{"CAFÉ"} << Keep([](auto& r) { return has(r, "café"); });
        QTest::newRow("quoted field unquoted") << QStringList{"path:/data/quoted"} << Keep([](auto& r) { return r.name.startsWith("/data/quoted"); });
        QTest::newRow("every kind at once") << QStringList{"data -notes", "ext:jpg,jpeg,txt", "size:..2M", "disk:1-6"}
            << Keep([](auto& r) {
                   const QString e = extension(r);
                   return has(r, "data") && !has(r, "notes") && (e == "jpg" || e == "jpeg" || e == "txt")
                          && number(r.size) >= 0 && number(r.size) <= 2 * M && number(r.index) >= 1 && number(r.index) <= 6;
               });
        QTest::newRow("--index alone") << QStringList{"--index", "3"} << Keep([](auto& r) { return r.index == "3"; });
        QTest::newRow("--index= with a term") << QStringList{"--index=1", "jpeg"} << Keep([](auto& r) { return r.index == "1" && has(r, "jpeg"); });
        QTest::newRow("nothing found") << QStringList{"nowhere"} << Keep([](auto&) { return false; });
    }

    void search()
    {
        QFETCH(QStringList, args);
        QFETCH(Keep, keep);
        const QByteArray expected = printed(records(), keep);
        const Result result = cli(QStringList{"search", m_catalog} + args);
        QCOMPARE(result.out, expected);
        QCOMPARE(result.status, expected.isEmpty() ? 1 : 0);
        QVERIFY2(result.err.isEmpty(), result.err.constData());
        const Result counted = cli(QStringList{"search", m_catalog, "--count"} + args);
        QCOMPARE(counted.out, QByteArray::number(expected.count('\n')) + '\n');
    }

    void formats_data()
    {
        addColumns<QStringList, QByteArray>({"args", "out"});
        QTest::newRow("tsv") << QStringList{"Beach.JPG", "--format", "tsv"}
                             << QByteArray("index\tname\tsize\n1\t/data/Photos/Beach.JPG\t48213\n");
        QTest::newRow("csv quotes where needed") << QStringList{"--format=csv", "\"a, \"\"b\"\"\""}
                                                 << QByteArray("index,name,size\r\n2,\"/data/a, \"\"b\"\".txt\",10\r\n");
        QTest::newRow("json, a name not UTF-8") << QStringList{"café", "--format", "json"}
            << QByteArray("[\n{\"index\":\"6\",\"name\":\"C:\\\\Daten\\\\caf\xc3\xa9.txt\",\"size\":\"2048\","
                          "\"name_bytes\":\"433a5c446174656e5c636166e92e747874\"}\n]\n");
        QTest::newRow("json, two records") << QStringList{"--format", "json", "disk:5"}
            << QByteArray("[\n{\"index\":\"5\",\"name\":\"/data/50% done*.txt\",\"size\":\"104857600\"},\n"
                          "{\"index\":\"5\",\"name\":\"/data/it's here.png\",\"size\":\"99\"}\n]\n");
        QTest::newRow("json, none") << QStringList{"nowhere", "--format", "json"} << QByteArray("[\n]\n");
    }

    void formats()
    {
        QFETCH(QStringList, args);
        const Result result = cli(QStringList{"search", m_catalog} + args);
        QTEST(result.out, "out");
    }

    // Refused before anything is printed: exit 2 and the term named.
    void badTerms_data()
    {
        addColumns<QString, QString>({"arg", "named"});
        for (const char* term : {"size:>>", "size:1x", "size:..", "disk:4-1", "disk:", "disk:a", "ext:", "ext:a.b",
                                 "\"unclosed", "\"a\"b"})
            QTest::newRow(term) << QString(term) << QString(term);
        QTest::newRow("unknown format") << "--format=xml" << "xml";
        QTest::newRow("unknown option") << "--bogus" << "--bogus";
    }

    void badTerms()
    {
        QFETCH(QString, arg);
        QFETCH(QString, named);
        const Result result = cli({"search", m_catalog, "beach", arg});
        QCOMPARE(result.status, 2);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.contains(named.toUtf8()), result.err.constData());
    }

    // The records before the line where loading stops, then the reason; files that are not
    // catalogs refused as File > Open refuses them.
    void brokenCatalogs_data()
    {
        addColumns<QByteArray, int, QString>({"content", "printed", "reason"});
        QByteArray head;
        for (int i = 0; i < 4; ++i)
            head += catalogLine(records().at(i));
        QTest::newRow("index too long") << head + "123456\t/data/x\t1\r\n" + head << 4 << "line 5: The value for field 'Index'";
        QTest::newRow("lone quote") << head + "1\t\"\t3\r\n" << 4 << "line 5: Invalid procedure call";
        QTest::newRow("size too long") << head + "1\tdata\t" + QByteArray(31, '1') + "\n" << 4 << "line 5";
        QTest::newRow("heading line") << "Index\tName\tSize\r\n" + head << 0 << "Incorrect Format";
        QTest::newRow("empty file") << QByteArray() << 0 << "Previously created file is of incorrect format";
        // Many stretches read side by side, lines ended by CR LF, LF and CR crossing their
        // edges everywhere, and the stop far in.
        QByteArray big;
        const char* const ends[] = {"\r\n", "\n", "\r"};
        for (int i = 0; i < 300000; ++i)
            big += (i == 190000 ? QByteArray("1234567") : QByteArray::number(i % 7)) + "\t/big/f" + QByteArray::number(i) + ".txt\t"
                   + QByteArray::number(i) + ends[i % 3 == 0 ? 0 : i % 7 == 1 ? 2 : 1];
        QTest::newRow("large, mixed line ends") << big << 190000 << "line 190001";
    }

    void brokenCatalogs()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, printed);
        QFETCH(QString, reason);
        const QString path = write(QStringLiteral("broken.txt"), content);
        const Result result = cli({"search", path});
        QCOMPARE(result.status, 2);
        QCOMPARE(result.out.count('\n'), printed);
        const QStringList wanted = QString::fromLatin1(content).split(QRegularExpression("\r\n|\r|\n")).mid(0, printed);
        QCOMPARE(result.out, printed ? wanted.join('\n').toLatin1() + '\n' : QByteArray());
        QVERIFY2(result.err.contains(reason.toUtf8()), result.err.constData());
        const Result counted = cli({"search", path, "--count", "f1"});
        QCOMPARE(counted.status, 2);
    }

    // One row per index value, from the same description of the catalog.
    void disks()
    {
        QMap<qint64, QPair<int, qint64>> byDisk; // files, bytes; sizes that are no number add 0
        for (const Record& r : records()) {
            ++byDisk[number(r.index)].first;
            byDisk[number(r.index)].second += std::max<qint64>(number(r.size), 0);
        }
        QByteArray expected = "index\tlabel\tfiles\tbytes\tcaptured\tfree at capture\n";
        for (auto it = byDisk.cbegin(); it != byDisk.cend(); ++it)
            expected += QByteArray::number(it.key()) + "\t\t" + QByteArray::number(it.value().first) + '\t'
                        + QByteArray::number(it.value().second) + "\t\t\n";
        const Result result = cli({"disks", m_catalog});
        QCOMPARE(result.out, expected);
        QCOMPARE(result.status, 0);
        const Result broken = cli({"disks", write("disks.txt", catalogLine(records().at(0)) + "1234567\tx\t1\r\n")});
        QCOMPARE(broken.out, QByteArray("index\tlabel\tfiles\tbytes\tcaptured\tfree at capture\n1\t\t1\t48213\t\t\n"));
        QCOMPARE(broken.status, 2);
    }

    // Copies by name (letter case ignored) and size on another disk; a name's exact bytes
    // printed back; the summary on standard error.
    void copies_data()
    {
        addColumns<QStringList, QByteArray, QString, int>({"args", "out", "summary", "status"});
        const QByteArray movie = "2\t/b/Movie.mkv\t3000000\n3\t/c/old/Movie.mkv\t3000000\n";
        const QByteArray song = "1\t/a/x/Song.mp3\t5000\n1\t/a/y/Song.mp3\t5000\n3\t/c/Song.mp3\t5000\n";
        QTest::newRow("every group, most waste first")
            << QStringList{} << movie + '\n' + song + "\n1\t/a/Report.pdf\t1000\n2\t/b/report.PDF\t1000\n\n"
                                   "2\t/b/caf\xe9.txt\t20\n4\t/d/caf\xe9.txt\t20\n"
            << "4 groups of copies; the copies beyond one of each take 3011020 bytes" << 0;
        QTest::newRow("--min-size in 1024s") << QStringList{"--min-size", "4.8k"} << movie + '\n' + song
                                             << "2 groups of copies; the copies beyond one of each take 3010000 bytes" << 0;
        QTest::newRow("--min-size above every group") << QStringList{"--min-size=3M"} << QByteArray() << "0 groups" << 1;
        QTest::newRow("--only-on: no copy elsewhere")
            << QStringList{"--only-on", "1"} << QByteArray("1\t/a/Only.txt\t10\n1\t/a/song.mp3\t4999\n")
            << "2 files, 5009 bytes on disk 1 have no copy on another disk (of 5 files, 16009 bytes)\n"
               "disk 2: holds a copy of 1 of its files, 1000 bytes\n"
               "disk 3: holds a copy of 2 of its files, 10000 bytes\n"
               "disk 4: holds a copy of 0 of its files, 0 bytes" << 0;
        QTest::newRow("--only-on: twice on one disk is no copy")
            << QStringList{"--only-on=2"} << QByteArray("2\t/b/Tiny.txt\t7\n2\t/b/Tiny.txt\t7\n") << "2 files, 14 bytes" << 0;
        QTest::newRow("--only-on with --min-size") << QStringList{"--only-on", "2", "--min-size", "8"} << QByteArray()
                                                   << "0 files, 0 bytes on disk 2" << 1;
        QTest::newRow("--only-on: all copied") << QStringList{"--only-on", "3"} << QByteArray() << "0 files" << 1;
        QTest::newRow("--only-on an unknown disk") << QStringList{"--only-on", "9"} << QByteArray() << "index value 9" << 1;
        QTest::newRow("bad size") << QStringList{"--min-size", "4x"} << QByteArray() << "4x" << 2;
        QTest::newRow("unknown option") << QStringList{"--bogus"} << QByteArray() << "--bogus" << 2;
    }

    void copies()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, summary);
        const QString catalog = write("copies.txt", "1\t/a/Report.pdf\t1000\r\n2\t/b/report.PDF\t1000\r\n1\t/a/x/Song.mp3\t5000\r\n"
                                                    "1\t/a/y/Song.mp3\t5000\r\n3\t/c/Song.mp3\t5000\r\n2\t/b/Movie.mkv\t3000000\r\n"
                                                    "3\t/c/old/Movie.mkv\t3000000\r\n1\t/a/Only.txt\t10\r\n1\t/a/song.mp3\t4999\r\n"
                                                    "2\t/b/Tiny.txt\t7\r\n2\t/b/Tiny.txt\t7\r\n4\t/d/caf\xe9.txt\t20\r\n"
                                                    "2\t/b/caf\xe9.txt\t20\r\n");
        const Result result = cli(QStringList{"copies", catalog} + args);
        QTEST(result.out, "out");
        QTEST(result.status, "status");
        QVERIFY2(result.err.contains(summary.toUtf8()), result.err.constData());
        QCOMPARE(cli({"copies", write("notes.txt", "not a catalog\r\n")}).status, 2);
    }

    // Byte for byte what the walker writes on the lists without a window, the same reports,
    // and what the tree's description predicts with the index value a new window starts with.
    void captureAsTheWalker()
    {
        const TreeFolder tree = awkwardTree();
        const QString root = m_dir.filePath(QStringLiteral("awkward"));
        QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
        const QString walked = m_dir.filePath(QStringLiteral("walked.txt"));
        QStringList reports;
        {
            HeadlessLists lists;
            FileChannel channel;
            QVERIFY(channel.open(walked, FileChannel::Mode::Output));
            CaptureSession session(channel);
            session.index = QStringLiteral("7");
            session.sink.begin(walked);
            WalkContext context{&lists, &session, [&](const QString& text) { reports.append(text); }};
            QVERIFY(lists.setFolderPath(root, nullptr));
            DirectoryWalker(context).walk(lists.folderPath());
            QVERIFY(channel.close());
        }
        const QString captured = m_dir.filePath(QStringLiteral("captured.txt"));
        const Result result = cli({"capture", "--index", "7", root, captured});
        QCOMPARE(readAll(captured), readAll(walked));
        QCOMPARE(result.status, 1); // done, with reports
        QStringList shown;
        for (const QString& report : reports)
            shown.append("vellumark-cli: " + report);
        QCOMPARE(QString::fromUtf8(result.err).split('\n', Qt::SkipEmptyParts), shown);

        // The capture's line in the side file, as the window writes it, and a label given there.
        QString error;
        QVERIFY2(updateDiskFacts(captured, "7", [](DiskFacts& facts) { facts.label = "Backup\tA"; }, &error),
                 qPrintable(error));
        const QList<QByteArray> row = cli({"disks", captured}).out.split('\n').value(1).split('\t');
        QCOMPARE(row.mid(0, 4), (QList<QByteArray>{"7", "Backup\\tA", QByteArray::number(readAll(walked).count('\n')),
                                                   QByteArray::number(expectedBytes(readAll(walked)))}));
        QVERIFY(QDateTime::fromString(QString::fromLatin1(row.value(4)), Qt::ISODateWithMs).isValid());
        QVERIFY(row.value(5).toLongLong() > 0);

        const TreeFolder plain = generatedTree(1500, 40, 3);
        const QString plainRoot = m_dir.filePath(QStringLiteral("plain"));
        QVERIFY(QDir().mkpath(plainRoot) && writeTree(plain, plainRoot));
        const QString defaulted = m_dir.filePath(QStringLiteral("defaulted.txt"));
        QCOMPARE(cli({"capture", plainRoot, defaulted}).status, 0);
        QCOMPARE(readAll(defaulted), expectedCatalog(plain, plainRoot, "1"));
        removeTree(root);
    }

    void captureRefusals_data()
    {
        // catalog: "old" holds a line already, "new" does not exist, "fifo" is a pipe, "dir"
        // a folder; after: what the catalog holds afterwards ("" missing)
        addColumns<QStringList, QString, int, QByteArray>({"options", "catalog", "status", "after"});
        const QByteArray old = "9\t/old\t1\r\n", fresh = "3\tROOT/f\t2\r\n";
        QTest::newRow("existing refused") << QStringList{"--index", "3"} << "old" << 2 << old;
        QTest::newRow("--append") << QStringList{"--index", "3", "--append"} << "old" << 0 << old + fresh;
        QTest::newRow("--overwrite") << QStringList{"--overwrite", "--index", "3"} << "old" << 0 << fresh;
        QTest::newRow("both") << QStringList{"--append", "--overwrite"} << "old" << 2 << old;
        QTest::newRow("index too long") << QStringList{"--index", "123456"} << "new" << 2 << QByteArray();
        QTest::newRow("index with a blank") << QStringList{"--index", "3 "} << "new" << 2 << QByteArray();
        QTest::newRow("a pipe as catalog") << QStringList{"--overwrite"} << "fifo" << 2 << QByteArray();
        QTest::newRow("a folder as catalog") << QStringList{"--overwrite"} << "dir" << 2 << QByteArray();
    }

    void captureRefusals()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, catalog);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        QVERIFY(writeTree(treeOf({{"root/f", "ab"}}), dir.path()));
        const QString path = dir.filePath(catalog);
        if (catalog == "old")
            write(path, "9\t/old\t1\r\n");
        if (catalog == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        if (catalog == "dir")
            QVERIFY(QDir().mkpath(path));
        const Result result = cli(QStringList{"capture"} + options + QStringList{root, path});
        QTEST(result.status, "status");
        if (result.status == 2)
            QVERIFY(!result.err.isEmpty());
        if (catalog == "fifo" || catalog == "dir") // still what it was; never opened
            QVERIFY(QFileInfo(path).isDir() || QFileInfo(path).isFile() == false);
        else
            QCOMPARE(readAll(path), QByteArray(after).replace("ROOT", root.toUtf8()));
    }

    // A disk that fills up: the catalog holds whole lines only, the reason is shown, exit 2.
    void captureDiskFull()
    {
        const TreeFolder tree = generatedTree(3000, 50, 4);
        const QString root = m_dir.filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(root) && writeTree(tree, root));
        const QString catalog = m_dir.filePath(QStringLiteral("full.txt"));
        const Result result = cli({"capture", root, catalog}, [] {
            const rlimit limit{40000, 40000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
        });
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.contains(qPrintable(QString::fromLocal8Bit(std::strerror(EFBIG)))), result.err.constData());
        const QByteArray written = readAll(catalog);
        QVERIFY(written.size() > 0 && written.size() <= 40000 && written.endsWith("\r\n"));
        QVERIFY(expectedCatalog(tree, root, "1").startsWith(written));
        removeTree(root);
    }

    // A headless server has Qt Core and no display libraries.
    void linksQtCoreOnly()
    {
        QProcess readelf;
        readelf.start(QStringLiteral("readelf"), {"-d", QStringLiteral(VELLUMARK_CLI_PATH)});
        QVERIFY(readelf.waitForFinished());
        const QByteArray needed = readelf.readAllStandardOutput();
        QVERIFY(needed.contains("libQt6Core.so"));
        for (const char* library : {"libQt6Gui", "libQt6Widgets", "libX11", "libxcb", "libGL"})
            QVERIFY2(!needed.contains(library), library);
        for (const char* command : {"capture", "search", "disks", "copies"}) {
            const Result help = cli({command, "--help"});
            QCOMPARE(help.status, 0);
            QVERIFY(help.out.startsWith(QByteArray("Usage: vellumark-cli ") + command));
        }
    }

private:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = QFileInfo(name).isAbsolute() ? name : m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;
    QString m_catalog;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
