#pragma once

#include "capture/walker/HeadlessLists.h"
#include "capture/walker/WalkerLists.h"

class QProgressDialog;
struct CaptureSession;

// The walker's lists for a re-capture: folders and files read as a capture reads them
// (HeadlessLists), with the walk's progress, the folder being read and Cancel in a progress
// dialog. Cancel there stops the session's walk at its next folder.
class RecaptureLists : public WalkerLists
{
public:
    RecaptureLists(QProgressDialog* progress, CaptureSession* session)
        : m_progress(progress), m_session(session)
    {
    }

    QString folderPath() const override { return m_lists.folderPath(); }
    bool setFolderPath(const QString& path, QString* error) override;
    int folderCount() const override { return m_lists.folderCount(); }
    QString folderEntry(int index) const override { return m_lists.folderEntry(index); }
    int fileCount() const override { return m_lists.fileCount(); }
    QString fileEntry(int index) const override { return m_lists.fileEntry(index); }
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void yield() override;
    bool fileLength(int index, const QString& fullName, qint64* length, QString* reason) override
    {
        return m_lists.fileLength(index, fullName, length, reason);
    }

private:
    HeadlessLists m_lists;
    QProgressDialog* m_progress;
    CaptureSession* m_session;
};
