#pragma once

#include <QString>
#include <QtGlobal>

// What the walker sees of the capture window: the folder list, the file list that follows it,
// the progress bar, the yield to the event loop and the file system's file length. Paths and
// names are exact text (FolderListing::fromNative). The window implements it over its own controls (CaptureWindowLists); tests and the
// benchmark use HeadlessLists, which lists folders with the same rules.
class WalkerLists
{
public:
    virtual ~WalkerLists() = default;

    // Folder list.
    virtual QString folderPath() const = 0;
    // Moves the folder list (and with it the file list) to path; false with a description when
    // the folder cannot be listed, in which case both lists stay where they were.
    virtual bool setFolderPath(const QString& path, QString* error) = 0;
    virtual int folderCount() const = 0;
    virtual QString folderEntry(int index) const = 0; // full path of subfolder index

    // File list of the folder list's folder.
    virtual int fileCount() const = 0;
    virtual QString fileEntry(int index) const = 0; // name without folder

    // Progress bar (its minimum is 1).
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;

    // Lets pending window events run.
    virtual void yield() = 0;

    // The length in bytes of file-list entry index, whose full name (folder prefix and name)
    // is fullName; false with the reason (such as "File not found") when it cannot be read.
    // Read in the folder that was listed, never by looking fullName up again: a folder moved
    // or exchanged since its listing must not lend another folder's sizes.
    virtual bool fileLength(int index, const QString& fullName, qint64* length, QString* reason) = 0;
};
