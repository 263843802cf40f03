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

// The capture window: the drive, folder and file lists on the left, the captured-files text on
// the right, the index value, the append choice and the run buttons below. Run is the capture
// run (CaptureRun); the walk drives this window's lists through CaptureWindowLists.
//
// searchflag and totfiles belong to the window but outlive it: closing and reopening the
// window does not set them back. Closing the window by any means while a walk runs stops the
// walk at its next folder; the window may be deleted while the run's handler is still on the
// stack (at the walk's next yield), so the run and the walker's lists hold guarded pointers.
class CaptureWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kCaption = "Vellumark - Directory Capture";
    static constexpr const char* kCaptionRunning = "Vellumark - Directory Capture (In Progress)";
    static constexpr const char* kFilesText = "Number of Files: ";

    // True while a walk may continue; Cancel, Quit and closing the window clear it.
    static bool searchflag;
    // The file count of the last overwrite-mode run.
    static qint32 totfiles;

    explicit CaptureWindow(QWidget* parent = nullptr);
    ~CaptureWindow() override;

    // Loading work: progress bar at its minimum, the index values, the lists at the current
    // folder.
    void load();

    DriveList* Drive1() const { return m_Drive1; }
    FolderList* Dir1() const { return m_Dir1; }
    FileList* File1() const { return m_File1; }
    TextFileView* rt1() const { return m_rt1; }
    QComboBox* Combo1() const { return m_Combo1; }
    QCheckBox* append() const { return m_append; }
    QPushButton* Command1() const { return m_Command1; }
    QPushButton* Command2() const { return m_Command2; }
    QPushButton* Command3() const { return m_Command3; }
    QPushButton* Command4() const { return m_Command4; }
    QProgressBar* pb1() const { return m_pb1; }
    PanelStatusBar* StatusBar1() const { return m_StatusBar1; }
    QAction* mnuOpen() const { return m_mnuOpen; }
    QAction* mnuPrint() const { return m_mnuPrint; }
    QAction* mnuExit() const { return m_mnuExit; }
    QAction* mnuinstr() const { return m_mnuinstr; }
    QAction* mnuAbout() const { return m_mnuAbout; }

    // CommonDialog1's file name: the file chosen last in this window.
    QString chosenFileName() const { return m_chosenFileName; }
    void setChosenFileName(const QString& name) { m_chosenFileName = name; }

    // The window is in its running look while any run is active, idle after the last ends.
    void beginRun();
    void endRun();
    bool isRunning() const { return m_activeRuns > 0; }
    void setIdleLook();
    void setRunningLook();

    // Tells everyone who watches a walk that it is about to let events run (tests, benchmark).
    void announceYield() { emit walkYield(); }

    void Command2_Click(); // Cancel
    void Command3_Click(); // Reset
    void Command4_Click(); // Quit
    void mnuOpen_Click();
    void mnuPrint_Click();

signals:
    void walkYield();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenus(QMenuBar* bar);
    void setTabOrder();
    void Drive1_Change(const QString& root);
    void Dir1_Change(const QString& path);
    void stopWalk();
    void placeProgressBar();
    void showIndexPrompt();
    bool printText(QString* error);

    DriveList* m_Drive1 = nullptr;
    FolderList* m_Dir1 = nullptr;
    FileList* m_File1 = nullptr;
    TextFileView* m_rt1 = nullptr;
    QComboBox* m_Combo1 = nullptr;
    QCheckBox* m_append = nullptr;
    QPushButton* m_Command1 = nullptr;
    QPushButton* m_Command2 = nullptr;
    QPushButton* m_Command3 = nullptr;
    QPushButton* m_Command4 = nullptr;
    QProgressBar* m_pb1 = nullptr;
    PanelStatusBar* m_StatusBar1 = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    QGroupBox* m_Frame2 = nullptr;
    QGroupBox* m_Frame3 = nullptr;
    QAction* m_mnuOpen = nullptr;
    QAction* m_mnuPrint = nullptr;
    QAction* m_mnuExit = nullptr;
    QAction* m_mnuinstr = nullptr;
    QAction* m_mnuAbout = nullptr;

    QString m_chosenFileName;
    int m_activeRuns = 0;
    int m_aboutToEndId = 0;
};
