#pragma once

#include "catalog/CatalogTable.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QTableView;
class QTimer;
class QWidget;

// What the search needs of the database window: its search controls, its two 500 ms timers
// and the operations on the grid, the table holder and the status bar.
struct SearchTargets
{
    QWidget* window = nullptr;           // parent of the message boxes
    QLineEdit* searchBox = nullptr;          // search box
    QComboBox* indexList = nullptr;         // index list
    QAbstractButton* searchButton = nullptr; // "&Search"
    QAbstractButton* resetButton = nullptr; // "&Reset"
    QTimer* fileNameSearchTimer = nullptr;            // file-name search
    QTimer* indexSearchTimer = nullptr;            // index search
    QTableView* grid = nullptr;          // grid: its current row follows the table

    std::function<CatalogTablePtr()> records;               // the holder's table, or null
    std::function<void()> bindGrid;                         // bind the grid to the holder again
    std::function<void(const QString&)> setRecordCountText; // status bar panel 3
    std::function<void()> formatGrid;                       // lays the grid out
};

// Search and filter in the database window. A search start (the "&Search" button or a choice
// in the index list) only opens the indicator and arms a timer; the timer's tick does the
// whole search without yielding, then disarms the timer and closes the indicator. "&Reset"
// shows every record again. The user's text is matched literally: quotes and wildcard signs in
// it are plain characters.
class SearchController : public QObject
{
    Q_OBJECT

public:
    explicit SearchController(SearchTargets targets, QObject* parent = nullptr);

    // The queries: the file name contains the text, letter case ignored; the index is exactly
    // the value.
    static CatalogQuery fileNameCriterion(const QString& text);
    static CatalogQuery indexCriterion(const QString& value);
    static QString recordCountText(qint64 count);

    static constexpr const char* kNoRecordsText = "No Records Found";
    static constexpr const char* kNoRecordsTitle = "Filter Status";

    // The handlers, public so the window's own code and tests can run them.
    void onSearchClicked(); // start the file-name search
    void onIndexChosen();   // start the index search
    void runFileNameSearch();   // the file-name search work
    void runIndexSearch();   // the index search work
    void onResetClicked(); // reset

private:
    enum class Kind
    {
        FileName,
        Index
    };
    void searchWork(Kind kind);
    void noRecordsFound(Kind kind, CatalogTable& records);
    void formatGrid();
    void followCurrentRecord(const CatalogTable& records);
    void bindGrid();
    CatalogTablePtr currentRecords() const;

    SearchTargets m_targets;
    // A search whose work is running (it may wait in the "No Records Found" box); a further
    // tick of its timer meanwhile is ignored.
    bool m_busy[2] = {false, false};
};
