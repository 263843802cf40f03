#include "capture/CaptureWindowLists.h"

#include "capture/CaptureWindow.h"
#include "platform/widgets/FileList.h"
#include "platform/widgets/FolderList.h"
#include "platform/core/FolderListing.h"

#include <QCoreApplication>
#include <QProgressBar>

CaptureWindowLists::~CaptureWindowLists()
{
    if (m_window) {
        m_window->progressBar()->setUpdatesEnabled(true);
        m_window->folderList()->releaseFolder();
    }
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
    // walk itself; the bar is brought up to date in one step instead.
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
    if (m_throttle.due())
        showProgress(/*paint=*/true);
}

void CaptureWindowLists::showProgress(bool paint)
{
    if (!m_window || !m_progressPending)
        return;
    m_progressPending = false;
    // Between paints (at most every 40 ms) the bar's updates stay off, so taking the new range
    // and value does not paint it once per folder either.
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
    // The file list follows the folder list, which holds its folder open: the length is read
    // relative to it unless the file list was moved on its own.
    if (m_window && m_window->fileList()->path() == m_window->folderList()->path())
        return m_window->folderList()->fileLength(m_window->fileList()->entry(index), length, reason);
    return FolderListing::fileLength(fullName, length, reason);
}
