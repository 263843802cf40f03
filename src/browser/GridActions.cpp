#include "browser/GridActions.h"

#include "browser/CatalogGridModel.h"
#include "browser/RowCopy.h"
#include "platform/widgets/Dialogs.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

void addGridActions(QTableView& gridView, CatalogGridModel& gridModel)
{
    QTableView* const grid = &gridView;
    CatalogGridModel* const model = &gridModel;
    // A header click sorts by its column and the next click on it reverses; the header's sort
    // indicator tells which (for assistive tools too). The catalog opens in file order, and
    // every search, Reset or open goes back to it: the indicator is cleared with it.
    QHeaderView* columns = grid->horizontalHeader();
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    grid->setSortingEnabled(true);
    QObject::connect(columns, &QHeaderView::sortIndicatorChanged, grid, [grid, model](int column) {
        // After the grid has sorted the model: the first row is current, as after a search.
        if (column >= 0 && model->rowCount() > 0)
            grid->setCurrentIndex(model->index(0, 0));
    });
    QObject::connect(model, &QAbstractItemModel::modelReset, grid, [grid, model] {
        QHeaderView* header = grid->horizontalHeader();
        if (model->sortColumn() < 0 && header->sortIndicatorSection() >= 0)
            header->setSortIndicator(-1, Qt::AscendingOrder);
    });
    QObject::connect(
        model, &CatalogGridModel::sortFailed, grid, [grid, model](const QString& reason) {
            grid->horizontalHeader()->setSortIndicator(
                model->sortColumn(),
                model->recordSet()->sortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
            Dialogs::inform(grid->window(), reason);
        });

    auto* copy = new QAction(QObject::tr("Copy"), grid);
    copy->setObjectName(QStringLiteral("copyRows"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(copy);
    QObject::connect(copy, &QAction::triggered, grid, [grid, model] {
        if (const CatalogTablePtr shown = model->recordSet())
            copyCatalogLines(*shown, grid->selectionModel()->selection());
    });
}
