#include "capture/walker/Class2.h"

#include "capture/walker/WalkerLists.h"
#include "catalog/CatalogLine.h"
#include "catalog/NumericText.h"
#include "platform/core/FileChannel.h"
#include "platform/core/ProgramState.h"

#include <QStringEncoder>

#include <charconv>

namespace {
// A name with a TAB or line break shown with visible escapes, so the message stays one line.
QString visibleName(QString name)
{
    name.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    name.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    name.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return name;
}
} // namespace

// What the records of one folder share, and buffers reused from record to record: a folder
// of many files then costs no allocation per file.
struct Class2::FolderRecords
{
    explicit FolderRecords(const QString& folderPrefix)
        : prefix(folderPrefix)
        , prefixWritable(CatalogLine::isWritableName(folderPrefix))
        // The system's 8-bit codec, as CatalogLine::format writes a line.
        , encoder(QStringEncoder::System, QStringEncoder::Flag::Stateless)
    {
        prefixBytes = encoder(prefix);
    }

    // The record's bytes, as CatalogLine::format(index, prefix + name, length) gives them.
    const QByteArray& line(const QString& index, const QString& name, qint64 length)
    {
        if (index != lastIndex || lastIndexBytes.isNull()) {
            lastIndex = index;
            lastIndexBytes = encoder(index);
        }
        char number[24];
        const auto digits = std::to_chars(number, number + sizeof number, length);
        buffer.truncate(0);
        buffer.reserve(lastIndexBytes.size() + prefixBytes.size() + 3 * name.size()
                       + (digits.ptr - number) + 4);
        buffer.append(lastIndexBytes).append('\t').append(prefixBytes);
        const qsizetype at = buffer.size();
        buffer.resize(at + encoder.requiredSpace(name.size()));
        char* end = encoder.appendToBuffer(buffer.data() + at, name);
        buffer.truncate(end - buffer.constData());
        buffer.append('\t').append(number, digits.ptr - number).append("\r\n", 2);
        return buffer;
    }

    const QString prefix;
    const bool prefixWritable;
    QStringEncoder encoder;
    QByteArray prefixBytes;
    QString fullName;
    QString lastIndex;
    QByteArray lastIndexBytes;
    QByteArray buffer;
};

VbBool Class2::DirDiver(QString& NewPath, qint16& dircount, QString& BackUp)
{
    Q_UNUSED(BackUp);
    WalkerLists& lists = *m_context.lists;

    // The one point of a folder's walk where Cancel, Quit and repainting get through.
    lists.yield();
    if (!keepGoing())
        return VbTrue;

    int subfoldersLeft = lists.folderCount();
    FolderRecords records(CatalogLine::folderPrefix(lists.folderPath()));

    const int files = lists.fileCount();
    for (int i = 0; i < files; ++i) {
        lists.setProgressMaximum(files + 1);
        lists.setProgressValue(i + 2);
        if (!countEntry())
            return VbTrue;
        const QString name = lists.fileEntry(i);
        if (name == QLatin1String("?"))
            continue; // a name the platform could not represent: counted, not written
        writeRecord(records, i, name);
        if (m_context.failed)
            return VbTrue;
    }

    while (keepGoing() && subfoldersLeft > 0) {
        // A nested walk has moved the folder list; bring it back to this folder first.
        const QString leftAt = lists.folderPath();
        QString error;
        if (!lists.setFolderPath(NewPath, &error)) {
            // This folder has gone: its remaining subfolders cannot be reached from it.
            m_context.report(error);
            return VbFalse;
        }
        VbBool nestedResult = VbFalse;
        if (lists.folderCount() > 0) {
            const QString subfolder = lists.folderEntry(subfoldersLeft - 1);
            if (subfolder.isEmpty()) {
                m_context.report(QStringLiteral("Path not found: a subfolder of %1 has gone")
                                     .arg(NewPath));
            } else if (!lists.setFolderPath(subfolder, &error)) {
                // Reported once and skipped; the folder list still shows this folder, which
                // must not be walked again in the subfolder's place.
                m_context.report(error);
            } else {
                QString nestedPath = lists.folderPath();
                QString nestedBackUp = leftAt;
                Class2 nested(m_context);
                nestedResult = nested.DirDiver(nestedPath, dircount, nestedBackUp);
            }
        }
        --subfoldersLeft;
        if (nestedResult == VbTrue)
            return VbFalse;
    }
    return VbFalse;
}

bool Class2::keepGoing() const
{
    return !m_context.failed && m_context.searchflag && m_context.searchflag();
}

bool Class2::countEntry()
{
    ++ProgramState::filecount;
    if (ProgramState::filecount != 1001)
        return true;
    // Every 1000 entries the catalog is closed and reopened for appending, so a crash or a
    // power cut loses at most one block.
    QString error;
    FileChannel& channel = *m_context.channel;
    if (!channel.close(&error)
        || !channel.open(m_context.catalogName, FileChannel::Mode::Append, &error)) {
        m_context.failed = true;
        m_context.report(error);
        return false;
    }
    ++ProgramState::blockcount;
    ProgramState::filecount = 1;
    return true;
}

void Class2::writeRecord(FolderRecords& records, int index, const QString& name)
{
    QString& fullName = records.fullName;
    fullName.truncate(0);
    fullName.append(records.prefix).append(name);
    if (!records.prefixWritable || !CatalogLine::isWritableName(name)) {
        m_context.report(
            QStringLiteral("File name contains a tab or line break and was not catalogued: %1")
                .arg(visibleName(fullName)));
        return;
    }
    WalkerLists& lists = *m_context.lists;
    qint64 length = 0;
    QString error;
    if (!lists.fileLength(index, fullName, &length, &error)) {
        m_context.report(error);
        return;
    }
    if (!m_context.channel->write(records.line(m_context.index, name, length), &error)) {
        // The disk is full or gone: the channel has cut the catalog back to whole lines, and
        // nothing more can be written to it.
        m_context.failed = true;
        m_context.report(error);
    }
}
