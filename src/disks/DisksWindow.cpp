#include "disks/DisksWindow.h"

#include "browser/DatabaseWindow.h"
#include "disks/DiskRecapture.h"
#include "disks/DisksModel.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowLook.h"
#include "platform/widgets/WindowRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

DisksWindow::DisksWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(WindowId::disks);
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(WindowLook::databaseIcon());

    m_model = new DisksModel(this);
    connect(m_model, &DisksModel::saveFailed, this, &DisksWindow::reportSaveFailure);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DisksWindow::updateTotals);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &DisksWindow::updateTotals);

    m_recaptureButton = new QPushButton(QStringLiteral("Re-capture…"), this);
    m_recaptureButton->setObjectName(QStringLiteral("recaptureButton"));
    m_recaptureButton->setAccessibleName(QStringLiteral("Re-capture"));
    m_recaptureButton->setAccessibleDescription(
        QStringLiteral("Walks the selected disk again and replaces its records in the catalog"));
    m_recaptureButton->setAutoDefault(false);
    connect(m_recaptureButton, &QPushButton::clicked, this, &DisksWindow::recaptureSelected);
    m_actions = new QHBoxLayout;
    m_actions->setObjectName(QStringLiteral("diskActions"));
    m_actions->addWidget(m_recaptureButton);
    m_actions->addStretch(1);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("disksTable"));
    m_table->setAccessibleName(QStringLiteral("Disks"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Double-click and Enter show the disk; typing or F2 edits Label and Note.
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                             | QAbstractItemView::SelectedClicked);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int widths[DisksModel::ColumnCount] = {50, 170, 70, 75, 230, 120, 75, 75, 200};
    for (int column = 0; column < DisksModel::ColumnCount; ++column)
        m_table->setColumnWidth(column, widths[column]);
    connect(m_table, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { showDisk(index.row()); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DisksWindow::updateActions);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DisksWindow::updateActions);

    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("disksTotals"));
    m_totals->setAccessibleName(QStringLiteral("Totals"));
    m_totals->setWordWrap(true);
    m_totals->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_totals->setFocusPolicy(Qt::TabFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_actions);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_totals);
    QWidget::setTabOrder(m_table, m_recaptureButton);
    QWidget::setTabOrder(m_recaptureButton, m_totals);

    resize(1110, 400);
    WindowLook::centreOnScreen(this);
    updateTotals();
    updateActions();
    followDatabaseWindow();
    m_table->setFocus();
}

void DisksWindow::followDatabaseWindow()
{
    auto* database = WindowRegistry::instance().find<DatabaseWindow>(WindowId::database);
    if (!database)
        return; // the program is ending; what is shown stays
    const CatalogTablePtr table = database->recordSet();
    const QString path = table ? database->lastFileName() : QString();
    if (table == m_model->table() && path == m_model->catalogPath()) {
        m_model->reloadFacts(); // a capture may have written the side file meanwhile
        return;
    }
    showCatalog(path, table);
}

void DisksWindow::showCatalog(const QString& catalogPath, const CatalogTablePtr& table)
{
    const QString selected = m_model->indexAt(selectedRow());
    m_model->setCatalog(catalogPath, table);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->indexAt(row) == selected || (selected.isEmpty() && row == 0)) {
            m_table->selectRow(row);
            break;
        }
    }
    setWindowTitle(catalogPath.isEmpty()
                       ? QString::fromLatin1(kCaption)
                       : QStringLiteral("%1: %2").arg(QLatin1String(kCaption), catalogPath));
}

int DisksWindow::selectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void DisksWindow::showDisk(int row)
{
    const QString index = m_model->indexAt(row);
    auto* database = WindowRegistry::instance().find<DatabaseWindow>(WindowId::database);
    if (index.isEmpty() || !database)
        return;
    // The Index list's own choice: its value current, then the signal a user's choice gives.
    QComboBox* list = database->indexList();
    const int at = list->findText(index, Qt::MatchExactly);
    if (at >= 0)
        list->setCurrentIndex(at);
    else
        list->setEditText(index);
    WindowRegistry::instance().bringToFront(WindowId::database);
    emit list->activated(list->currentIndex());
}

void DisksWindow::recaptureSelected()
{
    const int row = selectedRow();
    if (row < 0 || m_model->catalogPath().isEmpty())
        return;
    DiskRecapture(this, m_model->catalogPath(), m_model->indexAt(row)).run();
    followDatabaseWindow();
}

bool DisksWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        followDatabaseWindow();
    return QWidget::event(event);
}

void DisksWindow::updateTotals()
{
    QString text;
    if (m_model->catalogPath().isEmpty()) {
        text = QStringLiteral("No catalog is shown in the database window.");
    } else {
        const qint64 bytes = m_model->totalBytes();
        text = QStringLiteral("%1 disks, %2 records, %3 (%4)")
                   .arg(m_model->rowCount())
                   .arg(QLocale().toString(m_model->totalRecords()),
                        DisksModel::readableSize(bytes), DisksModel::exactSize(bytes));
        if (m_model->facts().state() == DiskFactsFile::State::Unreadable)
            text += QLatin1Char('\n') + m_model->facts().error();
    }
    m_totals->setText(text);
    m_totals->setAccessibleDescription(text);
}

void DisksWindow::updateActions()
{
    m_recaptureButton->setEnabled(selectedRow() >= 0);
}

void DisksWindow::reportSaveFailure(const QString& message)
{
    Dialogs::message(this, {message, QString(), QMessageBox::Ok, QMessageBox::Warning});
}
