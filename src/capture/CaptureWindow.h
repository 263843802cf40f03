#pragma once

#include <QString>
#include <QWidget>

class DriveList;
class FileList;
class FolderList;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class PanelStatusBar;
class TextFileView;
struct CaptureSession;

// The capture window: the drive, folder and file lists on the left, the captured-files text on
// the right, the index value, the append choice and the run buttons below. Run is the capture
// run (CaptureRun); the walk drives this window's lists through CaptureWindowLists.
//
// Cancel, Quit and closing the window by any means while a walk runs stop the walk at its next
// folder; the window may be deleted while the run's handler is still on the
// stack (at the walk's next yield), so the run and the walker's lists hold guarded pointers.
class CaptureWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Vellumark - Directory Capture";
    static constexpr const char* kCaptionRunning = "Vellumark - Directory Capture (In Progress)";
    static constexpr const char* kFilesText = "Number of Files: ";

    explicit CaptureWindow(QWidget* parent = nullptr);
    ~CaptureWindow() override;

    // Loading work: progress bar at its minimum, the index values, the lists at the current
    // folder.
    void load();

    DriveList* driveList() const { return m_driveList; }
    FolderList* folderList() const { return m_folderList; }
    FileList* fileList() const { return m_fileList; }
    TextFileView* capturedFilesView() const { return m_capturedFiles; }
    QComboBox* indexBox() const { return m_indexBox; }
    QCheckBox* append() const { return m_append; }
    QPushButton* runButton() const { return m_runButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QPushButton* resetButton() const { return m_resetButton; }
    QPushButton* quitButton() const { return m_quitButton; }
    QProgressBar* progressBar() const { return m_progressBar; }
    PanelStatusBar* statusBar() const { return m_statusBar; }
    QAction* openAction() const { return m_openAction; }
    QAction* printAction() const { return m_printAction; }
    QAction* exitAction() const { return m_exitAction; }
    QAction* instructionsAction() const { return m_instructionsAction; }
    QAction* aboutAction() const { return m_aboutAction; }

    // The file chosen last in this window.
    QString chosenFileName() const { return m_chosenFileName; }
    void setChosenFileName(const QString& name) { m_chosenFileName = name; }

    // The window is in its running look while any run is active, idle after the last ends.
    // Cancel, Quit and closing stop every active run's walk.
    void beginRun(CaptureSession* session);
    void endRun(CaptureSession* session);
    bool isRunning() const { return !m_sessions.isEmpty(); }
    void setIdleLook();
    void setRunningLook();

    // Tells everyone who watches a walk that it is about to let events run (tests, benchmark).
    void announceYield() { emit walkYield(); }

    void onCancelClicked(); // Cancel
    void onResetClicked(); // Reset
    void onQuitClicked(); // Quit
    void onOpenTriggered();
    void onPrintTriggered();

signals:
    void walkYield();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenus(QMenuBar* bar);
    void setTabOrder();
    void onDriveChanged(const QString& root);
    void onFolderChanged(const QString& path);
    void stopWalk();
    void placeProgressBar();
    void showIndexPrompt();
    bool printText(QString* error);

    DriveList* m_driveList = nullptr;
    FolderList* m_folderList = nullptr;
    FileList* m_fileList = nullptr;
    TextFileView* m_capturedFiles = nullptr;
    QComboBox* m_indexBox = nullptr;
    QCheckBox* m_append = nullptr;
    QPushButton* m_runButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_resetButton = nullptr;
    QPushButton* m_quitButton = nullptr;
    QProgressBar* m_progressBar = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    QGroupBox* m_explorerFrame = nullptr;
    QGroupBox* m_capturedFrame = nullptr;
    QGroupBox* m_optionsFrame = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_instructionsAction = nullptr;
    QAction* m_aboutAction = nullptr;

    QString m_chosenFileName;
    QList<CaptureSession*> m_sessions;
    int m_aboutToEndId = 0;
};
