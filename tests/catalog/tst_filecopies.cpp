// Copies across disks (same file name, letter case aside, and same size on another index
// value), checked against a brute-force reading of the same catalog lines that compares every
// pair of records with QString and knows nothing of keys, hashes or buckets.
#include "capture/walker/CaptureSession.h"
#include "capture/walker/DirectoryWalker.h"
#include "capture/walker/HeadlessLists.h"
#include "catalog/CatalogReader.h"
#include "catalog/CatalogTable.h"
#include "catalog/FileCopies.h"
#include "platform/core/FileChannel.h"
#include "support/CaptureTree.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QtTest>

#include <map>
#include <set>

namespace {

// One catalog line as the brute force reads it.
struct Line
{
    QByteArray index, name, size; // name: the bytes after the last separator
    QString fullName;             // as the table holds it
    bool utf8 = true;
};

QByteArray unquoted(QByteArray field)
{
    return field.startsWith('"') ? field.chopped(1).mid(1) : field;
}

std::vector<Line> linesOf(const QByteArray& catalog, const CatalogTable& table)
{
    std::vector<Line> lines;
    qint64 r = 0;
    for (const QByteArray& raw : catalog.split('\n')) {
        const QByteArray text = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (text.isEmpty())
            continue;
        const QList<QByteArray> fields = text.split('\t');
        Line line;
        line.index = unquoted(fields[0]);
        const QByteArray full = unquoted(fields[1]);
        line.name = full.mid(std::max(full.lastIndexOf('/'), full.lastIndexOf('\\')) + 1);
        line.size = unquoted(fields[2]);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)QString(decoder(line.name));
        line.utf8 = !decoder.hasError();
        line.fullName = table.valueAt(r++, 1);
        lines.push_back(line);
    }
    return lines;
}

bool copies(const Line& a, const Line& b)
{
    if (a.size != b.size)
        return false;
    if (a.utf8 && b.utf8)
        return QString::fromUtf8(a.name).compare(QString::fromUtf8(b.name), Qt::CaseInsensitive) == 0;
    return a.name == b.name;
}

qint64 bytes(const Line& line)
{
    bool ok = false;
    const qint64 value = line.size.toLongLong(&ok);
    return ok ? value : 0;
}

QString folderOf(const QString& fullName)
{
    return fullName.left(std::max(fullName.lastIndexOf('/'), fullName.lastIndexOf('\\')));
}

// Checks all three answers for every record and every disk against the brute force.
void checkAnswers(const CatalogTable& table, const std::vector<Line>& lines)
{
    const qint64 n = qint64(lines.size());
    QCOMPARE(table.totalRecordCount(), n);
    std::set<QByteArray> disks;
    for (const Line& line : lines)
        disks.insert(line.index);

    for (qint64 r = 0; r < n; ++r) {
        std::vector<qint64> expected;
        for (qint64 s = 0; s < n; ++s) {
            if (lines[s].index != lines[r].index && copies(lines[r], lines[s]))
                expected.push_back(s);
        }
        QCOMPARE(FileCopies::otherCopies(table, r).records, expected);
    }

    for (const QByteArray& disk : disks) {
        std::map<QByteArray, std::pair<qint64, qint64>> folders, shares; // files, bytes
        qint64 atRisk = 0, files = 0;
        for (qint64 r = 0; r < n; ++r) {
            if (lines[r].index != disk)
                continue;
            ++files;
            std::set<QByteArray> elsewhere;
            for (qint64 s = 0; s < n; ++s) {
                if (lines[s].index != disk && copies(lines[r], lines[s]))
                    elsewhere.insert(lines[s].index);
            }
            for (const QByteArray& other : elsewhere) {
                shares[other].first += 1;
                shares[other].second += bytes(lines[r]);
            }
            if (elsewhere.empty()) {
                ++atRisk;
                auto& folder = folders[folderOf(lines[r].fullName).toUtf8()];
                folder.first += 1;
                folder.second += bytes(lines[r]);
            }
        }
        const OnlyOnDisk only = FileCopies::onlyOnDisk(table, QString::fromUtf8(disk));
        QCOMPARE(only.disk.files, files);
        QCOMPARE(only.atRisk.files, atRisk);
        QCOMPARE(qint64(only.records.size()), atRisk);
        QCOMPARE(only.folders.size(), folders.size());
        auto folder = folders.begin();
        for (const FolderAtRisk& got : only.folders) {
            QCOMPARE(got.folder.toUtf8(), folder->first);
            QCOMPARE(std::make_pair(got.count, got.bytes), folder->second);
            for (qint64 i = got.first; i < got.first + got.count; ++i)
                QCOMPARE(folderOf(table.valueAt(only.records[size_t(i)], 1)).toUtf8(), folder->first);
            ++folder;
        }
        QCOMPARE(only.copiesOn.size(), disks.size() - 1);
        for (const DiskShare& share : only.copiesOn) {
            const auto expected = shares[share.index.toUtf8()];
            QCOMPARE(std::make_pair(share.files, share.bytes), expected);
        }
    }

    // Duplicates: classes of copies over the whole catalog, on two disks or more.
    for (const DuplicateFilter& filter :
         {DuplicateFilter{}, DuplicateFilter{6, QString()},
          DuplicateFilter{0, disks.empty() ? QString() : QString::fromUtf8(*disks.begin())}}) {
        std::vector<bool> taken(static_cast<size_t>(n));
        std::vector<std::pair<qint64, std::vector<qint64>>> groups; // waste, records
        qint64 totalWaste = 0;
        for (qint64 r = 0; r < n; ++r) {
            if (taken[size_t(r)])
                continue;
            std::vector<qint64> group;
            std::set<QByteArray> on;
            for (qint64 s = r; s < n; ++s) {
                if (copies(lines[r], lines[s])) {
                    taken[size_t(s)] = true;
                    group.push_back(s);
                    on.insert(lines[s].index);
                }
            }
            if (on.size() < 2 || bytes(lines[r]) < filter.minimumSize
                || (!filter.index.isEmpty() && !on.count(filter.index.toUtf8())))
                continue;
            const qint64 waste = bytes(lines[r]) * qint64(group.size() - 1);
            totalWaste += waste;
            groups.emplace_back(waste, group);
        }
        const Duplicates got = FileCopies::duplicates(table, filter);
        QCOMPARE(got.totalWaste, totalWaste);
        QCOMPARE(got.groups.size(), groups.size());
        for (size_t g = 0; g < groups.size(); ++g) {
            const DuplicateGroup& group = got.groups[g];
            if (g > 0)
                QVERIFY(got.groups[g - 1].waste >= group.waste);
            std::vector<qint64> records(got.records.begin() + group.first,
                                        got.records.begin() + group.first + group.count);
            std::sort(records.begin(), records.end());
            const auto match = std::find_if(groups.begin(), groups.end(),
                                            [&](const auto& e) { return e.second == records; });
            QVERIFY2(match != groups.end(), "a group the brute force does not know");
            QCOMPARE(group.waste, match->first);
        }
    }
}

CatalogTablePtr load(const QString& path)
{
    auto table = std::make_shared<CatalogTable>();
    FileChannel channel;
    QString error;
    if (!channel.open(path, FileChannel::Mode::Input, &error) || !readCatalog(channel, *table, &error))
        qWarning() << error;
    return table;
}

} // namespace

class TestFileCopies : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("catalog");
        QTest::newRow("same name, different size") << QByteArray("1\t/a/x.txt\t10\r\n2\t/b/x.txt\t11\r\n");
        QTest::newRow("same size, different name") << QByteArray("1\t/a/x.txt\t10\r\n2\t/b/y.txt\t10\r\n");
        QTest::newRow("case-only differences")
            << QByteArray("1\t/a/Photo.JPG\t5\r\n2\t/b/photo.jpg\t5\r\n3\t/c/PHOTO.jpg\t5\r\n"
                          "3\t/c/photo.jpeg\t5\r\n");
        QTest::newRow("non-ASCII names")
            << QByteArray("1\t/a/\xc3\x84rger.txt\t7\r\n2\t/b/\xc3\xa4rger.TXT\t7\r\n"
                          "3\t/c/\xc3\x84RGER.txt\t8\r\n1\t/a/\xe2\x84\xaa" "elvin\t4\r\n"
                          "2\t/b/kelvin\t4\r\n3\t/c/Stra\xc3\x9f" "e\t9\r\n1\t/d/STRA\xe1\xba\x9e" "E\t9\r\n"
                          "2\t/e/\xf0\x90\x90\x80.txt\t3\r\n3\t/f/\xf0\x90\x90\xa8.txt\t3\r\n"
                          "1\t/g/strasse\t9\r\n");
        QTest::newRow("same file twice on one disk")
            << QByteArray("1\t/a/x\t5\r\n1\t/b/X\t5\r\n2\t/c/y\t6\r\n2\t/d/y\t6\r\n3\t/e/y\t6\r\n");
        QTest::newRow("names not valid UTF-8")
            << QByteArray("1\t/a/caf\xe9\t5\r\n2\t/b/CAF\xc9\t5\r\n2\t/c/caf\xe9\t5\r\n"
                          "3\t/d/caf\xc3\xa9\t5\r\n3\t/e/\x81\x8d\t2\r\n1\t/f/\x81\x8d\t2\r\n");
        QTest::newRow("quoted fields")
            << QByteArray("1\t\"/a/q.txt\"\t\"5\"\r\n2\t/b/Q.TXT\t5\r\n\"3\"\t\"/c/q.txt\"\t5\r\n");
        QTest::newRow("Windows separators")
            << QByteArray("1\tC:\\dir\\f.txt\t3\r\n2\t/x/F.txt\t3\r\n2\t/x/dir\\f.txt\t3\r\n");
        QTest::newRow("empty catalog") << QByteArray();
        QTest::newRow("one disk only")
            << QByteArray("4\t/a/x\t5\r\n4\t/a/y\t5\r\n4\t/b/x\t5\r\n4\t/b/c/z\t700\r\n");
        QTest::newRow("mixed sizes and folders")
            << QByteArray("1\t/m/a\t100\r\n1\t/m/b\t7\r\n1\t/n/a\t100\r\n2\t/o/A\t100\r\n"
                          "2\t/o/b\t8\r\n3\t/p/B\t7\r\n3\t/p/q/a\t100\r\n3\t/m/c\t1\r\n");
    }
    void answers()
    {
        QFETCH(QByteArray, catalog);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace('/', '_'));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(catalog) == catalog.size());
        file.close();
        const CatalogTablePtr table = load(path);
        checkAnswers(*table, linesOf(catalog, *table));
    }

    // Enough records for the work to be split over threads and buckets: many names repeat on
    // several disks, with sizes that sometimes differ.
    void generatedCatalog()
    {
        QByteArray catalog;
        quint32 seed = 7;
        auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
        const char* stems[] = {"report", "Photo", "song", "\xc3\x84rger", "notes", "Clip"};
        for (int r = 0; r < 300000; ++r) {
            const int disk = int(next() % 6) + 1, stem = int(next() % 6), number = int(next() % 20000);
            const QByteArray name = QByteArray(stems[stem]) + QByteArray::number(number)
                                    + (next() % 2 ? ".dat" : ".DAT");
            catalog += QByteArray::number(disk) + "\t/d" + QByteArray::number(disk) + "/f"
                       + QByteArray::number(number % 7) + "/" + name + "\t"
                       + QByteArray::number(number % 3 + (next() % 50 == 0)) + "\r\n";
        }
        const QString path = m_dir.filePath(QStringLiteral("generated.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(catalog) == catalog.size());
        file.close();
        const CatalogTablePtr table = load(path);
        // The brute force per pair is too slow here: the same classes through a map keyed by
        // QString's own case folding (the names hold no letter whose folding QString treats
        // specially).
        const std::vector<Line> lines = linesOf(catalog, *table);
        std::map<std::pair<QString, QByteArray>, std::set<QByteArray>> disksOf;
        for (const Line& line : lines)
            disksOf[{QString::fromUtf8(line.name).toCaseFolded(), line.size}].insert(line.index);
        qint64 expectedGroups = 0, atRiskOn1 = 0;
        for (const auto& [key, on] : disksOf)
            expectedGroups += on.size() >= 2;
        for (const Line& line : lines)
            atRiskOn1 += line.index == "1"
                         && disksOf[{QString::fromUtf8(line.name).toCaseFolded(), line.size}].size() == 1;
        std::vector<int> seen;
        CopySearchControl control;
        control.progress = [&](int percent) { seen.push_back(percent); };
        const Duplicates duplicates = FileCopies::duplicates(*table, {}, control);
        QCOMPARE(qint64(duplicates.groups.size()), expectedGroups);
        QVERIFY(!seen.empty() && seen.back() == 100);
        QCOMPARE(FileCopies::onlyOnDisk(*table, QStringLiteral("1")).atRisk.files, atRiskOn1);
    }

    void cancelled()
    {
        CatalogTable table;
        table.appendRecord("1", "/a/x", "5");
        table.appendRecord("2", "/b/x", "5");
        CopySearchControl control;
        control.cancelled = [] { return true; };
        const Duplicates duplicates = FileCopies::duplicates(table, {}, control);
        QVERIFY(duplicates.cancelled && duplicates.groups.empty());
        QVERIFY(FileCopies::onlyOnDisk(table, QStringLiteral("1"), control).cancelled);
        const OtherCopies other = FileCopies::otherCopies(table, 0, control);
        QVERIFY(other.cancelled && other.records.empty());
        QCOMPARE(FileCopies::otherCopies(table, 0).records, std::vector<qint64>{1});
    }

    // Three changed copies of one tree, each captured with its own index value into one
    // catalog, as a user backs up a disk twice and changes the copies.
    void threeCapturedCopies()
    {
        const TreeFolder original = generatedTree(120, 9, 3);
        QList<QPair<QString, QByteArray>> second, third;
        int i = 0;
        std::function<void(const TreeFolder&, const QString&)> flatten =
            [&](const TreeFolder& folder, const QString& prefix) {
                for (const auto& file : folder.files) {
                    const QString path = prefix + file.first;
                    ++i;
                    if (i % 5 != 0) // the second copy lost every fifth file
                        second.append({i % 7 == 0 ? path.toUpper() : path, file.second});
                    // The third: every third file renamed, every fourth resized.
                    third.append({i % 3 == 0 ? path + QStringLiteral(".old") : path,
                                  i % 4 == 0 ? file.second + "x" : file.second});
                }
                for (const TreeFolder& sub : folder.folders)
                    flatten(sub, prefix + sub.name + QLatin1Char('/'));
            };
        flatten(original, QString());
        const QString catalog = m_dir.filePath(QStringLiteral("three.txt"));
        const QList<TreeFolder> trees = {original, treeOf(second), treeOf(third)};
        for (int copy = 0; copy < 3; ++copy) {
            const QString root = m_dir.filePath(QStringLiteral("copy%1").arg(copy + 1));
            QVERIFY(QDir().mkpath(root) && writeTree(trees[copy], root));
            FileChannel channel;
            HeadlessLists lists;
            CaptureSession session(channel);
            session.index = QString::number(copy + 1);
            WalkContext context{&lists, &session, [](const QString& text) { qWarning() << text; }};
            QString error;
            session.sink.begin(catalog);
            QVERIFY(channel.open(catalog, FileChannel::Mode::Append, &error));
            QVERIFY(lists.setFolderPath(root, &error));
            DirectoryWalker(context).walk(root);
            QVERIFY(channel.close(&error));
        }
        const CatalogTablePtr table = load(catalog);
        QVERIFY(table->totalRecordCount() > 250);
        checkAnswers(*table, linesOf(readAll(catalog), *table));
    }
};

QTEST_GUILESS_MAIN(TestFileCopies)
#include "tst_filecopies.moc"
