#include "cli/SearchCommand.h"

#include "catalog/CatalogScan.h"
#include "catalog/CatalogSource.h"
#include "catalog/CatalogTable.h"
#include "cli/Console.h"
#include "platform/core/FileChannel.h"
#include "platform/core/SideBySide.h"

#include <memory>

namespace {

// Below this a second thread costs more than it saves.
constexpr qsizetype kSplitAbove = 512 * 1024;

// One thread's share of a piece: its lines, its records found and, when printing, their text.
class PieceScan
{
public:
    PieceScan(const SearchRequest& request, const AnchorFinder* finder, bool print)
        : m_filter(request.filter),
          m_format(request.format),
          m_finder(finder),
          m_asciiOnly(request.filter.asciiOnly()),
          m_print(print)
    {
    }

    // False when the loader would stop at a line of data[0, size) (error() says why).
    bool scan(const char* data, qsizetype size, qsizetype skip, bool last)
    {
        m_lines = 0;
        m_out.resize(0);
        const char* const end = data + size;
        const char* hit = m_finder ? m_finder->find(data + skip, end) : nullptr;
        return CatalogScan::forEachLine(
            data, size, skip, last,
            [&](qsizetype begin, qsizetype stop, const qsizetype* tabs, int tabCount, bool high) {
                ++m_lines;
                CatalogScan::LineFields line;
                CatalogScan::rawFields(data, begin, stop, tabs, tabCount, line.fields);
                // A line the loader stores as it lies, whatever its encoding.
                const bool plain = fitsAsItLies(line.fields);
                // A line that may not be UTF-8 is compared as read, unless its encoding cannot
                // change the outcome.
                const bool decode = high && !m_asciiOnly;
                const bool candidate = !m_finder || hit < data + stop;
                if (plain && !candidate && !decode)
                    return true;
                bool read = false;
                if (!plain || decode) {
                    if (!CatalogScan::lineFields(data, begin, stop, tabs, tabCount, high,
                                                 &m_scratch, &line, &m_error))
                        return false;
                    read = true;
                }
                if (m_finder && hit < data + stop)
                    hit = m_finder->find(data + stop, end);
                if (!m_filter.matches(line.fields))
                    return true;
                ++m_found;
                if (m_print) {
                    // Printed text needs the line as read; lines of ASCII need no reading.
                    if (high && !read
                        && !CatalogScan::lineFields(data, begin, stop, tabs, tabCount, high,
                                                    &m_scratch, &line, &m_error))
                        return false;
                    RecordFormat::append(&m_out, m_format, line,
                                         QByteArrayView(data + begin, stop - begin));
                }
                return true;
            });
    }

    qint64 lines() const { return m_lines; }
    qint64 found() const { return m_found; }
    const QByteArray& printed() const { return m_out; }
    const QString& error() const { return m_error; }

private:
    static bool fitsAsItLies(const QByteArrayView fields[3])
    {
        for (const QByteArrayView& field : {fields[0], fields[1], fields[2]}) {
            if (!field.isEmpty() && field.front() == '"')
                return false;
        }
        return fields[0].size() <= CatalogTable::kIndexWidth
               && fields[1].size() <= CatalogTable::kFilenameWidth
               && fields[2].size() <= CatalogTable::kSizeWidth;
    }

    const RecordFilter& m_filter;
    RecordFormat::Kind m_format;
    const AnchorFinder* m_finder;
    bool m_asciiOnly;
    bool m_print;
    qint64 m_lines = 0;
    qint64 m_found = 0;
    QByteArray m_out;
    QByteArray m_scratch;
    QString m_error;
};

// Standard output, with the json separator dropped before the first record.
class Printer
{
public:
    explicit Printer(RecordFormat::Kind format) : m_format(format) {}

    bool print(const QByteArray& records, QString* error)
    {
        if (records.isEmpty())
            return true;
        const qsizetype skip = m_any ? 0 : RecordFormat::separatorLength(m_format);
        m_any = true;
        return Console::out(QByteArrayView(records).sliced(skip), error);
    }
    bool any() const { return m_any; }

private:
    RecordFormat::Kind m_format;
    bool m_any = false;
};

// The first-line check of File > Open: a file that is not a catalog is refused.
bool checkFirstLine(FileChannel& channel, const QString& path, QString* error)
{
    CatalogSource source(channel);
    QObject::connect(&source, &CatalogSource::failed, [&](const QString& message) { *error = message; });
    return source.validate(path, error);
}

} // namespace

int runSearch(const SearchRequest& request)
{
    FileChannel channel;
    QString error;
    if (!checkFirstLine(channel, request.catalog, &error)
        || !channel.open(request.catalog, FileChannel::Mode::Input, &error)) {
        Console::error(QStringLiteral("%1: %2").arg(request.catalog, error));
        return Console::kError;
    }
    FileChannelCloser closer(channel);

    const std::optional<CaseBlind::PatternAnchor> anchor = request.filter.anchor();
    std::unique_ptr<AnchorFinder> finder;
    if (anchor)
        finder = std::make_unique<AnchorFinder>(*anchor);
    // Output nobody reads is not made (grep does the same).
    const bool print = !request.count && !Console::outputDiscarded();
    PieceScan first(request, finder.get(), print);
    PieceScan second(request, finder.get(), print);
    Printer printer(request.format);
    const bool twoCores = usableCores() > 1;
    qint64 linesBefore = 0;
    QString stop;
    if (print && !Console::out(RecordFormat::head(request.format), &error)) {
        Console::error(error);
        return Console::kError;
    }

    const bool read = CatalogScan::forEachBlock(
        channel, &error, CatalogScan::kPieceSize,
        [&](const char* data, qsizetype size, qsizetype skip, bool last) {
            const qsizetype middle =
                twoCores && size > kSplitAbove ? CatalogScan::middleLineStart(data, size) : size;
            bool firstRead = true, secondRead = true;
            if (middle >= size) {
                firstRead = first.scan(data, size, skip, last);
            } else {
                runSideBySide([&] { firstRead = first.scan(data, middle, skip, false); },
                              [&] { secondRead = second.scan(data + middle, size - middle, 0, last); });
            }
            if (!printer.print(first.printed(), &stop))
                return false;
            linesBefore += first.lines();
            if (!firstRead) {
                stop = QStringLiteral("%1: line %2: %3").arg(request.catalog).arg(linesBefore).arg(first.error());
                return false;
            }
            if (middle >= size)
                return true;
            if (!printer.print(second.printed(), &stop))
                return false;
            linesBefore += second.lines();
            if (!secondRead)
                stop = QStringLiteral("%1: line %2: %3").arg(request.catalog).arg(linesBefore).arg(second.error());
            return secondRead;
        });
    if (!read && stop.isEmpty())
        stop = QStringLiteral("%1: %2").arg(request.catalog, error);

    const qint64 found = first.found() + second.found();
    QString outError;
    const QByteArray closing = request.count ? QByteArray::number(found) + '\n'
                                             : RecordFormat::tail(request.format, printer.any());
    if (print || request.count) {
        if (!Console::out(closing, &outError) && stop.isEmpty())
            stop = outError;
    }
    if (!stop.isEmpty()) {
        Console::error(stop);
        return Console::kError;
    }
    return found > 0 ? Console::kFound : Console::kNothing;
}
