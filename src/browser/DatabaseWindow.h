#pragma once

#include "catalog/CatalogTable.h"

#include <QMainWindow>

#include <memory>

class CatalogGridModel;
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
// It opens catalogs at start-up (the remembered file) and through File > Open, and owns the
// record-set holder that the grid, the search and the capture run share. Quit and the
// close box store the remembered file and end the program; File > Exit ends it without
// storing. The window exists at most once; the window registry finds it.
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

    // Loading work, run once before the window is first shown: lets pending events run once,
    // then reopens the remembered catalog (reopenRememberedCatalog).
    void load();
    void reopenRememberedCatalog();

    // File > Open.
    void onOpenTriggered();

    // The record-set holder: the record set the grid shows and the search filters.
    CatalogTablePtr recordSet() const { return m_holder; }
    void setRecordSet(const CatalogTablePtr& records) { m_holder = records; }
    // Binds the grid to the holder's record set (again); formatGrid is the caller's next step.
    void bindGrid();
    CatalogGridModel* gridModel() const { return m_model; }

    // Whether a grid column wraps its text onto the row's second line (formatGrid sets it).
    void setColumnWraps(int column, bool wraps);
    bool columnWraps(int column) const;

    // The catalog Quit and the close box remember: read from the setting at start-up, then
    // the one shown last.
    const QString& lastFileName() const { return m_lastFileName; }
    void setLastFileName(const QString& path) { m_lastFileName = path; }

    // Controls, by their names.
    QGroupBox* searchFrame() const { return m_searchFrame; }
    QGroupBox* recordsFrame() const { return m_recordsFrame; }
    QComboBox* indexList() const { return m_indexList; }
    QLineEdit* searchBox() const { return m_searchBox; }
    QPushButton* searchButton() const { return m_searchButton; }
    QPushButton* resetButton() const { return m_resetButton; }
    QPushButton* quitButton() const { return m_quitButton; }
    QTableView* grid() const { return m_grid; }
    PanelStatusBar* statusBar() const { return m_statusBar; }
    QTimer* fileNameSearchTimer() const { return m_fileNameSearchTimer; }
    QTimer* indexSearchTimer() const { return m_indexSearchTimer; }
    QAction* openAction() const { return m_openAction; }

    // Status-bar panel 3, which shows the record count.
    QString recordCountText() const;
    void setRecordCountText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenus();
    void setTabOrder();
    void quit();
    void exitWithoutStoring();

    CatalogTablePtr m_holder;
    QString m_lastFileName;
    CatalogGridModel* m_model = nullptr;

    QGroupBox* m_searchFrame = nullptr;
    QGroupBox* m_recordsFrame = nullptr;
    QLabel* m_indexLabel = nullptr;
    QLabel* m_searchLabel = nullptr;
    QComboBox* m_indexList = nullptr;
    QLineEdit* m_searchBox = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_resetButton = nullptr;
    QPushButton* m_quitButton = nullptr;
    QTableView* m_grid = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    QTimer* m_fileNameSearchTimer = nullptr;
    QTimer* m_indexSearchTimer = nullptr;
    QAction* m_openAction = nullptr;
};
