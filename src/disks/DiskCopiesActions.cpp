#include "disks/DiskCopiesActions.h"

#include "browser/CopiesMenu.h"
#include "browser/DatabaseWindow.h"
#include "disks/DisksModel.h"
#include "disks/DisksWindow.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTableView>

namespace {

QPushButton* addAction(DisksWindow& window, const QString& text, const QString& name,
                       const QString& description)
{
    auto* button = new QPushButton(text, &window);
    button->setObjectName(name);
    button->setAccessibleName(QString(text).remove(QChar(0x2026)));
    button->setAccessibleDescription(description);
    button->setAutoDefault(false);
    QHBoxLayout* row = window.actionRow();
    row->insertWidget(row->count() - 1, button); // before the stretch
    return button;
}

DatabaseWindow* databaseWindow()
{
    return WindowRegistry::instance().find<DatabaseWindow>(WindowId::database);
}

} // namespace

void attachCopiesActions(DisksWindow& window)
{
    QPointer<DisksWindow> disks(&window);
    auto labels = [disks] { return diskLabelsOf(disks->model()->facts()); };

    QPushButton* other = addAction(window, QObject::tr("Other Copies"), QStringLiteral("otherCopiesButton"),
                                   QObject::tr("Lists the copies on other disks of the file current in the "
                                               "database window"));
    QObject::connect(other, &QPushButton::clicked, &window, [disks, labels] {
        DatabaseWindow* database = databaseWindow();
        if (!database || !database->recordSet() || !database->grid()->currentIndex().isValid()) {
            Dialogs::inform(disks, QObject::tr("Choose a file in the database window's grid first."),
                            QObject::tr("Other Copies"));
            return;
        }
        showOtherCopies(*database, labels());
    });

    QPushButton* only = addAction(window, QObject::tr("Only on This Disk\u2026"), QStringLiteral("onlyOnDiskButton"),
                                  QObject::tr("Lists the selected disk's files that no other disk holds"));
    QObject::connect(only, &QPushButton::clicked, &window, [disks, labels] {
        DatabaseWindow* database = databaseWindow();
        const QString index = disks->model()->indexAt(disks->selectedRow());
        if (database && database->recordSet() && !index.isEmpty())
            showOnlyOnDisk(*database, index, labels());
    });

    QPushButton* duplicates = addAction(window, QObject::tr("Duplicates\u2026"), QStringLiteral("duplicatesButton"),
                                        QObject::tr("Lists the files that are on two disks or more"));
    QObject::connect(duplicates, &QPushButton::clicked, &window, [labels] {
        DatabaseWindow* database = databaseWindow();
        if (database && database->recordSet())
            showDuplicates(*database, labels());
    });

    // Like Re-capture…, the disk commands wait for a selected disk.
    auto update = [disks, only] {
        if (disks)
            only->setEnabled(disks->selectedRow() >= 0);
    };
    QObject::connect(window.table()->selectionModel(), &QItemSelectionModel::selectionChanged, only, update);
    QObject::connect(window.model(), &QAbstractItemModel::modelReset, only, update);
    update();
}
