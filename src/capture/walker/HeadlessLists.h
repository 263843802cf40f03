#pragma once

#include "capture/walker/SideLengths.h"
#include "capture/walker/WalkerLists.h"
#include "platform/core/FolderReader.h"

#include <QStringList>

#include <functional>

// The walker's lists without a window: the folder and file lists read folders with the same
// rules as the capture window's lists (FolderListing), the progress bar is two numbers. Tests hook into the yield to act during a walk.
class HeadlessLists : public WalkerLists
{
public:
    QString folderPath() const override { return m_shown.path; }
    bool setFolderPath(const QString& path, QString* error) override;
    int folderCount() const override { return m_shown.folders.size(); }
    QString folderEntry(int index) const override;
    int fileCount() const override { return m_shown.files.size(); }
    QString fileEntry(int index) const override { return m_shown.files.value(index); }

    void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
    void setProgressValue(int value) override { progressValue = value; }

    void yield() override
    {
        ++yields;
        if (onYield)
            onYield();
    }

    bool fileLength(int index, const QString& fullName, qint64* length, QString* reason) override;

    // How many times a folder was read from the disk (a folder set again while unchanged is not).
    int folderReads() const { return m_reader.folderReads(); }

    int progressMaximum = 100;
    int progressValue = 1;
    int yields = 0;
    std::function<void()> onYield;
    // Runs after a folder is listed and before the walker reads it (tests change the disk).
    std::function<void(const QString& folder)> afterListing;

private:
    FolderReader m_reader;
    FolderListing::Shown m_shown;
    SideLengths m_side; // the file lengths the second core reads
};
