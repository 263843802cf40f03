#include "disks/RecaptureLists.h"

#include "capture/walker/CaptureSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QProgressDialog>

bool RecaptureLists::setFolderPath(const QString& path, QString* error)
{
    if (!m_lists.setFolderPath(path, error))
        return false;
    if (m_progress)
        m_progress->setLabelText(QDir::toNativeSeparators(path));
    return true;
}

void RecaptureLists::setProgressMaximum(int maximum)
{
    if (m_progress)
        m_progress->setRange(1, std::max(1, maximum));
}

void RecaptureLists::setProgressValue(int value)
{
    if (m_progress)
        m_progress->setValue(std::min(value, m_progress->maximum()));
}

void RecaptureLists::yield()
{
    QCoreApplication::processEvents();
    if (m_progress && m_progress->wasCanceled())
        m_session->stopRequested = true;
}
