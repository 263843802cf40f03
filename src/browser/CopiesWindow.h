#pragma once

#include "browser/CopiesListModel.h"
#include "catalog/CatalogTable.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class FileOpener;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QThread;
class QTimer;

// The registry names of the three copies windows (also their objectNames).
namespace CopiesWindowId {
inline const QString otherCopies = QStringLiteral("OtherCopies");
inline const QString onlyOnDisk = QStringLiteral("OnlyOnDisk");
inline const QString duplicates = QStringLiteral("Duplicates");
} // namespace CopiesWindowId

// One list of records about copies across disks: the other copies of one file, what only one
// disk holds (with, per other disk, how much of it has a copy there), or the duplicates of the
// whole catalog. The search runs on a thread of its own while the window shows its progress
// and Cancel. Enter or a double-click on a record opens the file as the database window's
// open action does; Ctrl+C copies the selected records as catalog lines; Save writes the whole
// list as tab-separated text.
class CopiesWindow : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { OtherCopies, OnlyOnDisk, Duplicates };

    explicit CopiesWindow(Kind kind, QWidget* parent = nullptr);
    ~CopiesWindow() override;

    Kind kind() const { return m_kind; }

    // Each starts a search (cancelling one under way) over the table, which stays alive
    // until the next one.
    void showOtherCopies(CatalogTablePtr table, const QString& index, const QString& fullName,
                         const QString& size, const DiskLabels& labels);
    void showOnlyOnDisk(CatalogTablePtr table, const QString& index, const DiskLabels& labels);
    void showDuplicates(CatalogTablePtr table, const DiskLabels& labels);

    bool isWorking() const { return m_thread != nullptr; }
    void cancel();

    // Controls, for tests.
    CopiesListModel* listModel() const { return m_model; }
    QTableView* list() const { return m_list; }
    QStandardItemModel* coverage() const { return m_coverageModel; }
    QLabel* summary() const { return m_summary; }
    QComboBox* diskBox() const { return m_diskBox; }
    QLineEdit* minimumSizeBox() const { return m_minimumBox; }
    QPushButton* findButton() const { return m_findButton; }
    QPushButton* saveButton() const { return m_saveButton; }
    QProgressBar* progress() const { return m_progress; }

    // The actions behind the keys and buttons.
    void copySelection();
    void saveList();
    void openCurrentRecord();

    static QString title(Kind kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Job;
    void buildControls();
    void fillDisks(const QString& select);
    void startFind();
    // Runs work on the search thread; done(job) runs here when it has finished.
    void start(std::function<void(Job&)> work, std::function<void(Job&)> done);
    void finished();
    void updateProgress();
    void showOtherCopiesResult(Job& job);
    void showOnlyOnDiskResult(Job& job);
    void showDuplicatesResult(Job& job);
    QString diskName(const QString& index) const;

    Kind m_kind;
    CatalogTablePtr m_table;
    DiskLabels m_labels;
    QString m_subject; // the record's values, or the disk shown

    std::shared_ptr<Job> m_job;
    QThread* m_thread = nullptr;
    QTimer* m_progressTimer = nullptr;
    std::unique_ptr<FileOpener> m_fileOpener;

    QLabel* m_diskLabel = nullptr;
    QComboBox* m_diskBox = nullptr;
    QLabel* m_minimumLabel = nullptr;
    QLineEdit* m_minimumBox = nullptr;
    QPushButton* m_findButton = nullptr;
    QLabel* m_summary = nullptr;
    QStandardItemModel* m_coverageModel = nullptr;
    QTableView* m_coverage = nullptr;
    CopiesListModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
