#include "cli/CaptureCommand.h"

#include "capture/walker/CaptureRecord.h"
#include "capture/walker/CaptureSession.h"
#include "capture/walker/DirectoryWalker.h"
#include "capture/walker/HeadlessLists.h"
#include "capture/walker/IndexValue.h"
#include "cli/Console.h"
#include "platform/core/FileChannel.h"
#include "platform/core/FolderListing.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <csignal>

#include <unistd.h>

namespace {

// Set by Ctrl-C or a polite kill: the walk stops at its next folder, as Cancel stops it.
volatile std::sig_atomic_t g_interrupted = 0;

void interrupt(int)
{
    g_interrupted = 1;
}

// A progress line on a terminal, redrawn at most ten times a second.
class Progress
{
public:
    Progress() : m_shown(Console::isTerminal(STDERR_FILENO)) { m_clock.start(); }

    void at(qint64 files, const QString& folder)
    {
        if (!m_shown || m_clock.elapsed() < 100)
            return;
        m_clock.restart();
        QString text = QStringLiteral("%1 files  %2").arg(files).arg(FolderListing::readable(folder));
        if (text.size() > 78)
            text = text.left(37) + QStringLiteral("...") + text.right(38);
        Console::note("\r\033[K" + text.toUtf8());
        m_dirty = true;
    }
    // Clears the line before a report or the end.
    void clear()
    {
        if (m_dirty)
            Console::note("\r\033[K");
        m_dirty = false;
    }
    void done(qint64 files)
    {
        clear();
        if (m_shown)
            Console::note(QStringLiteral("Number of Files: %1\n").arg(files).toUtf8());
    }

private:
    bool m_shown;
    bool m_dirty = false;
    QElapsedTimer m_clock;
};

int fail(const QString& text)
{
    Console::error(text);
    return Console::kError;
}

} // namespace

int runCapture(const CaptureRequest& request)
{
    QString index, error;
    if (!IndexValue::take(request.index, &index, &error))
        return fail(error);
    const QString catalog = request.catalog;
    if (!FileChannel::checkRegularFile(catalog, &error))
        return fail(error);
    // Hidden or not, an existing catalog is never overwritten or extended without asking.
    if (QFileInfo::exists(catalog) && request.existing == CaptureRequest::Existing::Refuse)
        return fail(QStringLiteral("%1 exists: give --append to add to it or --overwrite to "
                                   "replace it").arg(catalog));

    HeadlessLists lists;
    if (!lists.setFolderPath(request.folder, &error))
        return fail(error);
    const QString start = lists.folderPath();

    // This capture's records start where the catalog ends now.
    const QFileInfo before(catalog);
    const bool append = request.existing == CaptureRequest::Existing::Append;
    const qint64 recordsStart = append && before.exists() ? before.size() : 0;
    CaptureFacts facts{catalog, index, start, 0, 0, /*complete=*/false};

    FileChannel channel;
    const auto mode = request.existing == CaptureRequest::Existing::Append ? FileChannel::Mode::Append
                                                                           : FileChannel::Mode::Output;
    if (!channel.open(catalog, mode, &error))
        return fail(error);
    CaptureSession session(channel);
    session.index = index;
    session.sink.begin(catalog);

    Progress progress;
    int reports = 0;
    WalkContext context;
    context.lists = &lists;
    context.session = &session;
    context.report = [&](const QString& description) {
        progress.clear();
        Console::error(description);
        ++reports;
    };
    lists.onYield = [&] {
        if (g_interrupted)
            session.stopRequested = true;
        progress.at(session.sink.entryCount(), lists.folderPath());
    };
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    DirectoryWalker(context).walk(start);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    const bool closed = channel.close(&error);
    // The disk's line in the side file, as the capture window writes it, finished or not.
    facts.complete = closed && session.keepGoing();
    QString recordError;
    const bool recorded = CaptureRecord::record(channel, facts, recordsStart, &recordError);
    if (!recorded) {
        progress.clear();
        Console::error(recordError);
        ++reports;
    }
    if (session.sink.failed()) // reported by the walk: the lines in the catalog are whole
        return Console::kError;
    if (!closed)
        return fail(error);
    if (session.stopRequested) {
        progress.clear();
        return fail(QStringLiteral("interrupted; the %1 files catalogued so far stay in %2")
                        .arg(session.sink.entryCount())
                        .arg(catalog));
    }
    progress.done(session.sink.entryCount());
    return reports > 0 ? Console::kNothing : Console::kFound;
}
