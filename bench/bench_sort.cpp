// Sorting the database window's grid by a header click, at 1 and 10 million records: from the
// mouse release on the header to the sorted rows painted, for each column ascending and then
// reversed, with the memory the sort took at its peak and kept. GNU sort orders the same file
// by the same column in the same run (stable, C locale, -f for the names). Each size runs in a
// fresh process.
#include "Bench.h"
#include "CatalogData.h"

#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "browser/ShowCatalog.h"
#include "catalog/CatalogSource.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <QWindow>

#include <sys/resource.h>

namespace {

qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// CPU time of the whole process so far (every thread), in ms.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Sets the peak resident size back to the current one, so the next peak is the sort's.
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void clickSection(QHeaderView* header, int column)
{
    const QPointF at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2);
    const QPointF global = header->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &press);
    QCoreApplication::sendEvent(header->viewport(), &release);
}

const char* const kColumnNames[] = {"Index", "Filename", "Size"};

// In a fresh process: args are the record count, GNU sort's times for the three columns and,
// optionally, the columns to time.
int benchSortChild(const QStringList& args)
{
    const int records = args.value(0).toInt();
    const QString path = ensureCatalog(records);
    DatabaseWindow form;
    form.show();
    QDeadlineTimer exposed(10000);
    while (!(form.windowHandle() && form.windowHandle()->isExposed()) && !exposed.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    CatalogSource source;
    source.load(path);
    if (!showLoadedCatalog(form, source.records(), path))
        qFatal("the catalog could not be shown");
    QCoreApplication::processEvents();

    QHeaderView* header = form.grid()->horizontalHeader();
    const qint64 rows = form.gridModel()->rowCount();
    const QString only = args.value(4); // columns to time, all when empty ("1": names)
    for (int column = 0; column < 3; ++column) {
        if (!only.isEmpty() && !only.contains(QString::number(column)))
            continue;
        const double tool = args.value(1 + column).toDouble();
        for (const char* direction : {"ascending", "reversed"}) {
            resetPeak();
            const qint64 before = statusKb("VmRSS:");
            const double cpuBefore = cpuMs();
            QElapsedTimer timer;
            timer.start();
            clickSection(header, column);
            QCoreApplication::processEvents();
            form.grid()->grab(); // the sorted rows, painted
            const double ms = timer.nsecsElapsed() / 1e6;
            const double cpu = cpuMs() - cpuBefore;
            const double peakMb = (statusKb("VmHWM:") - before) / 1024.0;
            const double keptMb = (statusKb("VmRSS:") - before) / 1024.0;
            Bench::printRow(
                QStringLiteral("grid sort %1 %2, %3 rows: click to painted")
                    .arg(QLatin1String(kColumnNames[column]), QLatin1String(direction))
                    .arg(rows),
                ms, QStringLiteral("ms"),
                QStringLiteral("GNU sort -s by %1").arg(QLatin1String(kColumnNames[column])), tool);
            Bench::printLine(
                QStringLiteral("  cpu %6 ms on both cores; memory while sorting +%1 MB "
                               "at the peak, +%2 MB kept (row order: %3 MB); header "
                               "shows column %4, %5")
                    .arg(peakMb, 0, 'f', 1)
                    .arg(keptMb, 0, 'f', 1)
                    .arg(rows * 4 / 1048576.0, 0, 'f', 1)
                    .arg(header->sortIndicatorSection())
                    .arg(header->sortIndicatorOrder() == Qt::AscendingOrder
                             ? QStringLiteral("ascending")
                             : QStringLiteral("descending"))
                    .arg(cpu, 0, 'f', 0));
            const double target = rows >= 10000000 ? 3000 : rows >= 1000000 ? 300 : 1e300;
            if (target < 1e300)
                Bench::printLine(
                    QStringLiteral("  target under %1 ms: %2")
                        .arg(target)
                        .arg(ms < target ? QStringLiteral("met") : QStringLiteral("MISSED")));
        }
    }
    return 0;
}

int benchSort(const QStringList& args)
{
    const QList<int> sizes =
        args.isEmpty() ? QList<int>{1000000, 10000000} : QList<int>{args.first().toInt()};
    Bench::printLine(QStringLiteral("grid sort: 2 cores shared with other work, figures are noisy; "
                                    "GNU sort runs once per column, in the C locale"));
    for (const int records : sizes) {
        const QString path = ensureCatalog(records);
        const QString file = QLatin1Char('\'') + path + QLatin1Char('\'');
        const QString sort = QStringLiteral("LC_ALL=C sort -s -t \"$(printf '\\t')\" ");
        QStringList childArgs = {QStringLiteral("grid-sort-child"), QString::number(records)};
        for (const QString& keys :
             {QStringLiteral("-k1,1n"), QStringLiteral("-f -k2,2"), QStringLiteral("-k3,3n")})
            childArgs << QString::number(
                Bench::timeCommandMs(sort + keys + QLatin1Char(' ') + file + " >/dev/null", 1));
        std::fputs(Bench::runSelf(childArgs).constData(), stdout);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

VELLUMARK_BENCH("grid-sort", 65, benchSort);
VELLUMARK_BENCH("grid-sort-child", -65, benchSortChild);
