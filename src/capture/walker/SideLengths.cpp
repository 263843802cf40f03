#include "capture/walker/SideLengths.h"

#include "platform/core/FolderListing.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// A spinning thread's hint to the processor.
inline void spinPause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Who has a file: no one yet, the helper (reading, then done), or the walk.
enum : int { kFree, kHelperReading, kHelperDone, kWalks };
} // namespace

struct SideLengths::Folder
{
    Folder(const QString& folderPath, const QStringList& fileNames)
        : path(folderPath)
        , names(fileNames)
        , state(new std::atomic<int>[size_t(fileNames.size())])
        , lengths(size_t(fileNames.size()), 0)
        , errors(size_t(fileNames.size()), 0)
    {
        for (qsizetype i = 0; i < names.size(); ++i)
            state[size_t(i)].store(kFree, std::memory_order_relaxed);
    }

    const QString path;
    const QStringList names; // shared with the file list: also tells which listing this is
    std::unique_ptr<std::atomic<int>[]> state;
    std::vector<qint64> lengths;
    std::vector<int> errors;
    std::atomic<bool> withdrawn{false};
};

SideLengths::~SideLengths()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_next.reset();
    }
    if (m_current)
        m_current->withdrawn.store(true);
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void SideLengths::follow(const QString& folder, const QStringList& names)
{
    if (m_current && m_current->names.constData() == names.constData())
        return;
    withdraw();
#ifdef Q_OS_UNIX
    if (names.size() < kOfferFrom)
        return;
    if (!m_started) {
        m_started = true;
        try {
            m_thread = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // No second thread to be had: the walk reads every length itself.
        }
    }
    if (!m_thread.joinable())
        return;
    m_current = std::make_shared<Folder>(folder, names);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_next = m_current;
        m_offers.fetch_add(1, std::memory_order_release);
    }
    m_wake.notify_one();
#else
    Q_UNUSED(folder);
#endif
}

void SideLengths::withdraw()
{
    if (!m_current)
        return;
    m_current->withdrawn.store(true, std::memory_order_relaxed);
    m_current.reset();
}

SideLengths::Answer SideLengths::take(int index, qint64* length, QString* reason)
{
    Folder* folder = m_current.get();
    if (!folder || index < 0 || index >= folder->names.size())
        return Answer::None;
    std::atomic<int>& state = folder->state[size_t(index)];
    int seen = kFree;
    if (state.compare_exchange_strong(seen, kWalks, std::memory_order_acq_rel))
        return Answer::None;
    if (seen == kWalks)
        return Answer::None;
    // The helper is inside one system call for it at most.
    while ((seen = state.load(std::memory_order_acquire)) == kHelperReading)
        std::this_thread::yield();
    if (const int error = folder->errors[size_t(index)]) {
        if (reason)
            *reason = FolderListing::fileReason(error);
        return Answer::Failed;
    }
    *length = folder->lengths[size_t(index)];
    return Answer::Read;
}

void SideLengths::run()
{
#ifdef Q_OS_UNIX
    QByteArray name;
    unsigned taken = 0;
    for (;;) {
        // Folders follow each other within a fraction of a millisecond during a walk.
        const auto watchUntil = std::chrono::steady_clock::now()
                                + std::chrono::microseconds(kWatchMicroseconds);
        while (m_offers.load(std::memory_order_acquire) == taken
               && std::chrono::steady_clock::now() < watchUntil) {
            for (int i = 0; i < 64 && m_offers.load(std::memory_order_relaxed) == taken; ++i)
                spinPause();
        }
        std::shared_ptr<Folder> folder;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_next; });
            if (m_stop)
                return;
            folder = std::move(m_next);
            taken = m_offers.load(std::memory_order_relaxed);
        }
        if (folder->withdrawn.load(std::memory_order_relaxed))
            continue;
        const int fd = ::open(FolderListing::toNative(folder->path).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue; // the walk reads them all, and says why
        for (qsizetype i = folder->names.size() - 1; i >= 0; --i) {
            if (folder->withdrawn.load(std::memory_order_relaxed))
                break;
            std::atomic<int>& state = folder->state[size_t(i)];
            int seen = kFree;
            if (!state.compare_exchange_strong(seen, kHelperReading, std::memory_order_acq_rel))
                break; // met the walk
            name.truncate(0);
            FolderListing::appendNative(&name, folder->names.at(i));
            struct stat st;
            if (::fstatat(fd, name.constData(), &st, 0) == 0)
                folder->lengths[size_t(i)] = st.st_size;
            else
                folder->errors[size_t(i)] = errno;
            state.store(kHelperDone, std::memory_order_release);
        }
        ::close(fd);
    }
#endif
}
