#pragma once

#include "platform/core/FolderHandle.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class FolderReader;

// The lengths of the listed folder's files, for both implementations of the walker's lists.
// Every length comes from the folder the reader listed, through its handle: the walk's own
// reads through the reader, and those of a helper on a second thread through a duplicate of
// it, so a folder renamed or exchanged meanwhile can never lend its sizes.
//
// The walk takes the files from the first on, the helper from the last back, and they stop
// where they meet. Reading a file's length is most of a walk's time, and both halves are the
// system's work, so a second core nearly halves it. A file the helper has not taken yet is the
// walk's own; one the helper is reading is waited for (one system call at most). Between
// folders the helper sleeps on a condition variable.
class SideLengths
{
public:
    // OwnThread: the helper runs on a thread of its own. OnRequest: it runs only inside
    // helpNow(), on the caller's thread, so that tests fix who measures what.
    enum class Helper { OwnThread, OnRequest };

    explicit SideLengths(Helper helper = Helper::OwnThread) : m_helper(helper) {}
    ~SideLengths();
    SideLengths(const SideLengths&) = delete;
    SideLengths& operator=(const SideLengths&) = delete;

    // The length of file index of names, the listing that reader gave last (the very list, as
    // the file list holds it: a list not seen before is offered to the helper); false with the
    // reason when it cannot be read.
    bool fileLength(FolderReader& reader, const QStringList& names, int index, qint64* length,
                    QString* reason);

    // Withdraws the folder offered last (the walk moved on).
    void withdraw();

    // OnRequest: the helper's part of the folder offered last, done now.
    void helpNow();

    // Folders of fewer files are not worth handing over.
    static constexpr int kOfferFrom = 8;

private:
    struct Folder;
    enum class Answer { None, Read, Failed };
    void offer(FolderReader& reader, const QStringList& names);
    Answer take(int index, qint64* length, QString* reason);
    static void measure(Folder& folder);
    void run();

    const Helper m_helper;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<Folder> m_next;    // waiting for the helper (guarded by m_mutex)
    std::shared_ptr<Folder> m_current; // the walk's side of the folder offered last
    bool m_stop = false;
    std::thread m_thread;
    bool m_started = false;
};
