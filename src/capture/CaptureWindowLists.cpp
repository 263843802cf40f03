#include "capture/CaptureWindowLists.h"

#include "capture/CaptureWindow.h"
#include "platform/widgets/FileList.h"
#include "platform/widgets/FolderList.h"

#include <QCoreApplication>
#include <QProgressBar>

CaptureWindowLists::CaptureWindowLists(CaptureWindow* window) : m_window(window)
{
    // A walk moves the lists twice per folder, thousands of times a second: rebuilding rows
    // that no frame will show cost more than the walk. The rows follow once per frame.
    if (m_window) {
        m_window->folderList()->holdRows(true);
        m_window->fileList()->holdRows(true);
        m_holding = true;
    }
}

CaptureWindowLists::~CaptureWindowLists()
{
    endWalk();
    if (m_window) {
        m_window->progressBar()->setUpdatesEnabled(true);
        m_window->folderList()->releaseFolder();
    }
}

void CaptureWindowLists::endWalk()
{
    showCurrent();
    if (m_window && m_holding) {
        m_window->folderList()->holdRows(false);
        m_window->fileList()->holdRows(false);
    }
    m_holding = false;
}

void CaptureWindowLists::showCurrent()
{
    if (!m_window)
        return;
    m_window->folderList()->showRows();
    m_window->fileList()->showRows();
    showProgress(/*paint=*/true);
}

void CaptureWindowLists::showFrame()
{
    if (!m_window)
        return;
    m_window->folderList()->showRows();
    m_window->fileList()->showRows();
    if (m_progressPending) {
        m_progressPending = false;
        QProgressBar* bar = m_window->progressBar();
        bar->setMaximum(m_progressMaximum);
        bar->setValue(m_progressValue);
        bar->setUpdatesEnabled(true); // and so updated with the lists, in the same paint
    }
    m_throttle.painted();
}

QString CaptureWindowLists::folderPath() const
{
    return m_window ? m_window->folderList()->path() : QString();
}

bool CaptureWindowLists::setFolderPath(const QString& path, QString* error)
{
    if (!m_window) {
        if (error)
            *error = QStringLiteral("The capture window has been closed");
        return false;
    }
    // Whatever the helper read belongs to the folder being left (even a listing given again
    // unchanged is read anew when its files are walked again).
    m_side.withdraw();
    return m_window->folderList()->setPath(path, error);
}

int CaptureWindowLists::folderCount() const
{
    return m_window ? m_window->folderList()->listCount() : 0;
}

QString CaptureWindowLists::folderEntry(int index) const
{
    return m_window ? m_window->folderList()->entry(index) : QString();
}

int CaptureWindowLists::fileCount() const
{
    return m_window ? m_window->fileList()->listCount() : 0;
}

QString CaptureWindowLists::fileEntry(int index) const
{
    return m_window ? m_window->fileList()->entry(index) : QString();
}

void CaptureWindowLists::setProgressMaximum(int maximum)
{
    // Setting a bar's range or value repaints it at once, which per file costs more than the
    // walk itself; the bar is brought up to date in one step, once per frame, instead.
    m_progressMaximum = maximum;
    m_progressPending = true;
}

void CaptureWindowLists::setProgressValue(int value)
{
    m_progressValue = value;
    m_progressPending = true;
    maybeShowProgress();
}

void CaptureWindowLists::maybeShowProgress()
{
    // A frame falls due within a folder of many files: it is painted now, not at the next
    // yield, which may be seconds away. Only the window's paint is sent, no other event.
    if (!m_throttle.due() || !m_window)
        return;
    showFrame();
    QCoreApplication::sendPostedEvents(m_window->window(), QEvent::UpdateRequest);
}

void CaptureWindowLists::showProgress(bool paint)
{
    if (!m_window || !m_progressPending)
        return;
    m_progressPending = false;
    // Between frames the bar's updates stay off, so taking the new range and value does not
    // paint it once per folder either.
    QProgressBar* bar = m_window->progressBar();
    bar->setUpdatesEnabled(paint);
    bar->setMaximum(m_progressMaximum);
    bar->setValue(m_progressValue);
    if (paint) {
        bar->repaint();
        m_throttle.painted();
    }
}

void CaptureWindowLists::yield()
{
    // A frame due: the lists and the bar are brought up to date here, and painted together
    // by the events below.
    if (m_throttle.due())
        showFrame();
    else
        showProgress(/*paint=*/false);
    if (m_window)
        m_window->announceYield();
    // Events posted by the program itself (a queued call, a deferred delete, a repaint of the
    // lists) run at every folder, as before. Asking the window system for its events costs a
    // poll of its own, which at every folder of a large tree would take a good part of the
    // walk: that is done when a frame's time has passed, so input is still answered at once to
    // the eye.
    QCoreApplication::sendPostedEvents();
    if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kEventsIntervalMs)) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
}

bool CaptureWindowLists::fileLength(int index, const QString& fullName, qint64* length, QString* reason)
{
    // The file list follows the folder list, which holds the folder it listed open: the length
    // is read there, never by looking the path up again.
    Q_UNUSED(fullName);
    if (!m_window) {
        if (reason)
            *reason = QStringLiteral("the capture window has been closed");
        return false;
    }
    FolderList* folders = m_window->folderList();
    FileList* files = m_window->fileList();
    if (files->path() != folders->path()) {
        if (reason)
            *reason = QStringLiteral("the file list does not show the folder being walked");
        return false;
    }
    return m_side.fileLength(folders->reader(), files->names(), index, length, reason);
}
