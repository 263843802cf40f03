#include "catalog/CatalogSource.h"

#include "catalog/CatalogLine.h"
#include "catalog/NumericText.h"
#include "platform/core/FileChannel.h"

#include <algorithm>
#include <new>

const char* const CatalogSource::kIncorrectFormat = "Incorrect Format";
const char* const CatalogSource::kPreviouslyCreatedIncorrect =
    "Previously created file is of incorrect format";

namespace {

constexpr qint64 kChunkSize = 4 * 1024 * 1024;

// A first field longer than this cannot be an index value, so the first-line check never
// reads more of a file that has no line end (a disk image chosen by mistake, say).
constexpr qsizetype kFirstLineLimit = 1024 * 1024;

// Reads the open channel into records, line by line; false with the description of the first
// line that cannot be stored or of a failed read (the records before it stay).
bool readRecords(FileChannel& channel, CatalogTable& records, QString* error)
{
    // Field text is at most the file's size unless short lines repeat their text across
    // fields; a catalog line is rarely under 64 bytes.
    const qint64 fileSize = std::max<qint64>(channel.size(), 0);
    records.reserve(fileSize / 64 + 16, fileSize);

    // A small file is read in one piece of its own size.
    const qint64 chunk = std::clamp<qint64>(fileSize + 1, 4096, kChunkSize);
    QByteArray buffer(qsizetype(chunk), Qt::Uninitialized);
    CatalogLine::LineSplitter lines;
    QByteArray scratch;
    bool failed = false;
    auto store = [&](QByteArrayView line) {
        const CatalogLine::Split parts = CatalogLine::split(CatalogLine::decode(line, &scratch));
        records.addNew();
        for (int f = 0; f < parts.count && !failed; ++f) {
            const QByteArrayView text = parts.fields[size_t(f)];
            failed = !records.setValueUtf8(f, text.data(), text.size(), error);
        }
        if (!failed && !parts.ok) {
            *error = QString::fromLatin1(CatalogLine::kInvalidArgument);
            failed = true;
        }
        if (failed)
            records.cancelUpdate();
        else
            records.update();
        return !failed;
    };
    for (;;) {
        const qint64 got = channel.read(buffer.data(), chunk, error); // names file and cause
        if (got < 0)
            return false;
        if (got == 0)
            return lines.finish(store);
        if (!lines.feed(QByteArrayView(buffer.constData(), qsizetype(got)), store))
            return false;
    }
}

} // namespace

CatalogSource::CatalogSource(QObject* parent) : CatalogSource(FileChannel::instance(), parent) {}

CatalogSource::CatalogSource(FileChannel& channel, QObject* parent) : QObject(parent), m_channel(&channel) {}

bool CatalogSource::validate(const QString& path, QString* failure)
{
    if (!m_channel->open(path, FileChannel::Mode::Input, failure))
        return false;

    enum class Outcome { Passed, IncorrectFormat, NoFirstLine } outcome;
    {
        FileChannelCloser closer(*m_channel);
        // Read until the first line is complete (or clearly not a catalog line).
        QByteArray head;
        qsizetype end = -1;
        bool readFailed = false;
        while (head.size() < kFirstLineLimit) {
            const qsizetype before = head.size();
            const qint64 piece = std::clamp<qint64>(m_channel->size() + 1, 4096, 256 * 1024);
            head.resize(before + piece);
            const qint64 got = m_channel->read(head.data() + before, piece);
            head.resize(before + std::max<qint64>(got, 0));
            if (got < 0)
                readFailed = true;
            const qsizetype cr = head.indexOf('\r', before);
            const qsizetype lf = head.indexOf('\n', before);
            end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
            if (got <= 0 || end >= 0)
                break;
        }
        const bool complete = end >= 0 || head.size() < kFirstLineLimit;
        const qsizetype mark = CatalogLine::byteOrderMarkLength(head);
        const QByteArrayView line =
            QByteArrayView(head).first(end >= 0 ? end : head.size()).sliced(mark);
        const qsizetype tab = line.indexOf('\t');

        if (readFailed || (head.size() == mark && end < 0)) {
            outcome = Outcome::NoFirstLine;
        } else if (tab < 0) {
            outcome = Outcome::IncorrectFormat;
        } else {
            // Decode as the loader will: by the whole line when it was read whole.
            QByteArray scratch;
            QByteArrayView field;
            if (complete) {
                const QByteArrayView whole = CatalogLine::decode(line, &scratch);
                field = whole.first(whole.indexOf('\t'));
            } else {
                field = CatalogLine::decode(line.first(tab), &scratch);
            }
            outcome = isNumericText(QString::fromUtf8(field)) ? Outcome::Passed
                                                                    : Outcome::IncorrectFormat;
        }
    }
    switch (outcome) {
    case Outcome::Passed:
        return true;
    case Outcome::IncorrectFormat:
        emit failed(QString::fromLatin1(kIncorrectFormat));
        return false;
    case Outcome::NoFirstLine:
        break;
    }
    emit failed(QString::fromLatin1(kPreviouslyCreatedIncorrect));
    return false;
}

void CatalogSource::load(const QString& path)
{
    m_path = path;
    QString error;
    if (!m_channel->open(path, FileChannel::Mode::Input, &error)) {
        emit failed(error);
        return;
    }

    bool broken = false;
    {
        FileChannelCloser closer(*m_channel);
        const CatalogTablePtr earlier = m_records;
        try {
            auto records = std::make_shared<CatalogTable>();
            m_records = records;
            broken = !readRecords(*m_channel, *records, &error);
            records->moveFirst();
        } catch (const std::bad_alloc&) {
            // The catalog does not fit: what was read goes, so that the program has its memory
            // back, and the source keeps the record set it had, as when a file cannot be opened.
            m_records = earlier;
            error = QStringLiteral("Not enough memory to open %1").arg(path);
            broken = true;
        }
    }
    // The channel is free again before anyone hears of the failure.
    if (broken)
        emit failed(error);
}
