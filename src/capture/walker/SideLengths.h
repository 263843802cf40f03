#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// Reads the lengths of a folder's files on a second thread while the walk reads them too: the
// walk takes the files from the first on, the helper from the last back, and they stop where
// they meet. Reading a file's length is most of a walk's time, and both halves are the
// system's work, so a second core nearly halves it. The walk asks take() for every file in
// order; a file the helper has not taken yet is the walk's own (it reads it as before), one the
// helper is reading is waited for (one system call at most).
class SideLengths
{
public:
    SideLengths() = default;
    ~SideLengths();
    SideLengths(const SideLengths&) = delete;
    SideLengths& operator=(const SideLengths&) = delete;

    // The walk is at the files names (exact names, as the file list holds them) of folder: a
    // listing not offered yet is offered to the helper, which reads them relative to the
    // folder opened anew by its path; whatever was offered before is withdrawn.
    void follow(const QString& folder, const QStringList& names);
    // Withdraws the folder offered last (the walk moved on).
    void withdraw();

    // The helper's reading of file index of the folder offered last: Read with its length, or
    // Failed with the reason as FolderListing::fileLength gives it; None when the walk must read
    // it itself (from then on the helper leaves that file alone).
    enum class Answer { None, Read, Failed };
    Answer take(int index, qint64* length, QString* reason);

    // Folders of fewer files are not worth handing over.
    static constexpr int kOfferFrom = 8;
    // After a folder the helper watches for the next this long before it sleeps: waking a
    // sleeping thread takes about as long as the files of a small folder.
    static constexpr int kWatchMicroseconds = 300;

private:
    struct Folder;
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<Folder> m_next;    // waiting for the helper (guarded by m_mutex)
    std::shared_ptr<Folder> m_current; // the walk's side of the folder offered last
    bool m_stop = false;
    std::atomic<unsigned> m_offers{0}; // folders offered so far, watched without the lock
    std::thread m_thread;
    bool m_started = false;
};
