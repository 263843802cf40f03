#include "browser/CopiesMenu.h"

#include "browser/CopiesWindow.h"
#include "browser/DatabaseWindow.h"
#include "catalog/DiskFacts.h"
#include "platform/widgets/WindowRegistry.h"

#include <QMenu>
#include <QPointer>
#include <QTableView>

namespace {

QString currentValue(const DatabaseWindow& window, int column)
{
    const QTableView* grid = window.grid();
    const QModelIndex current = grid->currentIndex();
    if (!grid->model() || !current.isValid())
        return QString();
    return grid->model()->data(grid->model()->index(current.row(), column)).toString();
}

CopiesWindow* openCopies(const QString& id)
{
    return qobject_cast<CopiesWindow*>(WindowRegistry::instance().open(id));
}

} // namespace

DiskLabels diskLabelsOf(const DiskFactsFile& facts)
{
    DiskLabels labels;
    for (const DiskFacts& disk : facts.disks()) {
        if (!disk.label.isEmpty())
            labels.insert(disk.index, disk.label);
    }
    return labels;
}

DiskLabels diskLabelsOf(const DatabaseWindow& window)
{
    // The side file of the catalog shown; a missing or unreadable one gives no labels (the
    // Disks window reports an unreadable one).
    if (!window.recordSet() || window.lastFileName().isEmpty())
        return DiskLabels();
    return diskLabelsOf(DiskFactsFile::read(window.lastFileName()));
}

void showOtherCopies(DatabaseWindow& window, const DiskLabels& labels)
{
    if (CopiesWindow* copies = openCopies(CopiesWindowId::otherCopies))
        copies->showOtherCopies(window.recordSet(), currentValue(window, 0), currentValue(window, 1),
                                currentValue(window, 2), labels);
}

void showOnlyOnDisk(DatabaseWindow& window, const QString& index, const DiskLabels& labels)
{
    if (CopiesWindow* copies = openCopies(CopiesWindowId::onlyOnDisk))
        copies->showOnlyOnDisk(window.recordSet(), index, labels);
}

void showDuplicates(DatabaseWindow& window, const DiskLabels& labels)
{
    if (CopiesWindow* copies = openCopies(CopiesWindowId::duplicates))
        copies->showDuplicates(window.recordSet(), labels);
}

QMenu* copiesMenu(DatabaseWindow& window)
{
    QPointer<DatabaseWindow> form(&window);
    const CatalogTablePtr table = window.recordSet();
    const bool hasRow = table && window.grid()->currentIndex().isValid();
    auto* menu = new QMenu(&window);
    menu->setObjectName(QStringLiteral("copiesMenu"));
    menu->setAccessibleName(QObject::tr("Copies"));

    QAction* other = menu->addAction(QObject::tr("Other Copies"), [form] {
        if (form)
            showOtherCopies(*form, diskLabelsOf(*form));
    });
    other->setObjectName(QStringLiteral("otherCopies"));
    other->setEnabled(hasRow);
    QAction* only = menu->addAction(QObject::tr("Only on This Disk\u2026"), [form] {
        if (form)
            showOnlyOnDisk(*form, currentValue(*form, 0), diskLabelsOf(*form));
    });
    only->setObjectName(QStringLiteral("onlyOnDisk"));
    only->setEnabled(hasRow);
    QAction* duplicates = menu->addAction(QObject::tr("Duplicates\u2026"), [form] {
        if (form)
            showDuplicates(*form, diskLabelsOf(*form));
    });
    duplicates->setObjectName(QStringLiteral("duplicates"));
    duplicates->setEnabled(table != nullptr);
    return menu;
}

void attachCopiesMenu(DatabaseWindow& window)
{
    QTableView* grid = window.grid();
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(grid, &QWidget::customContextMenuRequested, &window,
                     [form = QPointer<DatabaseWindow>(&window)](const QPoint& at) {
                         if (!form)
                             return;
                         QTableView* grid = form->grid();
                         // A click names its row; the menu key acts on the current one.
                         const QModelIndex clicked = grid->indexAt(at);
                         if (clicked.isValid())
                             grid->setCurrentIndex(clicked);
                         QMenu* menu = copiesMenu(*form);
                         menu->exec(grid->viewport()->mapToGlobal(at));
                         menu->deleteLater();
                     });
}

void registerCopiesWindows(WindowRegistry& registry)
{
    using Kind = CopiesWindow::Kind;
    registry.registerWindow(CopiesWindowId::otherCopies, [] { return new CopiesWindow(Kind::OtherCopies); });
    registry.registerWindow(CopiesWindowId::onlyOnDisk, [] { return new CopiesWindow(Kind::OnlyOnDisk); });
    registry.registerWindow(CopiesWindowId::duplicates, [] { return new CopiesWindow(Kind::Duplicates); });
}
