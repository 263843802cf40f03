#include "capture/walker/DirectoryWalker.h"

#include "capture/walker/CaptureSession.h"
#include "capture/walker/WalkerLists.h"
#include "catalog/CatalogLine.h"
#include "platform/core/FolderListing.h"

#include <QStringList>

namespace {
// How many of a folder's files that could not be catalogued its report names.
constexpr int kNamedProblems = 5;
} // namespace

// What the records of one folder share, buffers reused from record to record (a folder of many
// files then costs no allocation per file), and the files that could not be catalogued.
struct DirectoryWalker::FolderRecords
{
    FolderRecords(const QString& folderPrefix, const QString& index)
        : prefix(folderPrefix)
        , prefixWritable(CatalogLine::isWritableName(folderPrefix))
        , writer(index, folderPrefix)
    {
    }

    void problem(const QString& name, const QString& reason)
    {
        if (++problems <= kNamedProblems)
            named.append(QStringLiteral("%1 (%2)").arg(FolderListing::readable(name), reason));
    }

    // One report for all of the folder's files that could not be catalogued.
    QString problemReport(const QString& folder) const
    {
        QString text = QStringLiteral("%1 %2 in %3 could not be catalogued: %4")
                           .arg(problems)
                           .arg(problems == 1 ? QStringLiteral("file") : QStringLiteral("files"),
                                FolderListing::readable(folder), named.join(QStringLiteral(", ")));
        if (problems > kNamedProblems)
            text += QStringLiteral(" and %1 more").arg(problems - kNamedProblems);
        return text;
    }

    const QString prefix;
    const bool prefixWritable;
    CatalogLine::Writer writer;
    QString fullName;
    int problems = 0;
    QStringList named;
};

bool DirectoryWalker::walk(const QString& path)
{
    WalkerLists& lists = *m_context.lists;

    // The one point of a folder's walk where Cancel, Quit and repainting get through.
    lists.yield();
    if (!keepGoing())
        return true;

    // The subfolders as first listed: the folder is listed again before each of them, and a
    // subfolder created or removed meanwhile must not shift another into its place.
    int subfoldersLeft = lists.folderCount();
    QStringList subfolders;
    subfolders.reserve(subfoldersLeft);
    for (int i = 0; i < subfoldersLeft; ++i)
        subfolders.append(lists.folderEntry(i));
    if (!writeFiles())
        return false;

    while (keepGoing() && subfoldersLeft > 0) {
        // A nested walk has moved the folder list; bring it back to this folder first.
        QString error;
        if (!lists.setFolderPath(path, &error)) {
            // This folder has gone: its remaining subfolders cannot be reached from it.
            report(error);
            return false;
        }
        bool stoppedOnEntry = false;
        if (!lists.setFolderPath(subfolders.at(subfoldersLeft - 1), &error)) {
            // Reported once and skipped with all it holds; the folder list still shows this
            // folder, which must not be walked again in the subfolder's place.
            report(error);
        } else {
            DirectoryWalker nested(m_context);
            stoppedOnEntry = nested.walk(lists.folderPath());
        }
        --subfoldersLeft;
        if (stoppedOnEntry)
            return false;
    }
    return false;
}

bool DirectoryWalker::writeFiles()
{
    // The folder's buffers live only while its files are written, not while its subfolders
    // are walked: a deep tree would hold one set per level.
    WalkerLists& lists = *m_context.lists;
    FolderRecords records(CatalogLine::folderPrefix(lists.folderPath()), m_context.session->index);
    if (!records.prefixWritable) {
        // No line of this folder or below it could be written: said once for all of them.
        report(QStringLiteral("Folder name contains a tab or line break; the folder and its "
                              "subfolders were not catalogued: %1")
                   .arg(FolderListing::readable(lists.folderPath())));
        return false;
    }
    const int files = lists.fileCount();
    for (int i = 0; i < files; ++i) {
        lists.setProgressMaximum(files + 1);
        lists.setProgressValue(i + 2);
        if (!countEntry() || !writeRecord(records, i, lists.fileEntry(i)))
            return false;
    }
    return records.problems == 0 || report(records.problemReport(lists.folderPath()));
}

bool DirectoryWalker::keepGoing() const
{
    return m_context.session->keepGoing();
}

bool DirectoryWalker::report(const QString& description)
{
    // The box lets events run: Cancel, or the window closed, ends the walk right here.
    m_context.report(description);
    return keepGoing();
}

bool DirectoryWalker::countEntry()
{
    QString error;
    if (m_context.session->sink.countEntry(&error))
        return true;
    report(error);
    return false;
}

bool DirectoryWalker::writeRecord(FolderRecords& records, int index, const QString& name)
{
    if (!CatalogLine::isWritableName(name)) {
        records.problem(name, QStringLiteral("name contains a tab or line break"));
        return true;
    }
    QString& fullName = records.fullName;
    fullName.truncate(0);
    fullName.append(records.prefix).append(name);
    qint64 length = 0;
    QString reason;
    if (!m_context.lists->fileLength(index, fullName, &length, &reason)) {
        records.problem(name, reason);
        return true;
    }
    QString error;
    if (!m_context.session->sink.write(records.writer.line(name, length), &error)) {
        // Every later line would fail the same way, or leave a gap in the catalog.
        report(error);
        return false;
    }
    return true;
}
