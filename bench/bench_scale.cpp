// The database window at 1, 5 and 10 million records: File > Open until the first rows and
// the record count are painted, the process's peak memory against the file's size, and a rare
// and a common file-name search, each size in a fresh process. wc -l and grep read the same
// files, so the growth of each figure can be set beside the tools'.
#include "Bench.h"
#include "CatalogData.h"
#include "SearchTiming.h"

#include "browser/BrowserActions.h"
#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "browser/SearchController.h"
#include "browser/SearchIndicator.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/WindowRegistry.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

#include <sys/mman.h>

static void initScaleResources()
{
    Q_INIT_RESOURCE(vellumark);
}

namespace {

QString quoted(const QString& path)
{
    return QLatin1Char('\'') + QString(path).replace(QLatin1String("'"), QLatin1String("'\\''"))
           + QLatin1Char('\'');
}

// In a fresh process: opens the catalog of args[0] records through File > Open, searches, and
// prints "open-ms rows peak-after-open rare-ms rare-count common-ms common-count peak".
int benchScaleChild(const QStringList& args)
{
    initScaleResources();
    const QString path = ensureCatalog(args.value(0).toInt());
    QStringList boxes;
    Dialogs::Answerer answerer;
    answerer.openFileName = [&](const Dialogs::FileRequest&) { return path; };
    answerer.message = [&](const Dialogs::Message& m) {
        boxes << m.text;
        return QMessageBox::Ok;
    };
    answerer.beep = [] {};
    Dialogs::setAnswerer(answerer);
    registerSearchIndicator(WindowRegistry::instance());
    int status = 0;
    {
        DatabaseWindow form;
        const BrowserActions actions = attachBrowserActions(form);
        form.show();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        form.findChild<QAction*>(QStringLiteral("mnuOpen"))->trigger();
        form.grab(); // the first rows and the count, painted
        const double openMs = clock.nsecsElapsed() / 1e6;
        const qint64 rows = form.gridModel()->rowCount();
        const qint64 peakOpen = Bench::peakRss();
        const SearchTime rare = timeSearch(form, *actions.search, false,
                                           QString::fromLatin1(CatalogData::kRareText));
        const SearchTime common = timeSearch(form, *actions.search, false,
                                             QString::fromLatin1(CatalogData::kCommonText));
        std::printf("%.1f %lld %lld %.1f %lld %.1f %lld %lld\n", openMs,
                    static_cast<long long>(rows), static_cast<long long>(peakOpen), rare.ms,
                    static_cast<long long>(rare.count), common.ms,
                    static_cast<long long>(common.count),
                    static_cast<long long>(Bench::peakRss()));
        if (!boxes.isEmpty()) {
            std::fprintf(stderr, "unexpected message: %s\n", qPrintable(boxes.join("; ")));
            status = 1;
        }
    }
    WindowRegistry::instance().reset();
    Dialogs::clearAnswerer();
    return status;
}

// Milliseconds to touch every page of bytes of fresh memory with large pages, as the loaded
// table's memory is: the least any program holding the records pays for their memory. On a
// virtual machine the first touch of memory the host has not backed yet can cost many times
// more than later ones.
double freshMemoryMs(qint64 bytes)
{
    void* memory = ::mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return -1;
    ::madvise(memory, size_t(bytes), MADV_HUGEPAGE);
    QElapsedTimer clock;
    clock.start();
    for (qint64 at = 0; at < bytes; at += 4096)
        static_cast<volatile char*>(memory)[at] = 1;
    const double ms = clock.nsecsElapsed() / 1e6;
    ::munmap(memory, size_t(bytes));
    return ms;
}

void verdict(const QString& what, bool met)
{
    Bench::printLine(QStringLiteral("  target %1: %2")
                         .arg(what, met ? QStringLiteral("met") : QStringLiteral("MISSED")));
}

int benchScale(const QStringList& args)
{
    QList<int> sizes;
    for (const QString& arg : args)
        sizes << arg.toInt();
    if (sizes.isEmpty())
        sizes = {1000000, 5000000, 10000000};
    int status = 0;
    const qint64 largest = qint64(*std::max_element(sizes.begin(), sizes.end())) * 125;
    for (int pass = 1; pass <= 2; ++pass) {
        const double ms = freshMemoryMs(largest);
        Bench::printLine(QStringLiteral("fresh memory, %1 MB (about the largest table), touch %2: %3 ms "
                                        "(%4 GB/s)")
                             .arg(largest / 1000000)
                             .arg(pass)
                             .arg(ms, 0, 'f', 1)
                             .arg(largest / ms / 1e6, 0, 'f', 2));
    }
    Bench::printLine(QStringLiteral(
        "records      file MB | File>Open ms  wc -l ms  ratio | peak MB  x file | rare ms  "
        "common ms | grep rare ms  grep common ms"));
    struct Row
    {
        int records;
        double fileMb, open, peakMb, rare, common;
    };
    QList<Row> table;
    for (const int records : sizes) {
        QElapsedTimer generating;
        generating.start();
        const QString path = ensureCatalog(records);
        if (generating.elapsed() > 1000)
            Bench::printLine(QStringLiteral("  (generated %1 in %2 s)")
                                 .arg(path)
                                 .arg(generating.elapsed() / 1000.0, 0, 'f', 1));
        const double fileMb = QFileInfo(path).size() / 1e6;
        QByteArray lines, rareOut, commonOut;
        const double wc = Bench::timeCommandMs("wc -l < " + quoted(path), 3, &lines);
        const double grepRare = Bench::timeCommandMs(
            QStringLiteral("grep -F -i -c %1 %2").arg(CatalogData::kRareText, quoted(path)), 2,
            &rareOut);
        const double grepCommon = Bench::timeCommandMs(
            QStringLiteral("grep -F -i -c %1 %2").arg(CatalogData::kCommonText, quoted(path)), 2,
            &commonOut);
        const QList<QByteArray> child =
            Bench::runSelf({QStringLiteral("scale-child"), QString::number(records)})
                .trimmed()
                .split(' ');
        if (child.size() != 8) {
            Bench::printLine(QStringLiteral("  the measuring process failed at %1 records").arg(records));
            status = 1;
            continue;
        }
        const double open = child[0].toDouble();
        const double peakMb = child[7].toDouble() / 1e6;
        const Row row{records, fileMb, open, peakMb, child[3].toDouble(), child[5].toDouble()};
        table << row;
        std::printf("%8d %12.1f | %12.1f %9.1f %6.2f | %7.1f %7.2f | %7.1f %10.1f | %12.1f %15.1f\n",
                    records, fileMb, open, wc, open / wc, peakMb, peakMb / fileMb, row.rare,
                    row.common, grepRare, grepCommon);
        std::fflush(stdout);
        const bool counts = child[1].toLongLong() == lines.trimmed().toLongLong()
                            && child[4].toLongLong() == rareOut.trimmed().toLongLong()
                            && child[6].toLongLong() == commonOut.trimmed().toLongLong();
        if (!counts) {
            Bench::printLine(QStringLiteral("  COUNT MISMATCH: rows %1 (wc %2), rare %3 (grep %4), "
                                            "common %5 (grep %6)")
                                 .arg(QString::fromLatin1(child[1]), QString::fromLatin1(lines.trimmed()),
                                      QString::fromLatin1(child[4]), QString::fromLatin1(rareOut.trimmed()),
                                      QString::fromLatin1(child[6]), QString::fromLatin1(commonOut.trimmed())));
            status = 1;
        }
    }
    if (table.size() > 1) {
        QStringList perMillion;
        for (const Row& row : table)
            perMillion << QStringLiteral("%1M: %2 ms")
                              .arg(row.records / 1000000)
                              .arg(row.open / (row.records / 1e6), 0, 'f', 1);
        Bench::printLine(QStringLiteral("File > Open per million records: ") + perMillion.join(", "));
    }
    for (const Row& row : table) {
        if (row.records != 10000000)
            continue;
        verdict(QStringLiteral("10M: File > Open to the first rows and the count under 3 s"), row.open < 3000);
        verdict(QStringLiteral("10M: peak memory at most 1.3x the file"), row.peakMb <= 1.3 * row.fileMb);
        verdict(QStringLiteral("10M: rare search under 150 ms"), row.rare < 150);
        verdict(QStringLiteral("10M: common search under 300 ms"), row.common < 300);
    }
    return status;
}

} // namespace

VELLUMARK_BENCH("scale", 60, benchScale);
VELLUMARK_BENCH("scale-child", -60, benchScaleChild);
