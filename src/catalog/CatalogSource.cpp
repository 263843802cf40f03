#include "catalog/CatalogSource.h"

#include "catalog/CatalogLine.h"
#include "catalog/CatalogReader.h"
#include "catalog/NumericText.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LineEnds.h"

#include <algorithm>
#include <new>

const char* const CatalogSource::kIncorrectFormat = "Incorrect Format";
const char* const CatalogSource::kPreviouslyCreatedIncorrect =
    "Previously created file is of incorrect format";

namespace {

// A first field longer than this cannot be an index value, so the first-line check never
// reads more of a file that has no line end (a disk image chosen by mistake, say).
constexpr qsizetype kFirstLineLimit = 1024 * 1024;

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
            LineEnds::forEachLineEnd(head.constData() + before, head.size() - before,
                                     [&](qsizetype at) { return end = before + at, false; });
            if (got <= 0 || end >= 0)
                break;
        }
        const bool complete = end >= 0 || head.size() < kFirstLineLimit;
        const qsizetype mark = LineEnds::byteOrderMarkLength(head);
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
            broken = !readCatalog(*m_channel, *records, &error);
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
