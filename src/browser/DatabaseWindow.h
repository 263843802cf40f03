#pragma once

#include "catalog/CatalogTable.h"

#include <QMainWindow>

#include <memory>

class CatalogGridModel;
class CatalogSource;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class PanelStatusBar;

// The database window: shows one catalog at a time in its grid, with the record count in the
// status bar, the index values in the index list and the file in the caption.
//
// It opens catalogs at start-up (the remembered file) and through File > Open, owns its current
// data source (objdatasource) and the record-set holder (Adodc1) that the grid, the search and
// the capture run share. Quit and the close box store the remembered file and end the program;
// File > Exit ends it without storing. The window exists at most once; current() finds it.
class DatabaseWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Vellumark - Database";
    static constexpr const char* kCaptionPrefix = "Vellumark - Database: ";
    static constexpr const char* kRecordCountText = "Number of Records: ";
    static constexpr const char* kFileFilter = "Text files *.txt (*.txt)";

    explicit DatabaseWindow(QWidget* parent = nullptr);
    ~DatabaseWindow() override;

    // The open database window, or null.
    static DatabaseWindow* current();

    // Loading work, run once before the window is first shown: lets pending events run once,
    // then reopens the remembered catalog (frmOpen).
    void load();
    void frmOpen();

    // File > Open.
    void mnuOpen_Click();
    // The current data source's failure notification.
    void objDataSource_OpenError(const QString& Message);

    // The record-set holder Adodc1: the record set the grid shows and the search filters.
    CatalogTablePtr recordSet() const { return m_holder; }
    void setRecordSet(const CatalogTablePtr& records) { m_holder = records; }
    // Binds the grid to the holder's record set (again); FormatGrid is the caller's next step.
    void bindGrid();
    CatalogGridModel* gridModel() const { return m_model; }

    // Whether a grid column wraps its text onto the row's second line (FormatGrid sets it).
    void setColumnWraps(int column, bool wraps);
    bool columnWraps(int column) const;

    // The current data source; null before the first open attempt.
    CatalogSource* objdatasource() const { return m_objdatasource.get(); }

    // Controls, by their names.
    QGroupBox* Frame1() const { return m_frame1; }
    QGroupBox* Frame2() const { return m_frame2; }
    QComboBox* Combo1() const { return m_combo1; }
    QLineEdit* Text1() const { return m_text1; }
    QPushButton* Command3() const { return m_command3; }
    QPushButton* Command4() const { return m_command4; }
    QPushButton* Command5() const { return m_command5; }
    QTableView* DataGrid1() const { return m_grid; }
    PanelStatusBar* StatusBar1() const { return m_statusBar; }
    QTimer* Timer1() const { return m_timer1; }
    QTimer* Timer2() const { return m_timer2; }
    QAction* mnuopenfile() const { return m_mnuopenfile; }

    // Status-bar panel 3, which shows the record count.
    QString recordCountText() const;
    void setRecordCountText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(QWidget* client);
    // A load that ran out of memory beyond what the data source catches (binding, index list).
    void informOutOfMemory(const QString& path);
    void buildMenus();
    void setTabOrder();
    CatalogSource* freshDataSource();
    void quit();
    void exitWithoutStoring();

    CatalogTablePtr m_holder;
    std::unique_ptr<CatalogSource> m_objdatasource;
    CatalogGridModel* m_model = nullptr;

    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command5 = nullptr;
    QTableView* m_grid = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QAction* m_mnuopenfile = nullptr;
};
