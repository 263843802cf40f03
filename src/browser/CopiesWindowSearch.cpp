// The copies window's searches (run on a thread of their own) and what it does with a list:
// open a record, copy records, save the list.
#include "browser/CopiesWindow.h"

#include "browser/RecordOpenAction.h"
#include "catalog/CopyKey.h"
#include "catalog/FileCopies.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/FileOpener.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardItemModel>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <new>

struct CopiesWindow::Job
{
    std::atomic<bool> cancelled{false};
    std::atomic<int> percent{0};
    std::function<void(Job&)> work;
    std::function<void(Job&)> done;
    QString error;
    qint64 record = -1;
    OtherCopies other;
    OnlyOnDisk only;
    Duplicates duplicates;
    std::vector<QString> disks;
    CopySearchControl control()
    {
        CopySearchControl c;
        c.cancelled = [this] { return cancelled.load(); };
        c.progress = [this](int p) { percent = std::max(percent.load(), p); };
        return c;
    }
};

namespace {

QString number(qint64 n)
{
    return QLocale().toString(n);
}

QString bytesText(qint64 bytes)
{
    if (bytes < 1024)
        return QCoreApplication::translate("CopiesWindow", "%1 bytes").arg(number(bytes));
    return QCoreApplication::translate("CopiesWindow", "%1 bytes (%2)")
        .arg(number(bytes), QLocale().formattedDataSize(bytes));
}

QString filesText(qint64 files)
{
    return files == 1 ? QCoreApplication::translate("CopiesWindow", "1 file")
                      : QCoreApplication::translate("CopiesWindow", "%1 files").arg(number(files));
}

QString percentOf(qint64 part, qint64 whole)
{
    return whole > 0 ? QLocale().toString(100.0 * double(part) / double(whole), 'f', 1) + QLatin1Char('%')
                     : QStringLiteral("-");
}

} // namespace

void CopiesWindow::fillDisks(const QString& select)
{
    if (!m_diskBox || m_diskBox->count() > 0 || !m_job)
        return;
    if (m_kind == Kind::Duplicates)
        m_diskBox->addItem(tr("All disks"), QString());
    for (const QString& index : m_job->disks) {
        const QString label = m_labels.value(index);
        m_diskBox->addItem(label.isEmpty() ? index : index + QStringLiteral(" - ") + label, index);
    }
    m_diskBox->setCurrentIndex(std::max(0, m_diskBox->findData(select)));
}

void CopiesWindow::start(std::function<void(Job&)> work, std::function<void(Job&)> done)
{
    cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_model->clear();
    if (m_coverageModel)
        m_coverageModel->setRowCount(0);
    m_summary->setText(tr("Searching..."));
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    job->done = std::move(done);
    m_job = job;
    m_thread = QThread::create([job] {
        try {
            job->work(*job);
        } catch (const std::bad_alloc&) {
            job->error = tr("There is not enough memory to compare this catalog's records.");
        }
    });
    // A search replaced since it started is no longer this window's job and is ignored.
    connect(m_thread, &QThread::finished, this, [this, job] {
        if (job == m_job)
            finished();
    });
    m_progress->setValue(0);
    m_progress->show();
    m_cancelButton->setEnabled(true);
    if (m_findButton)
        m_findButton->setEnabled(false);
    m_progressTimer->start();
    m_thread->start();
}

void CopiesWindow::updateProgress()
{
    if (m_job)
        m_progress->setValue(m_job->percent);
}

void CopiesWindow::cancel()
{
    if (m_job)
        m_job->cancelled = true;
}

void CopiesWindow::finished()
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_progressTimer->stop();
    m_progress->hide();
    m_cancelButton->setEnabled(false);
    if (m_findButton)
        m_findButton->setEnabled(true);
    Job& job = *m_job;
    if (!job.error.isEmpty())
        m_summary->setText(job.error);
    else if (job.cancelled)
        m_summary->setText(tr("Cancelled."));
    else
        job.done(job);
}

void CopiesWindow::showOtherCopies(CatalogTablePtr table, const QString& index,
                                   const QString& fullName, const QString& size,
                                   const DiskLabels& labels)
{
    m_table = std::move(table);
    m_labels = labels;
    m_model->setLabels(labels);
    const CatalogTablePtr records = m_table;
    m_subject = tr("%1 (%2 bytes) on %3").arg(fullName, size, diskName(index));
    start(
        [records, index = index.toUtf8(), name = fullName.toUtf8(), size = size.toUtf8()](Job& job) {
            job.record = records ? FileCopies::findRecord(*records, index, name, size) : -1;
            if (job.record >= 0)
                job.other = FileCopies::otherCopies(*records, job.record, job.control());
        },
        [this](Job& job) { showOtherCopiesResult(job); });
}

void CopiesWindow::showOtherCopiesResult(Job& job)
{
    const qint64 found = qint64(job.other.records.size());
    if (job.record < 0)
        m_summary->setText(tr("The record is not in the catalog shown."));
    else if (found == 0)
        m_summary->setText(tr("No other disk holds a copy of %1.").arg(m_subject));
    else
        m_summary->setText(tr("%1 copies on other disks of %2.").arg(number(found), m_subject));
    m_model->setList(m_table, std::move(job.other.records));
}

void CopiesWindow::showOnlyOnDisk(CatalogTablePtr table, const QString& index, const DiskLabels& labels)
{
    m_table = std::move(table);
    m_labels = labels;
    m_model->setLabels(labels);
    m_diskBox->clear();
    const CatalogTablePtr records = m_table;
    start(
        [records, index](Job& job) {
            if (!records)
                return;
            job.disks = FileCopies::diskIndexes(*records);
            job.only = FileCopies::onlyOnDisk(*records, index, job.control());
        },
        [this, index](Job& job) {
            fillDisks(index);
            showOnlyOnDiskResult(job);
        });
}

void CopiesWindow::showOnlyOnDiskResult(Job& job)
{
    OnlyOnDisk& only = job.only;
    m_summary->setText(tr("%1: %2 of %3, %4 of %5, have no copy on another disk.")
                           .arg(diskName(only.disk.index), number(only.atRisk.files),
                                filesText(only.disk.files), bytesText(only.atRisk.bytes),
                                bytesText(only.disk.bytes)));
    for (const DiskShare& share : only.copiesOn) {
        QList<QStandardItem*> row;
        for (const QString& text :
             {share.index, m_labels.value(share.index), number(share.files), number(share.bytes),
              percentOf(share.files, only.disk.files)})
            row.append(new QStandardItem(text));
        m_coverageModel->appendRow(row);
    }
    std::vector<qint64> starts;
    starts.reserve(only.folders.size());
    for (const FolderAtRisk& folder : only.folders)
        starts.push_back(folder.first);
    auto folders = std::make_shared<std::vector<FolderAtRisk>>(std::move(only.folders));
    m_model->setList(
        m_table, std::move(only.records), std::move(starts),
        [folders](qint64 g) {
            const FolderAtRisk& f = (*folders)[size_t(g)];
            return tr("%1: %2 only here").arg(f.folder, filesText(f.count));
        },
        [folders](qint64 g) { return QString::number((*folders)[size_t(g)].bytes); });
}

void CopiesWindow::showDuplicates(CatalogTablePtr table, const DiskLabels& labels)
{
    m_table = std::move(table);
    m_labels = labels;
    m_model->setLabels(labels);
    m_diskBox->clear();
    startFind();
}

void CopiesWindow::startFind()
{
    const CatalogTablePtr records = m_table;
    const QString index = m_diskBox && m_diskBox->count() > 0 ? m_diskBox->currentData().toString() : QString();
    if (m_kind == Kind::OnlyOnDisk) {
        if (!index.isEmpty())
            showOnlyOnDisk(m_table, index, m_labels);
        return;
    }
    const DuplicateFilter filter{m_minimumBox->text().toLongLong(), index};
    const bool needDisks = m_diskBox->count() == 0;
    start(
        [records, filter, needDisks](Job& job) {
            if (!records)
                return;
            if (needDisks)
                job.disks = FileCopies::diskIndexes(*records);
            job.duplicates = FileCopies::duplicates(*records, filter, job.control());
        },
        [this, index](Job& job) {
            fillDisks(index);
            showDuplicatesResult(job);
        });
}

void CopiesWindow::showDuplicatesResult(Job& job)
{
    Duplicates& found = job.duplicates;
    qint64 files = 0;
    for (const DuplicateGroup& group : found.groups)
        files += group.count;
    m_summary->setText(tr("%1 with the same name and size on two or more disks, in %2 "
                          "groups; all but one of each take %3.")
                           .arg(filesText(files), number(qint64(found.groups.size())),
                                bytesText(found.totalWaste)));
    // The list holds the groups in their order, largest waste first.
    std::vector<qint64> records;
    std::vector<qint64> starts;
    records.reserve(size_t(files));
    starts.reserve(found.groups.size());
    for (DuplicateGroup& group : found.groups) {
        starts.push_back(qint64(records.size()));
        records.insert(records.end(), found.records.begin() + group.first,
                       found.records.begin() + group.first + group.count);
        group.first = starts.back();
    }
    std::vector<qint64>().swap(found.records);
    auto groups = std::make_shared<std::vector<DuplicateGroup>>(std::move(found.groups));
    const CatalogTablePtr table = m_table;
    auto first = std::make_shared<std::vector<qint64>>(); // one record of each group, for its name
    for (const DuplicateGroup& group : *groups)
        first->push_back(records[size_t(group.first)]);
    m_model->setList(
        m_table, std::move(records), std::move(starts),
        [groups, first, table](qint64 g) {
            const DuplicateGroup& group = (*groups)[size_t(g)];
            qsizetype size = 0;
            const char* name = table->fieldData((*first)[size_t(g)], 1, &size);
            return tr("%1: %2 copies on %3 disks, %4 bytes more than one")
                .arg(QString::fromUtf8(CopyKey::fileNameOf(QByteArrayView(name, size))),
                     number(group.count), number(group.disks), number(group.waste));
        },
        [groups](qint64 g) { return QString::number((*groups)[size_t(g)].size); });
}

void CopiesWindow::openCurrentRecord()
{
    const QModelIndex current = m_list->currentIndex();
    QString fullName = current.isValid() ? m_model->fullNameAt(current.row()) : QString();
    if (fullName.isEmpty())
        return; // a group's heading, or nothing
    m_fileOpener = FileOpener::create();
    QString error;
    if (!m_fileOpener || !m_fileOpener->open(fullName, &error)) {
        if (error.isEmpty())
            error = tr("The file could not be opened.");
        Dialogs::inform(this, error, RecordOpenAction::openErrorTitle());
    }
}

void CopiesWindow::copySelection()
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_list->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QApplication::clipboard()->setText(m_model->catalogLines(rows));
}

void CopiesWindow::saveList()
{
    Dialogs::FileRequest request;
    request.filter = tr("Text files (*.txt);;All files (*)");
    const QString path = Dialogs::saveFileName(this, request);
    if (path.isEmpty())
        return;
    // Written beside the chosen name and put in its place when complete, so a failure never
    // leaves half a list over a file that was there.
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (!m_model->writeTabSeparated(file, &error))
        file.cancelWriting();
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty())
        Dialogs::inform(this, tr("The list could not be saved to %1: %2").arg(path, error),
                        tr("Save List"));
}
