#include "disks/DiskRecapture.h"

#include "browser/DatabaseWindow.h"
#include "browser/OpenCatalog.h"
#include "capture/walker/CaptureSession.h"
#include "capture/walker/DirectoryWalker.h"
#include "catalog/CatalogRewrite.h"
#include "catalog/DiskChanges.h"
#include "disks/RecaptureLists.h"
#include "disks/RecapturePreview.h"
#include "platform/core/FileChannel.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QTemporaryFile>

DiskRecapture::DiskRecapture(QWidget* parent, const QString& catalog, const QString& index)
    : m_parent(parent), m_catalog(catalog), m_index(index)
{
    m_facts.index = index;
    const DiskFactsFile facts = DiskFactsFile::read(catalog);
    if (const DiskFacts* line = facts.find(index))
        m_facts = *line;
}

void DiskRecapture::tell(const QString& text) const
{
    Dialogs::message(m_parent, {text, QString::fromLatin1(kTitle), QMessageBox::Ok, QMessageBox::Warning});
}

bool DiskRecapture::run()
{
    if (!catalogCanBeReplaced())
        return false;
    const QString folder = chooseFolder();
    if (folder.isEmpty() || !sameVolumeOrConfirmed(folder))
        return false;
    // Hidden and beside the catalog: on the disk the rewrite needs room on, and never listed by
    // a walk of the catalog's own folder.
    QTemporaryFile newLines(QFileInfo(m_catalog).absolutePath() + QStringLiteral("/.")
                            + QFileInfo(m_catalog).fileName() + QStringLiteral(".recapture.XXXXXX"));
    if (!newLines.open()) {
        tell(QStringLiteral("The catalog %1 cannot be re-captured: no temporary file can be made "
                            "beside it (%2)")
                 .arg(QDir::toNativeSeparators(m_catalog), newLines.errorString()));
        return false;
    }
    newLines.close();
    return walk(folder, newLines.fileName()) && previewAndReplace(folder, newLines.fileName());
}

// Refused before the walk, so nobody waits through a walk whose result cannot be kept.
bool DiskRecapture::catalogCanBeReplaced()
{
    QString reason;
    const FileChannel& channel = FileChannel::instance();
    if (channel.isOpen() && QFileInfo(channel.path()) == QFileInfo(m_catalog))
        reason = QStringLiteral("a capture is writing it");
    else if (CatalogRewrite::canReplace(m_catalog, 0, &reason))
        return true;
    tell(QStringLiteral("Disk %1 of %2 cannot be re-captured: %3")
             .arg(m_index, QDir::toNativeSeparators(m_catalog), reason));
    return false;
}

QString DiskRecapture::chooseFolder()
{
    Dialogs::FolderRequest request;
    request.title = QStringLiteral("Re-capture disk %1 from").arg(m_index);
    if (!m_facts.root.isEmpty() && QFileInfo(m_facts.root).isDir())
        request.initialFolder = m_facts.root;
    return Dialogs::folderName(m_parent, request);
}

// A folder on another file system than the disk's last capture is probably the wrong disk.
bool DiskRecapture::sameVolumeOrConfirmed(const QString& folder)
{
    const VolumeFacts now = volumeFacts(folder);
    const QString recorded = m_facts.volume.uuid;
    if (recorded.isEmpty() || now.uuid.isEmpty() || recorded == now.uuid)
        return true;
    const QString text =
        QStringLiteral("%1 is on the volume %2 (UUID %3), but disk %4 was captured from the "
                       "volume %5 (UUID %6). Re-capture disk %4 from this folder?")
            .arg(QDir::toNativeSeparators(folder), now.name, now.uuid, m_index,
                 m_facts.volume.name, recorded);
    return Dialogs::message(m_parent, {text, QString::fromLatin1(kTitle),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning})
           == QMessageBox::Yes;
}

// Walks folder as a capture does, into newLines; false when cancelled or failed (told).
bool DiskRecapture::walk(const QString& folder, const QString& newLines)
{
    FileChannel channel; // the temporary file's own: the catalog stays free meanwhile
    QString error;
    if (!channel.open(newLines, FileChannel::Mode::Output, &error)) {
        tell(error);
        return false;
    }
    CaptureSession session(channel);
    session.index = m_index;
    session.sink.begin(newLines);

    QProgressDialog progress(QDir::toNativeSeparators(folder), QStringLiteral("Cancel"), 1, 1, m_parent);
    progress.setObjectName(QStringLiteral("recaptureProgress"));
    progress.setWindowTitle(QStringLiteral("Vellumark - Re-capture disk %1").arg(m_index));
    progress.setAccessibleName(QStringLiteral("Re-capture progress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    progress.show();

    RecaptureLists lists(&progress, &session);
    QString startError;
    if (!lists.setFolderPath(folder, &startError)) {
        channel.close();
        tell(startError);
        return false;
    }
    WalkContext context;
    context.lists = &lists;
    context.session = &session;
    QPointer<QWidget> parent(m_parent);
    context.report = [&session, parent](const QString& description) {
        const auto buttons = session.sink.failed() ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel;
        if (Dialogs::message(parent, {description, QString(), buttons, QMessageBox::NoIcon})
            == QMessageBox::Cancel)
            session.stopRequested = true;
    };
    DirectoryWalker(context).walk(folder);
    progress.hide();
    const bool closed = channel.close(&error);
    if (!session.keepGoing())
        return false; // cancelled, or the temporary file failed (reported by the walk)
    if (!closed)
        tell(error);
    return closed;
}

bool DiskRecapture::previewAndReplace(const QString& folder, const QString& newLines)
{
    std::vector<CatalogRewrite::Record> before, after;
    QString error;
    FileChannel own;
    if (!CatalogRewrite::readRecords(FileChannel::instance(), m_catalog, m_index, 0, &before, &error)
        || !CatalogRewrite::readRecords(own, newLines, QString(), 0, &after, &error)) {
        tell(QStringLiteral("The catalog %1 was not changed: %2").arg(QDir::toNativeSeparators(m_catalog), error));
        return false;
    }
    const DiskChanges changes = DiskChanges::between(before, after);
    RecapturePreview preview(m_index, m_facts.label, changes, m_parent);
    if (preview.exec() != QDialog::Accepted)
        return false;

    if (!CatalogRewrite::replaceDisk(FileChannel::instance(), m_catalog, m_index, newLines, &error)) {
        tell(QStringLiteral("The catalog %1 was not changed: %2").arg(QDir::toNativeSeparators(m_catalog), error));
        return false;
    }
    if (!recordCapture({m_catalog, m_index, folder, qint64(after.size()), CatalogRewrite::totalBytes(after), true},
                       &error))
        tell(error);
    // The new catalog is shown as a finished capture shows its own; a refusal there is told
    // by the database window itself.
    if (auto* database = WindowRegistry::instance().find<DatabaseWindow>(WindowId::database)) {
        const CatalogOpening opening = openCatalog(*database, m_catalog, FirstLineCheck::Skip);
        if (!opening.failure.isEmpty() && opening.result != CatalogOpening::Result::Shown)
            tell(opening.failure);
    }
    return true;
}
