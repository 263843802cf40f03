#include "catalog/DiskFacts.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

enum Column { Index, Label, Volume, Uuid, FileSystem, Capacity, Free, Root, Captured, Files,
              Bytes, Complete, Note, ColumnCount };

const std::array<const char*, ColumnCount> kColumnNames = {
    "index", "label", "volume", "uuid", "filesystem", "capacity", "free",
    "root", "captured", "files", "bytes", "complete", "note"};

// A side file is a few lines per disk; anything far larger is not one.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;

QString escaped(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

// An unknown escape keeps its backslash: a hand-edited path like C:\data reads as written.
QString unescaped(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const QChar next = i + 1 < value.size() ? value[i + 1] : QChar();
        if (c != QLatin1Char('\\') || !QStringView(u"\\tnr").contains(next)) {
            out += c;
            continue;
        }
        ++i;
        out += next == QLatin1Char('t') ? QLatin1Char('\t')
             : next == QLatin1Char('n') ? QLatin1Char('\n')
             : next == QLatin1Char('r') ? QLatin1Char('\r') : QLatin1Char('\\');
    }
    return out;
}

QString number(qint64 value)
{
    return value < 0 ? QString() : QString::number(value);
}

bool parseNumber(const QString& text, qint64* value)
{
    if (text.isEmpty()) {
        *value = -1;
        return true;
    }
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value >= 0 && !text.startsWith(QLatin1Char('+'));
}

// Fills the facts of one line; false with the cause (without the line's place).
bool parseLine(const QList<QStringView>& fields, const QList<int>& columnOf, DiskFacts* facts,
               QString* cause)
{
    auto value = [&](int column) {
        const int at = columnOf[column];
        return at >= 0 && at < fields.size() ? unescaped(fields[at]) : QString();
    };
    facts->index = value(Index);
    if (facts->index.isEmpty()) {
        *cause = QStringLiteral("it has no index value");
        return false;
    }
    facts->label = value(Label);
    facts->volume.name = value(Volume);
    facts->volume.uuid = value(Uuid);
    facts->volume.fileSystemType = value(FileSystem);
    facts->root = value(Root);
    facts->note = value(Note);
    const std::array<std::pair<int, qint64*>, 4> numbers = {{{Capacity, &facts->volume.capacity},
        {Free, &facts->volume.freeBytes}, {Files, &facts->files}, {Bytes, &facts->bytes}}};
    for (const auto& [column, target] : numbers) {
        if (!parseNumber(value(column), target)) {
            *cause = QStringLiteral("its %1 \"%2\" is not a number")
                         .arg(QLatin1String(kColumnNames[column]), value(column));
            return false;
        }
    }
    const QString captured = value(Captured);
    facts->capturedAt = QDateTime::fromString(captured, Qt::ISODate);
    if (!captured.isEmpty() && !facts->capturedAt.isValid()) {
        *cause = QStringLiteral("its captured time \"%1\" is not a date and time").arg(captured);
        return false;
    }
    const QString complete = value(Complete);
    if (complete != QLatin1String("yes") && complete != QLatin1String("no") && !complete.isEmpty()) {
        *cause = QStringLiteral("its complete \"%1\" is neither yes nor no").arg(complete);
        return false;
    }
    facts->complete = complete != QLatin1String("no");
    return true;
}

} // namespace

VolumeFacts volumeFacts(const QString& folder)
{
    VolumeFacts facts;
    const QStorageInfo storage(folder);
    if (!storage.isValid())
        return facts;
    facts.name = storage.name();
    facts.fileSystemType = QString::fromUtf8(storage.fileSystemType());
    facts.capacity = storage.bytesTotal();
    facts.freeBytes = storage.bytesAvailable();
    // Linux names each file system's device by its UUID; no such folder, no UUID.
    const QString device = QFileInfo(QString::fromLocal8Bit(storage.device())).canonicalFilePath();
    QDirIterator links(QStringLiteral("/dev/disk/by-uuid"), QDir::Files | QDir::System);
    while (!device.isEmpty() && links.hasNext()) {
        links.next();
        if (links.fileInfo().canonicalFilePath() == device) {
            facts.uuid = links.fileName();
            break;
        }
    }
    return facts;
}

QString DiskFactsFile::pathFor(const QString& catalogPath)
{
    return catalogPath + QLatin1String(".disks");
}

DiskFactsFile DiskFactsFile::read(const QString& catalogPath)
{
    DiskFactsFile result;
    const QString path = pathFor(catalogPath);
    const QString shown = QDir::toNativeSeparators(path);
    auto unreadable = [&result, &shown](const QString& cause) {
        result.m_state = State::Unreadable;
        result.m_error = QStringLiteral("The disk facts file %1 cannot be read: %2").arg(shown, cause);
        result.m_disks.clear();
        return result;
    };
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return result;
    if (!info.isFile())
        return unreadable(QStringLiteral("it is not a regular file"));
    if (info.size() > kLargestFile)
        return unreadable(QStringLiteral("it is larger than %1 bytes").arg(kLargestFile));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(file.errorString());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return unreadable(QStringLiteral("it is not UTF-8 text"));

    const QStringList lines = text.split(QLatin1Char('\n'));
    QList<int> columnOf(ColumnCount, -1);
    int width = 0;
    bool headerSeen = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QList<QStringView> fields = line.split(QLatin1Char('\t'));
        if (!headerSeen) {
            headerSeen = true;
            width = int(fields.size());
            for (int at = 0; at < width; ++at) {
                const QString name = fields[at].toString();
                const auto known = std::find(kColumnNames.begin(), kColumnNames.end(), name.toLatin1());
                const int column = int(std::distance(kColumnNames.begin(), known));
                if (column < ColumnCount && columnOf[column] < 0)
                    columnOf[column] = at;
                else if (column < ColumnCount || result.m_extraColumns.contains(name))
                    return unreadable(QStringLiteral("its column \"%1\" is named twice").arg(name));
                else
                    result.m_extraColumns.append(name);
            }
            if (columnOf[Index] < 0)
                return unreadable(QStringLiteral("its first line does not name the columns "
                                                 "(there is no \"index\" column)"));
            continue;
        }
        if (fields.size() > width)
            return unreadable(QStringLiteral("line %1 has %2 values where the first line names %3")
                                  .arg(n + 1).arg(fields.size()).arg(width));
        DiskFacts facts;
        QString cause;
        if (!parseLine(fields, columnOf, &facts, &cause))
            return unreadable(QStringLiteral("line %1: %2").arg(n + 1).arg(cause));
        if (result.find(facts.index))
            return unreadable(QStringLiteral("line %1: the index value \"%2\" has a line already")
                                  .arg(n + 1).arg(facts.index));
        for (qsizetype at = 0; at < width; ++at) {
            if (!columnOf.contains(int(at)))
                facts.extra.append(at < fields.size() ? unescaped(fields[at]) : QString());
        }
        result.m_disks.append(facts);
    }
    result.m_state = State::Read;
    return result;
}

const DiskFacts* DiskFactsFile::find(const QString& index) const&
{
    for (const DiskFacts& facts : m_disks) {
        if (facts.index == index)
            return &facts;
    }
    return nullptr;
}

void DiskFactsFile::set(const DiskFacts& facts)
{
    for (DiskFacts& old : m_disks) {
        if (old.index == facts.index) {
            old = facts;
            return;
        }
    }
    m_disks.append(facts);
}

QByteArray DiskFactsFile::toText() const
{
    QStringList header;
    for (const char* name : kColumnNames)
        header.append(QLatin1String(name));
    header += m_extraColumns;
    QString text = header.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const DiskFacts& d : m_disks) {
        QStringList values = {d.index, d.label, d.volume.name, d.volume.uuid,
            d.volume.fileSystemType, number(d.volume.capacity), number(d.volume.freeBytes), d.root,
            d.capturedAt.isValid() ? d.capturedAt.toString(Qt::ISODate) : QString(),
            number(d.files), number(d.bytes),
            d.complete ? QStringLiteral("yes") : QStringLiteral("no"), d.note};
        for (qsizetype i = 0; i < m_extraColumns.size(); ++i)
            values.append(d.extra.value(i));
        for (QString& value : values)
            value = escaped(value);
        text += values.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

bool DiskFactsFile::write(const QString& catalogPath, QString* error,
                          const AtomicFile::FileFactory& factory) const
{
    AtomicFile file(pathFor(catalogPath));
    file.setFileFactory(factory);
    QString cause;
    if (file.open(&cause) && file.write(toText(), &cause) && file.commit(&cause))
        return true;
    if (error)
        *error = QStringLiteral("The disk facts of %1 could not be saved: %2")
                     .arg(QDir::toNativeSeparators(catalogPath), cause);
    return false;
}

bool updateDiskFacts(const QString& catalogPath, const QString& index,
                     const std::function<void(DiskFacts&)>& change, QString* error,
                     const AtomicFile::FileFactory& factory)
{
    DiskFactsFile file = DiskFactsFile::read(catalogPath);
    if (file.state() == DiskFactsFile::State::Unreadable) {
        if (error)
            *error = file.error();
        return false;
    }
    DiskFacts facts;
    facts.index = index;
    if (const DiskFacts* old = file.find(index))
        facts = *old;
    change(facts);
    facts.index = index;
    file.set(facts);
    return file.write(catalogPath, error, factory);
}

bool recordCapture(const CaptureFacts& capture, QString* error,
                   const AtomicFile::FileFactory& factory)
{
    const VolumeFacts volume = volumeFacts(capture.root);
    QDateTime now = QDateTime::currentDateTime();
    now.setOffsetFromUtc(now.offsetFromUtc()); // written with its offset, not as local time
    return updateDiskFacts(
        capture.catalogPath, capture.index,
        [&](DiskFacts& facts) {
            facts.volume = volume;
            facts.root = capture.root;
            facts.capturedAt = now;
            facts.files = capture.files;
            facts.bytes = capture.bytes;
            facts.complete = capture.complete;
        },
        error, factory);
}
