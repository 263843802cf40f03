#pragma once

#include "platform/core/RecordSet.h"

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
// and the operations on the grid, the record-set holder and the status bar.
struct SearchTargets
{
    QWidget* window = nullptr;           // parent of the message boxes
    QLineEdit* Text1 = nullptr;          // search box
    QComboBox* Combo1 = nullptr;         // index list
    QAbstractButton* Command3 = nullptr; // "&Search"
    QAbstractButton* Command4 = nullptr; // "&Reset"
    QTimer* Timer1 = nullptr;            // file-name search
    QTimer* Timer2 = nullptr;            // index search
    QTableView* grid = nullptr;          // DataGrid1: its current row follows the record set

    std::function<RecordSetPtr()> records;                  // the holder's record set, or null
    std::function<void()> bindGrid;                         // bind the grid to the holder again
    std::function<void(const QString&)> setRecordCountText; // status bar panel 3
    std::function<void()> formatGrid;                       // lays the grid out
};

// Search and filter in the database window. A search start (the "&Search" button or a choice
// in the index list) only opens the indicator and arms a timer; the timer's tick does the
// whole search without yielding, then disarms the timer and closes the indicator. "&Reset"
// shows every record again. The user's text is matched literally: it is quoted for the record
// set's filter, so quotes and wildcard signs in it are plain characters.
class SearchController : public QObject
{
    Q_OBJECT

public:
    explicit SearchController(SearchTargets targets, QObject* parent = nullptr);

    // The criteria, with the text quoted for the filter.
    static QString fileNameCriterion(const QString& text);
    static QString indexCriterion(const QString& value);
    static QString recordCountText(qint64 count);

    static constexpr const char* kNoRecordsText = "No Records Found";
    static constexpr const char* kNoRecordsTitle = "Filter Status";

    // The handlers, public so the window's own code and tests can run them.
    void Command3_Click(); // start the file-name search
    void Combo1_Click();   // start the index search
    void Timer1_Timer();   // the file-name search work
    void Timer2_Timer();   // the index search work
    void Command4_Click(); // reset

private:
    enum class Kind
    {
        FileName,
        Index
    };
    void searchWork(Kind kind);
    bool applyFilter(RecordSet& records, const QString& criterion);
    void noRecordsFound(Kind kind, RecordSet& records);
    void formatGrid();
    void followCurrentRecord(const RecordSet& records);
    void bindGrid();
    RecordSetPtr currentRecords() const;

    SearchTargets m_targets;
    // A search whose work is running (it may wait in the "No Records Found" box); a further
    // tick of its timer meanwhile is ignored.
    bool m_busy[2] = {false, false};
};
