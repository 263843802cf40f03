#include "capture/walker/SideLengths.h"

#include "platform/core/FolderListing.h"
#include "platform/core/FolderReader.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <vector>

namespace {
// Who has a file: no one yet, the helper (reading, then done), or the walk.
enum : int { kFree, kHelperReading, kHelperDone, kWalks };
} // namespace

struct SideLengths::Folder
{
    Folder(FolderHandle folderHandle, const QStringList& fileNames)
        : handle(std::move(folderHandle))
        , names(fileNames)
        , state(new std::atomic<int>[size_t(fileNames.size())])
        , lengths(size_t(fileNames.size()), 0)
        , reasons(size_t(fileNames.size()))
    {
        for (qsizetype i = 0; i < names.size(); ++i)
            state[size_t(i)].store(kFree, std::memory_order_relaxed);
    }

    const FolderHandle handle; // a duplicate of the listed folder's own
    const QStringList names;   // shared with the file list: also tells which listing this is
    std::unique_ptr<std::atomic<int>[]> state;
    std::vector<qint64> lengths;
    std::vector<QString> reasons; // empty when the length was read
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

bool SideLengths::fileLength(FolderReader& reader, const QStringList& names, int index,
                             qint64* length, QString* reason)
{
    if (index < 0 || index >= names.size()) {
        if (reason)
            *reason = FolderListing::fileReason(ENOENT);
        return false;
    }
    if (!m_current || m_current->names.constData() != names.constData())
        offer(reader, names);
    const Answer answer = take(index, length, reason);
    if (answer != Answer::None)
        return answer == Answer::Read;
    return reader.fileLength(names.at(index), length, reason);
}

void SideLengths::offer(FolderReader& reader, const QStringList& names)
{
    withdraw();
    if (names.size() < kOfferFrom)
        return;
    if (m_helper == Helper::OwnThread && !m_started) {
        m_started = true;
        try {
            m_thread = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // No second thread to be had: the walk reads every length itself.
        }
    }
    if (m_helper == Helper::OwnThread && !m_thread.joinable())
        return;
    FolderHandle handle = reader.duplicateCurrent(nullptr);
    if (!handle.isOpen())
        return; // the walk reads them all through the reader, and says why
    m_current = std::make_shared<Folder>(std::move(handle), names);
    if (m_helper == Helper::OnRequest)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_next = m_current;
    }
    m_wake.notify_one();
}

void SideLengths::withdraw()
{
    if (!m_current)
        return;
    m_current->withdrawn.store(true, std::memory_order_relaxed);
    m_current.reset();
}

void SideLengths::helpNow()
{
    if (m_helper == Helper::OnRequest && m_current)
        measure(*m_current);
}

SideLengths::Answer SideLengths::take(int index, qint64* length, QString* reason)
{
    Folder* folder = m_current.get();
    if (!folder)
        return Answer::None;
    std::atomic<int>& state = folder->state[size_t(index)];
    int seen = kFree;
    if (state.compare_exchange_strong(seen, kWalks, std::memory_order_acq_rel))
        return Answer::None;
    if (seen == kWalks)
        return Answer::None;
    // The helper is inside one system call for it at most.
    while (state.load(std::memory_order_acquire) == kHelperReading)
        std::this_thread::yield();
    const QString& failure = folder->reasons[size_t(index)];
    if (!failure.isEmpty()) {
        if (reason)
            *reason = failure;
        return Answer::Failed;
    }
    *length = folder->lengths[size_t(index)];
    return Answer::Read;
}

void SideLengths::measure(Folder& folder)
{
    QByteArray name;
    for (qsizetype i = folder.names.size() - 1; i >= 0; --i) {
        if (folder.withdrawn.load(std::memory_order_relaxed))
            break;
        std::atomic<int>& state = folder.state[size_t(i)];
        int seen = kFree;
        if (!state.compare_exchange_strong(seen, kHelperReading, std::memory_order_acq_rel))
            break; // met the walk
        name.truncate(0);
        FolderListing::appendNative(&name, folder.names.at(i));
        QString reason;
        if (!folder.handle.fileLength(name.constData(), &folder.lengths[size_t(i)], &reason))
            folder.reasons[size_t(i)] = reason.isEmpty() ? FolderListing::fileReason(ENOENT) : reason;
        state.store(kHelperDone, std::memory_order_release);
    }
}

void SideLengths::run()
{
    for (;;) {
        std::shared_ptr<Folder> folder;
        {
            // Asleep between folders: a wait that costs no processor time.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_next; });
            if (m_stop)
                return;
            folder = std::move(m_next);
        }
        if (!folder->withdrawn.load(std::memory_order_relaxed))
            measure(*folder);
    }
}
