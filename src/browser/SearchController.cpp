#include "browser/SearchController.h"

#include "browser/ShowCatalog.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/WindowRegistry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include "platform/widgets/WindowIds.h"

namespace {
const QString kIndicator = WindowId::searchIndicator;

void clearFilter(CatalogTable& records)
{
    records.setQuery(CatalogQuery());
}
} // namespace

SearchController::SearchController(SearchTargets targets, QObject* parent)
    : QObject(parent), m_targets(std::move(targets))
{
    if (m_targets.searchButton)
        connect(m_targets.searchButton, &QAbstractButton::clicked, this,
                &SearchController::onSearchClicked);
    if (m_targets.resetButton)
        connect(m_targets.resetButton, &QAbstractButton::clicked, this,
                &SearchController::onResetClicked);
    // activated: a choice by the user, by mouse or keyboard, not a change made by the program.
    if (m_targets.indexList)
        connect(m_targets.indexList, qOverload<int>(&QComboBox::activated), this,
                &SearchController::onIndexChosen);
    if (m_targets.fileNameSearchTimer)
        connect(m_targets.fileNameSearchTimer, &QTimer::timeout, this, &SearchController::runFileNameSearch);
    if (m_targets.indexSearchTimer)
        connect(m_targets.indexSearchTimer, &QTimer::timeout, this, &SearchController::runIndexSearch);
}

CatalogQuery SearchController::fileNameCriterion(const QString& text)
{
    return CatalogQuery::contains(CatalogField::Filename, text);
}

CatalogQuery SearchController::indexCriterion(const QString& value)
{
    return CatalogQuery::equals(CatalogField::Index, value);
}

QString SearchController::recordCountText(qint64 count)
{
    return QStringLiteral("Number of Records: ") + QString::number(count);
}

CatalogTablePtr SearchController::currentRecords() const
{
    return m_targets.records ? m_targets.records() : CatalogTablePtr();
}

void SearchController::formatGrid()
{
    if (m_targets.formatGrid)
        m_targets.formatGrid();
}

void SearchController::followCurrentRecord(const CatalogTable& records)
{
    // Rebinding or filtering resets the grid; its current row is the table's current row
    // again, so the open action has a row to act on.
    QTableView* grid = m_targets.grid;
    if (!grid || !grid->model())
        return;
    const qint64 row = records.currentRow();
    if (row >= 0 && row < grid->model()->rowCount())
        grid->setCurrentIndex(grid->model()->index(int(row), 0));
}

void SearchController::bindGrid()
{
    if (m_targets.bindGrid)
        m_targets.bindGrid();
}

void SearchController::onSearchClicked()
{
    if (!m_targets.searchBox || m_targets.searchBox->text().isEmpty())
        return;
    // With no catalog there is nothing to narrow; the indicator does not even appear.
    if (!currentRecords())
        return;
    // Let the button's own repaint and anything else waiting happen before the indicator.
    QCoreApplication::processEvents();
    WindowRegistry::instance().open(kIndicator);
    if (m_targets.fileNameSearchTimer)
        m_targets.fileNameSearchTimer->start();
}

void SearchController::onIndexChosen()
{
    if (!currentRecords())
        return;
    WindowRegistry::instance().open(kIndicator);
    if (m_targets.indexSearchTimer)
        m_targets.indexSearchTimer->start();
}

void SearchController::runFileNameSearch()
{
    searchWork(Kind::FileName);
}

void SearchController::runIndexSearch()
{
    searchWork(Kind::Index);
}

void SearchController::searchWork(Kind kind)
{
    bool& busy = m_busy[kind == Kind::FileName ? 0 : 1];
    if (busy)
        return;
    busy = true;

    // Held for the whole work: the box below lets other handlers run meanwhile.
    const CatalogTablePtr records = currentRecords();
    if (records) {
        records->setQuery(
            kind == Kind::FileName
                ? fileNameCriterion(m_targets.searchBox ? m_targets.searchBox->text() : QString())
                : indexCriterion(m_targets.indexList ? m_targets.indexList->currentText() : QString()));
        const qint64 count = records->recordCount();
        if (count > 0) {
            if (m_targets.setRecordCountText)
                m_targets.setRecordCountText(recordCountText(count));
            formatGrid();
            followCurrentRecord(*records);
        } else {
            noRecordsFound(kind, *records);
        }
    }

    QTimer* timer = kind == Kind::FileName ? m_targets.fileNameSearchTimer : m_targets.indexSearchTimer;
    if (timer)
        timer->stop();
    WindowRegistry::instance().close(kIndicator);
    busy = false;
}

void SearchController::noRecordsFound(Kind kind, CatalogTable& records)
{
    clearFilter(records);
    bindGrid();
    if (kind == Kind::FileName)
        formatGrid();
    Dialogs::beep();
    // The indicator stays on the screen while the box waits.
    Dialogs::inform(m_targets.window, QLatin1String(kNoRecordsText),
                    QLatin1String(kNoRecordsTitle));
    records.moveFirst();
    followCurrentRecord(records);
    // The search box, not the index list: the list keeps the value that found nothing.
    if (m_targets.searchBox)
        m_targets.searchBox->clear();
    formatGrid();
}

void SearchController::onResetClicked()
{
    const CatalogTablePtr records = currentRecords();
    if (!records)
        return;
    clearFilter(*records);
    bindGrid();
    if (m_targets.searchBox)
        m_targets.searchBox->clear();
    if (m_targets.setRecordCountText)
        m_targets.setRecordCountText(recordCountText(records->recordCount()));
    formatGrid();
    if (m_targets.indexList) {
        // The typed or chosen text goes; the list of index values stays.
        if (m_targets.indexList->isEditable())
            m_targets.indexList->clearEditText();
        else
            m_targets.indexList->setCurrentIndex(-1);
    }
    records->moveFirst();
    followCurrentRecord(*records);
}
