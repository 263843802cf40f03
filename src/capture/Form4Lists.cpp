#include "capture/Form4Lists.h"

#include "capture/Form4.h"
#include "platform/widgets/FileList.h"
#include "platform/widgets/FolderList.h"
#include "platform/core/FolderListing.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QProgressBar>

Form4Lists::~Form4Lists()
{
    if (m_form)
        m_form->pb1()->setUpdatesEnabled(true);
}

QString Form4Lists::folderPath() const
{
    return m_form ? m_form->Dir1()->path() : QString();
}

bool Form4Lists::setFolderPath(const QString& path, QString* error)
{
    if (!m_form) {
        if (error)
            *error = QStringLiteral("The capture window has been closed");
        return false;
    }
    return m_form->Dir1()->setPath(path, error);
}

int Form4Lists::folderCount() const
{
    return m_form ? m_form->Dir1()->listCount() : 0;
}

QString Form4Lists::folderEntry(int index) const
{
    return m_form ? m_form->Dir1()->entry(index) : QString();
}

int Form4Lists::fileCount() const
{
    return m_form ? m_form->File1()->listCount() : 0;
}

QString Form4Lists::fileEntry(int index) const
{
    return m_form ? m_form->File1()->entry(index) : QString();
}

QString Form4Lists::indexText() const
{
    return m_form ? m_form->Combo1()->currentText() : QString();
}

void Form4Lists::setIndexText(const QString& text)
{
    if (m_form)
        m_form->Combo1()->setEditText(text);
}

void Form4Lists::setProgressMaximum(int maximum)
{
    if (m_form)
        m_form->pb1()->setMaximum(maximum);
}

void Form4Lists::setProgressValue(int value)
{
    if (!m_form)
        return;
    // A progress bar repaints itself at once on every visible change, which per file costs
    // more than the walk. Its value is always current; between paints (at most every 40 ms)
    // its updates stay off.
    QProgressBar* bar = m_form->pb1();
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= 40) {
        bar->setUpdatesEnabled(true);
        bar->repaint();
        m_sincePaint.start();
    }
}

void Form4Lists::yield()
{
    if (m_form)
        m_form->announceYield();
    QCoreApplication::processEvents();
}

bool Form4Lists::fileLength(const QString& fullName, qint64* length, QString* error)
{
    return FolderListing::fileLength(fullName, length, error);
}
