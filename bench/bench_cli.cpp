// vellumark-cli against the standard tools, process against process on the same file with a
// warm cache: search --count beside grep -F -i -c, search printing beside grep -F -i (to
// /dev/null and through a pipe), at 1 and 10 million records, for a rare, a common and a
// non-ASCII text, with the search's peak memory; capture beside find -printf on the 100,000-
// and 1,000,000-file trees; and plocate -i -c on an index of the same tree, when it is there.
#include "Bench.h"
#include "CaptureTreeData.h"
#include "CatalogData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1String("'"), QLatin1String("'\\''"))
           + QLatin1Char('\'');
}

QString cli()
{
    return quoted(QStringLiteral(VELLUMARK_CLI_PATH));
}

double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Best wall time of runs, and the processor time of one run on average.
struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
    QByteArray output;
};

Timing timeCommand(const QString& command, int runs = 3)
{
    Timing t;
    const double before = childCpuMs();
    t.wallMs = Bench::timeCommandMs(command, runs, &t.output);
    t.cpuMs = (childCpuMs() - before) / runs;
    return t;
}

void verdict(const QString& target, bool met)
{
    Bench::printLine(QStringLiteral("  target %1: %2").arg(target, met ? "met" : "MISSED"));
}

// Peak resident memory of one run of a command line, in MB (GNU time's maximum RSS).
double peakMb(const QString& command)
{
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("rss"));
    Bench::timeCommandMs(QStringLiteral("/usr/bin/time -f %M -o %1 %2").arg(report, command), 1);
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().trimmed().split('\n').last().toDouble() / 1024.0;
}

int searchRows(int records)
{
    int status = 0;
    const QString path = ensureCatalog(records);
    const QString file = quoted(path);
    Bench::timeCommandMs(QStringLiteral("cat %1 > /dev/null").arg(file), 1);
    const double fileMb = QFileInfo(path).size() / 1e6;
    Bench::printLine(QStringLiteral("vellumark-cli search, %1 records: %2 (%3 MB)")
                         .arg(records).arg(path).arg(fileMb, 0, 'f', 1));
    const QList<QPair<QString, QString>> texts{{"rare", CatalogData::kRareText},
                                               {"common", CatalogData::kCommonText},
                                               {"non-ASCII", QStringLiteral("ZÜRICH")}};
    for (const auto& [kind, text] : texts) {
        const QString t = quoted(text);
        const Timing ours = timeCommand(QStringLiteral("%1 search %2 %3 --count").arg(cli(), file, t));
        const Timing grep = timeCommand(QStringLiteral("grep -F -i -c %1 %2").arg(t, file));
        const qint64 found = ours.output.trimmed().toLongLong();
        const qint64 lines = grep.output.trimmed().toLongLong();
        Bench::printRow(QStringLiteral("search --count, %1 %2 (%3)").arg(kind, text).arg(found),
                        ours.wallMs, "ms", QStringLiteral("grep -F -i -c (%1)").arg(lines), grep.wallMs);
        Bench::printLine(QStringLiteral("  processor time per run: %1 ms, grep %2 ms")
                             .arg(ours.cpuMs, 0, 'f', 1).arg(grep.cpuMs, 0, 'f', 1));
        verdict(QStringLiteral("at most 1.0x grep, same count"), ours.wallMs <= grep.wallMs && found == lines);
        if (found != lines)
            status = 1;

        const Timing printed = timeCommand(QStringLiteral("%1 search %2 %3 > /dev/null").arg(cli(), file, t));
        const Timing grepPrinted = timeCommand(QStringLiteral("grep -F -i %1 %2 > /dev/null").arg(t, file));
        Bench::printRow(QStringLiteral("search printing > /dev/null, %1").arg(kind), printed.wallMs,
                        "ms", QStringLiteral("grep -F -i > /dev/null"), grepPrinted.wallMs);
        verdict(QStringLiteral("at most 1.0x grep (grep stops at its first match here)"),
                printed.wallMs <= grepPrinted.wallMs);
        const Timing piped = timeCommand(QStringLiteral("%1 search %2 %3 | wc -c").arg(cli(), file, t));
        const Timing grepPiped = timeCommand(QStringLiteral("grep -F -i %1 %2 | wc -c").arg(t, file));
        Bench::printRow(QStringLiteral("search printing | wc -c, %1 (%2 bytes)")
                            .arg(kind, QString::fromLatin1(piped.output.trimmed())),
                        piped.wallMs, "ms",
                        QStringLiteral("grep -F -i | wc -c (%1 bytes)").arg(QString::fromLatin1(grepPiped.output.trimmed())),
                        grepPiped.wallMs);
        verdict(QStringLiteral("at most 1.0x grep, every line written"), piped.wallMs <= grepPiped.wallMs);
    }
    const double peak = peakMb(QStringLiteral("%1 search %2 %3 | cat > /dev/null")
                                   .arg(cli(), file, quoted(CatalogData::kCommonText)));
    Bench::printLine(QStringLiteral("  peak memory of a printing search: %1 MB for a %2 MB file (%3x)")
                         .arg(peak, 0, 'f', 1).arg(fileMb, 0, 'f', 1).arg(peak / fileMb, 0, 'f', 3));
    verdict(QStringLiteral("peak memory well under the file (at most 0.25x)"), peak > 0 && peak <= fileMb / 4);
    return status;
}

int captureRows(int files, const QString& plocate)
{
    const QString root = ensureCaptureTree(files);
    if (root.isEmpty())
        return 1;
    const QString catalog = Bench::dataDir() + QStringLiteral("/cli-capture-%1.txt").arg(files);
    const QString find = QStringLiteral("find %1 -type f -printf '%p\\t%s\\n' > /dev/null").arg(quoted(root));
    const QString ours = QStringLiteral("%1 capture --overwrite %2 %3").arg(cli(), quoted(root), quoted(catalog));
    Bench::timeCommandMs(find, 1);
    const int runs = files >= 1000000 ? 2 : 3;
    const Timing capture = timeCommand(ours, runs);
    const Timing tool = timeCommand(find, runs);
    QByteArray counted;
    Bench::timeCommandMs(QStringLiteral("wc -l < %1").arg(quoted(catalog)), 1, &counted);
    const qint64 lines = counted.trimmed().toLongLong();
    Bench::printRow(QStringLiteral("vellumark-cli capture, %1 files (%2 lines)").arg(files).arg(lines),
                    capture.wallMs, "ms", QStringLiteral("find -printf '%p\\t%s\\n'"), tool.wallMs);
    Bench::printLine(QStringLiteral("  processor time per run: %1 ms, find %2 ms")
                         .arg(capture.cpuMs, 0, 'f', 1).arg(tool.cpuMs, 0, 'f', 1));
    verdict(QStringLiteral("at most 1.0x find, every file"), capture.wallMs <= tool.wallMs && lines == files);

    if (plocate.isEmpty()) {
        Bench::printLine(QStringLiteral("  plocate: not installed, row skipped (apt-get install plocate)"));
        return lines == files ? 0 : 1;
    }
    const QString db = Bench::dataDir() + QStringLiteral("/plocate-%1.db").arg(files);
    const double built = Bench::timeCommandMs(
        QStringLiteral("updatedb -l 0 -o %1 -U %2").arg(quoted(db), quoted(root)), 1);
    Bench::printLine(QStringLiteral("  updatedb over the tree: %1 ms").arg(built, 0, 'f', 1));
    for (const QString& text : {QStringLiteral("FILE-12345."), QStringLiteral("folder3")}) {
        const Timing search = timeCommand(QStringLiteral("%1 search %2 %3 --count").arg(cli(), quoted(catalog), quoted(text)));
        const Timing locate = timeCommand(QStringLiteral("%1 -d %2 -i -c %3").arg(plocate, quoted(db), quoted(text)));
        Bench::printRow(QStringLiteral("search --count %1 (%2)").arg(text, QString::fromLatin1(search.output.trimmed())),
                        search.wallMs, "ms",
                        QStringLiteral("plocate -i -c (%1)").arg(QString::fromLatin1(locate.output.trimmed())),
                        locate.wallMs);
    }
    Bench::printLine(QStringLiteral("  (plocate answers from its index; no target. Its count takes folders too.)"));
    return lines == files ? 0 : 1;
}

int benchCli(const QStringList& args)
{
    const QString which = args.value(0);
    int status = 0;
    if (which.isEmpty() || which == QLatin1String("search")) {
        status |= searchRows(1000000);
        status |= searchRows(10000000);
    }
    if (which.isEmpty() || which == QLatin1String("capture")) {
        const QString plocate = QStandardPaths::findExecutable(QStringLiteral("plocate"));
        const bool updatedb = !QStandardPaths::findExecutable(QStringLiteral("updatedb")).isEmpty();
        status |= captureRows(100000, updatedb ? plocate : QString());
        status |= captureRows(1000000, updatedb ? plocate : QString());
    }
    return status;
}

} // namespace

VELLUMARK_BENCH("cli", 70, benchCli);
