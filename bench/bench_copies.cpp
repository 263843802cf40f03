// Copies across disks on a catalog of 10,000,000 records over 50 disks (or as many as asked:
// `copies 2000000`): the duplicates of the whole catalog and what only one disk holds, each
// with the memory it takes beyond the loaded catalog, beside `sort | uniq -d` over the same
// records' "name TAB size" lines in the same run.
#include "Bench.h"

#include "catalog/CatalogReader.h"
#include "catalog/CatalogTable.h"
#include "catalog/CopyKey.h"
#include "catalog/FileCopies.h"
#include "platform/core/FileChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <ctime>

#include <sys/resource.h>

namespace {

constexpr int kDisks = 50;

// Backups as people keep them: most of a disk's files were copied from a common pool (some
// renamed in letter case only, some resized), the rest are its own; paths about 90 bytes.
QString ensureCopiesCatalog(qint64 records)
{
    const QString path = QDir(Bench::dataDir())
                             .filePath(QStringLiteral("copies-%1-%2disks.txt").arg(records).arg(kDisks));
    if (QFileInfo(path).size() > 0)
        return path;
    const char* words[] = {"report", "Holiday", "invoice", "scan", "Track", "draft", "photo",
                           "backup", "notes", "Clip", "budget", "letter", "Stra\xc3\x9f" "e", "song"};
    const char* exts[] = {".pdf", ".JPG", ".docx", ".mp3", ".txt", ".mkv", ".png", ".xlsx"};
    const char* tops[] = {"Projects", "Photos", "Music", "Documents", "Video", "Archive"};
    quint64 seed = 0x2545F4914F6CDD1DULL;
    auto next = [&] {
        seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
        return seed;
    };
    const qint64 pool = std::max<qint64>(records / 10, 1000);
    QFile file(path + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray block;
    const qint64 perDisk = records / kDisks;
    for (int disk = 1; disk <= kDisks; ++disk) {
        const qint64 count = disk == kDisks ? records - perDisk * (kDisks - 1) : perDisk;
        for (qint64 i = 0; i < count; ++i) {
            const quint64 pick = next();
            const bool shared = pick % 10 < 7;
            // A pooled file is the same item on every disk that holds it.
            quint64 item = shared ? (pick >> 8) % quint64(pool) : pick >> 4;
            const quint64 look = item * 0x9E3779B97F4A7C15ULL;
            QByteArray name = QByteArray(words[look % 14]) + '-' + QByteArray::number((look >> 8) % 100000)
                              + exts[(look >> 30) % 8];
            if (shared && (pick >> 40) % 10 == 0)
                name = name.toUpper();
            qint64 size = qint64((look >> 20) % (1ULL << ((look >> 50) % 31 + 1)));
            if (shared && (pick >> 44) % 20 == 0)
                size += 1;
            block += QByteArray::number(disk) + "\t/media/backup" + QByteArray::number(disk) + '/'
                     + tops[(look >> 12) % 6] + "/Client-" + QByteArray::number((look >> 16) % 300)
                     + '/' + QByteArray::number(2000 + (look >> 24) % 25) + "/Folder-"
                     + QByteArray::number((look >> 36) % 50) + '/' + name + '\t'
                     + QByteArray::number(size) + "\r\n";
            if (block.size() > (8 << 20)) {
                file.write(block);
                block.clear();
            }
        }
    }
    file.write(block);
    file.close();
    QFile::remove(path);
    return QFile::rename(path + QStringLiteral(".part"), path) ? path : QString();
}

qint64 currentRss()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Lets the peak figure (VmHWM) start again from the present.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Processor time of this process, or of its finished children, in ms.
double processorMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void printTarget(const QString& what, bool met)
{
    Bench::printLine(QStringLiteral("  target %1: %2").arg(what, met ? QStringLiteral("met") : QStringLiteral("MISSED")));
}

int benchCopies(const QStringList& args)
{
    const qint64 records = args.value(0).isEmpty() ? 10000000 : args.value(0).toLongLong();
    const QString path = ensureCopiesCatalog(records);
    if (path.isEmpty()) {
        std::fprintf(stderr, "cannot write the copies catalog\n");
        return 1;
    }
    CatalogTable table;
    {
        FileChannel channel;
        QString error;
        if (!channel.open(path, FileChannel::Mode::Input, &error) || !readCatalog(channel, table, &error)) {
            std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(path), qPrintable(error));
            return 1;
        }
    }
    const double fileMb = QFileInfo(path).size() / 1e6;
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        Bench::printLine(QStringLiteral("machine load (1, 5, 15 min): %1")
                             .arg(QString::fromLatin1(loadAverage.readAll().split(' ').mid(0, 3).join(", "))));
    Bench::printLine(QStringLiteral("catalog: %1 (%2 MB, %3 records, %4 disks)")
                         .arg(path)
                         .arg(fileMb, 0, 'f', 1)
                         .arg(table.totalRecordCount())
                         .arg(kDisks));

    // The standard tool's input: the same records as "name TAB size" (not timed).
    const QString names = path + QStringLiteral(".names");
    if (QFileInfo(names).size() == 0) {
        QFile out(names);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block;
        for (qint64 r = 0; r < table.totalRecordCount(); ++r) {
            qsizetype n = 0, s = 0;
            const char* name = table.fieldData(r, 1, &n);
            const char* size = table.fieldData(r, 2, &s);
            block += CopyKey::fileNameOf(QByteArrayView(name, n)).toByteArray() + '\t'
                     + QByteArray(size, s) + '\n';
            if (block.size() > (8 << 20)) {
                out.write(block);
                block.clear();
            }
        }
        out.write(block);
    }
    QByteArray toolOutput;
    const QString tool = QStringLiteral("LC_ALL=C sort -f -S 25%% --parallel=2 '%1' | LC_ALL=C uniq -d -i | wc -l")
                             .arg(names).replace(QLatin1String("%%"), QLatin1String("%"));
    const double toolCpu0 = processorMs(RUSAGE_CHILDREN);
    const double toolMs = Bench::timeCommandMs(tool, 1, &toolOutput);
    const double toolCpu = processorMs(RUSAGE_CHILDREN) - toolCpu0;
    const QString toolLabel = QStringLiteral("sort -f | uniq -di (%1)").arg(toolOutput.trimmed().toLongLong());

    // Ours: best of two, the memory from a peak started afresh before each.
    Duplicates duplicates;
    qint64 extraDuplicates = 0;
    double duplicatesCpu = 1e300;
    const double duplicatesMs = Bench::timeMs(
        [&] {
            const double cpu0 = processorMs(RUSAGE_SELF);
            duplicates = Duplicates();
            const qint64 before = currentRss();
            resetPeak();
            duplicates = FileCopies::duplicates(table, {});
            duplicatesCpu = std::min(duplicatesCpu, processorMs(RUSAGE_SELF) - cpu0);
            extraDuplicates = std::max(extraDuplicates, Bench::peakRss() - before);
        },
        2);
    Bench::printRow(QStringLiteral("duplicates (%1 groups, %2 TB more than one copy)")
                        .arg(duplicates.groups.size())
                        .arg(duplicates.totalWaste / 1e12, 0, 'f', 1),
                    duplicatesMs, QStringLiteral("ms"), toolLabel, toolMs);
    duplicates = Duplicates();

    OnlyOnDisk only;
    qint64 extraOnly = 0;
    double onlyCpu = 1e300;
    const double onlyMs = Bench::timeMs(
        [&] {
            const double cpu0 = processorMs(RUSAGE_SELF);
            only = OnlyOnDisk();
            const qint64 before = currentRss();
            resetPeak();
            only = FileCopies::onlyOnDisk(table, QStringLiteral("7"));
            onlyCpu = std::min(onlyCpu, processorMs(RUSAGE_SELF) - cpu0);
            extraOnly = std::max(extraOnly, Bench::peakRss() - before);
        },
        2);
    Bench::printRow(QStringLiteral("only on disk 7 (%1 of %2 files)").arg(only.atRisk.files).arg(only.disk.files),
                    onlyMs, QStringLiteral("ms"), toolLabel, toolMs);

    OtherCopies other;
    const double otherMs = Bench::timeMs([&] { other = FileCopies::otherCopies(table, table.totalRecordCount() / 2); });
    Bench::printRow(QStringLiteral("other copies of one record (%1 found)").arg(other.records.size()), otherMs,
                    QStringLiteral("ms"), toolLabel, toolMs);

    // The machine is shared: processor time says what the work itself cost.
    Bench::printLine(QStringLiteral("  processor time: duplicates %1 ms, only on this disk %2 ms, the tool %3 ms")
                         .arg(duplicatesCpu, 0, 'f', 1)
                         .arg(onlyCpu, 0, 'f', 1)
                         .arg(toolCpu, 0, 'f', 1));
    Bench::printRow(QStringLiteral("extra memory, duplicates"), extraDuplicates / 1e6, QStringLiteral("MB"),
                    QStringLiteral("catalog file size"), fileMb);
    Bench::printRow(QStringLiteral("extra memory, only on this disk"), extraOnly / 1e6, QStringLiteral("MB"),
                    QStringLiteral("catalog file size"), fileMb);
    printTarget(QStringLiteral("duplicates under 3 s and faster than the tool"), duplicatesMs < 3000 && duplicatesMs < toolMs);
    printTarget(QStringLiteral("only on this disk under 3 s and faster than the tool"), onlyMs < 3000 && onlyMs < toolMs);
    printTarget(QStringLiteral("extra memory at most 0.5x the file"),
                std::max(extraDuplicates, extraOnly) / 1e6 <= 0.5 * fileMb);
    return 0;
}

} // namespace

VELLUMARK_BENCH("copies", 90, benchCopies);
