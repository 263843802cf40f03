#include "catalog/CatalogReader.h"

#include "catalog/CatalogLine.h"
#include "catalog/CatalogScan.h"
#include "catalog/CatalogTable.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LineEnds.h"
#include "platform/core/SideBySide.h"

#include <algorithm>

namespace {

// Below this a second thread costs more than it saves.
constexpr qsizetype kSplitAbove = 512 * 1024;

// Lines of one stretch of the file into a table, each read as CatalogScan::lineFields reads it.
class LineParser
{
public:
    LineParser(CatalogTable& records, QString* error) : m_records(records), m_error(error) {}

    // The line data[begin, end) as the scan found it (CatalogScan::forEachLine).
    bool line(const char* data, qsizetype begin, qsizetype end, const qsizetype* tabs,
              int tabCount, bool high)
    {
        CatalogScan::LineFields line;
        if (!CatalogScan::lineFields(data, begin, end, tabs, tabCount, high, &m_scratch, &line,
                                     m_error))
            return false;
        return m_records.appendRecord(line.fields[0], line.fields[1], line.fields[2], m_error,
                                      !line.utf8);
    }

    // Every line ending in data[0, size), the first one starting after skip bytes (a
    // byte-order mark); with last set, the text after the last line end is a line too (none
    // when nothing follows the mark). False at the first line that cannot be stored.
    bool lines(const char* data, qsizetype size, qsizetype skip, bool last);

private:
    CatalogTable& m_records;
    QString* m_error;
    QByteArray m_scratch;
};

bool LineParser::lines(const char* data, qsizetype size, qsizetype skip, bool last)
{
    return CatalogScan::forEachLine(
        data, size, skip, last,
        [&](qsizetype begin, qsizetype end, const qsizetype* tabs, int tabCount, bool high) {
            return line(data, begin, end, tabs, tabCount, high);
        });
}

} // namespace

bool readCatalog(FileChannel& channel, CatalogTable& records, QString* error, qint64 pieceSize,
                 int cores)
{
    // Field text is at most the file's size unless short lines repeat their text across
    // fields; a catalog line is rarely under 64 bytes.
    const qint64 fileSize = std::max<qint64>(channel.size(), 0);
    records.reserve(fileSize / 64 + 16, fileSize);

    CatalogTable later;
    LineParser parser(records, error);
    QString laterError;
    LineParser laterParser(later, &laterError);
    const bool twoCores = (cores > 0 ? unsigned(cores) : usableCores()) > 1;
    const qsizetype splitAbove = std::min<qint64>(kSplitAbove, pieceSize / 2);

    return CatalogScan::forEachBlock(
        channel, error, pieceSize, [&](const char* data, qsizetype cut, qsizetype skip, bool atEnd) {
            const qsizetype middle =
                twoCores && cut > splitAbove ? LineEnds::middleLineStart(data, cut) : cut;
            if (middle >= cut)
                return parser.lines(data, cut, skip, atEnd);
            bool firstStored = true;
            bool laterStored = true;
            later.clear();
            runSideBySide([&] { firstStored = parser.lines(data, middle, skip, false); },
                          [&] { laterStored = laterParser.lines(data + middle, cut - middle, 0, atEnd); });
            if (!firstStored)
                return false;
            records.appendRecords(later);
            if (!laterStored)
                *error = laterError;
            return laterStored;
        });
}
