#include "browser/RecordOpenAction.h"

#include "platform/widgets/Dialogs.h"
#include "platform/widgets/FileOpener.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QTableView>

RecordOpenAction::RecordOpenAction(QTableView* grid, QWidget* window)
    : QObject(window), m_grid(grid), m_gridObject(grid), m_window(window)
{
    // The double-click only: activated would also fire on a single click under styles that
    // activate items that way, and opening a file is not something to do by accident.
    // Enter on the current row does the same for keyboard users.
    if (grid) {
        connect(grid, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex&) { openCurrentRecord(); });
        grid->installEventFilter(this);
    }
}

bool RecordOpenAction::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_gridObject && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrentRecord();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

RecordOpenAction::~RecordOpenAction() = default;

QString RecordOpenAction::noCatalogText()
{
    return tr("No catalog is loaded, so there is no file to open.");
}

QString RecordOpenAction::noCurrentRecordText()
{
    return tr("No record is selected, so there is no file to open.");
}

QString RecordOpenAction::openErrorTitle()
{
    return QStringLiteral("Open File");
}

int RecordOpenAction::columnNamed(const QTableView& grid, const QString& name)
{
    const QAbstractItemModel* model = grid.model();
    if (!model)
        return -1;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString heading = model->headerData(column, Qt::Horizontal).toString();
        if (heading.compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return -1;
}

void RecordOpenAction::openCurrentRecord()
{
    // A new opener for every action; the previous one is released now.
    m_fileOpener = FileOpener::create();

    const QAbstractItemModel* model = m_grid ? m_grid->model() : nullptr;
    const int column = m_grid ? columnNamed(*m_grid, QStringLiteral("filename")) : -1;
    if (!model || column < 0) {
        Dialogs::inform(m_window, noCatalogText(), openErrorTitle());
        return;
    }
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid() || current.row() >= model->rowCount()) {
        Dialogs::inform(m_window, noCurrentRecordText(), openErrorTitle());
        return;
    }

    QString fileName = model->data(model->index(current.row(), column)).toString();
    QString error;
    if (!m_fileOpener || !m_fileOpener->open(fileName, &error)) {
        if (error.isEmpty())
            error = tr("The file could not be opened.");
        Dialogs::inform(m_window, error, openErrorTitle());
    }
}
