#include "catalog/CatalogReader.h"

#include "catalog/CatalogLine.h"
#include "catalog/CatalogTable.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LineEnds.h"
#include "platform/core/SideBySide.h"

#include <algorithm>
#include <cstring>

namespace {

// Below this a second thread costs more than it saves.
constexpr qsizetype kSplitAbove = 512 * 1024;

// Lines of one stretch of the file into a table. A line that is valid UTF-8 and has no field
// opening with a double quote (every line a capture writes) is split where it lies; any other
// goes through CatalogLine's general decoding and splitting.
class LineParser
{
public:
    LineParser(CatalogTable& records, QString* error) : m_records(records), m_error(error) {}

    // The line data[begin, end) holding tabCount tabs, the first three at tabs[].
    bool line(const char* data, qsizetype begin, qsizetype end, const qsizetype* tabs,
              int tabCount)
    {
        const QByteArrayView text(data + begin, end - begin);
        if (!CatalogLine::isUtf8(text))
            return general(text);
        QByteArrayView fields[3];
        if (tabCount == 0) {
            fields[0] = fields[1] = fields[2] = text;
        } else {
            fields[0] = QByteArrayView(data + begin, tabs[0] - begin);
            const qsizetype nameEnd = tabCount > 1 ? tabs[1] : end;
            fields[1] = QByteArrayView(data + tabs[0] + 1, nameEnd - tabs[0] - 1);
            fields[2] = tabCount == 1
                            ? fields[1]
                            : QByteArrayView(data + tabs[1] + 1,
                                             (tabCount > 2 ? tabs[2] : end) - tabs[1] - 1);
        }
        for (const QByteArrayView& field : fields) {
            if (!field.isEmpty() && field.front() == '"')
                return general(text);
        }
        return m_records.appendRecord(fields[0], fields[1], fields[2], m_error);
    }

    // Every line ending in data[0, size), the first one starting after skip bytes (a
    // byte-order mark); with last set, the text after the last line end is a line too (none
    // when nothing follows the mark). False at the first line that cannot be stored.
    bool lines(const char* data, qsizetype size, qsizetype skip, bool last);

private:
    bool general(QByteArrayView line)
    {
        const CatalogLine::Split parts = CatalogLine::split(CatalogLine::decode(line, &m_scratch));
        for (int f = 0; f < parts.count; ++f) {
            if (!CatalogTable::fitsField(f, parts.fields[size_t(f)], m_error))
                return false;
        }
        if (!parts.ok) {
            *m_error = QString::fromLatin1(CatalogLine::kInvalidArgument);
            return false;
        }
        return m_records.appendRecord(parts.fields[0], parts.fields[1], parts.fields[2], m_error,
                                      !CatalogLine::isUtf8(line));
    }

    CatalogTable& m_records;
    QString* m_error;
    QByteArray m_scratch;
};

bool LineParser::lines(const char* data, qsizetype size, qsizetype skip, bool last)
{
    // One pass finds the line ends and the tabs.
    qsizetype begin = skip;
    qsizetype tabs[3] = {0, 0, 0};
    int tabCount = 0;
    const bool whole = LineEnds::forEachLineEnd<'\t'>(data + skip, size - skip, [&](qsizetype at) {
        at += skip;
        if (data[at] == '\t') {
            if (tabCount < 3)
                tabs[tabCount++] = at;
            return true;
        }
        const bool more = line(data, begin, at, tabs, tabCount);
        begin = at + LineEnds::endLength(data, at, size);
        tabCount = 0;
        return more;
    });
    if (!whole)
        return false;
    if (last && begin < size)
        return line(data, begin, size, tabs, tabCount);
    return true;
}

} // namespace

bool readCatalog(FileChannel& channel, CatalogTable& records, QString* error, qint64 pieceSize,
                 int cores)
{
    // Field text is at most the file's size unless short lines repeat their text across
    // fields; a catalog line is rarely under 64 bytes.
    const qint64 fileSize = std::max<qint64>(channel.size(), 0);
    records.reserve(fileSize / 64 + 16, fileSize);

    // A small file is read in one piece of its own size.
    const qint64 piece = std::clamp<qint64>(fileSize + 1, std::min<qint64>(4096, pieceSize), pieceSize);
    QByteArray buffer;
    qsizetype filled = 0; // bytes read and not yet stored
    qsizetype skip = -1;  // the byte-order mark's length once known
    bool atEnd = false;
    CatalogTable later;
    LineParser parser(records, error);
    QString laterError;
    LineParser laterParser(later, &laterError);
    const bool twoCores = (cores > 0 ? unsigned(cores) : usableCores()) > 1;
    const qsizetype splitAbove = std::min<qint64>(kSplitAbove, pieceSize / 2);

    while (!atEnd) {
        // The buffer grows only while a line longer than half a piece is being read.
        if (buffer.size() - filled < std::max<qint64>(piece / 2, 1))
            buffer.resize(std::max<qsizetype>(filled + piece, buffer.size() * 2));
        const qint64 want = std::min<qint64>(piece, buffer.size() - filled);
        const qint64 got = channel.read(buffer.data() + filled, want, error); // names the cause
        if (got < 0)
            return false;
        atEnd = got == 0;
        const qsizetype before = filled;
        filled += qsizetype(got);
        const char* data = buffer.constData();
        if (skip < 0) {
            if (filled < 3 && !atEnd)
                continue;
            skip = LineEnds::byteOrderMarkLength(QByteArrayView(data, filled));
        }
        // Nothing before the bytes just read ended a line, but a CR held back last time.
        const qsizetype cut = atEnd ? filled : LineEnds::wholeLinesEnd(data, filled, std::max<qsizetype>(before - 1, 0));
        if (cut == 0 && !atEnd)
            continue;
        const qsizetype middle =
            twoCores && cut > splitAbove ? LineEnds::middleLineStart(data, cut) : cut;
        bool firstStored = true;
        bool laterStored = true;
        if (middle < cut) {
            later.clear();
            runSideBySide([&] { firstStored = parser.lines(data, middle, skip, false); },
                          [&] {
                              laterStored =
                                  laterParser.lines(data + middle, cut - middle, 0, atEnd);
                          });
            if (!firstStored)
                return false;
            records.appendRecords(later);
            if (!laterStored) {
                *error = laterError;
                return false;
            }
        } else if (!parser.lines(data, cut, skip, atEnd)) {
            return false;
        }
        skip = 0;
        std::memmove(buffer.data(), data + cut, size_t(filled - cut));
        filled -= cut;
    }
    return true;
}
