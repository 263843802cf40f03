// Opening a million-record catalog in the database window through File > Open, against the
// data source's load alone, and scrolling the grid to its last row.
#include "Bench.h"
#include "CatalogData.h"

#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "catalog/CatalogSource.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/PanelStatusBar.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>

static void initResources()
{
    Q_INIT_RESOURCE(vellumark);
}

namespace {

void verdict(const QString& what, bool met)
{
    Bench::printLine(QStringLiteral("  target %1: %2")
                         .arg(what, met ? QStringLiteral("met") : QStringLiteral("MISSED")));
}

int benchOpen(const QStringList&)
{
    initResources();
    const QString path = ensureCatalog();

    const double populate = Bench::timeMs([&] {
        CatalogSource source;
        source.load(path);
    });

    QStringList boxes;
    Dialogs::Answerer answerer;
    answerer.openFileName = [&](const Dialogs::FileRequest&) { return path; };
    answerer.message = [&](const Dialogs::Message& m) {
        boxes << m.title + QLatin1Char('|') + m.text;
        return QMessageBox::Ok;
    };
    Dialogs::setAnswerer(answerer);

    DatabaseWindow form;
    form.show();
    QCoreApplication::processEvents();
    QAction* open = form.findChild<QAction*>(QStringLiteral("mnuOpen"));
    QTableView* grid = form.grid();

    // Until the window has painted its first rows and the record count.
    const double opened = Bench::timeMs([&] {
        open->trigger();
        form.grab();
    });
    const qint64 rows = form.gridModel()->rowCount();
    const bool counted = form.recordCountText() ==
                         QStringLiteral("Number of Records: %1").arg(CatalogData::kRecords);

    QElapsedTimer clock;
    clock.start();
    grid->scrollToBottom();
    grid->grab();
    const double toLast = clock.nsecsElapsed() / 1e6;
    const bool atLast = grid->rowAt(grid->viewport()->height() - 2) == int(rows) - 1 ||
                        grid->verticalScrollBar()->value() == grid->verticalScrollBar()->maximum();

    Dialogs::clearAnswerer();
    Bench::printRow(QStringLiteral("File > Open, %1 records shown").arg(rows), opened, "ms",
                    "CatalogSource::load alone", populate);
    Bench::printRow(QStringLiteral("scroll grid to last row"), toLast, "ms", "File > Open", opened);
    if (!boxes.isEmpty())
        Bench::printLine("  messages: " + boxes.join(QStringLiteral("; ")));
    verdict(QStringLiteral("File > Open under 1.5 s"), opened < 1500);
    verdict(QStringLiteral("File > Open within 1.5x of the load alone"), opened <= 1.5 * populate);
    verdict(QStringLiteral("scroll to last row under 50 ms"), toLast < 50);
    return (rows == CatalogData::kRecords && counted && atLast && boxes.isEmpty()) ? 0 : 1;
}

} // namespace

VELLUMARK_BENCH("open", 30, benchOpen);
