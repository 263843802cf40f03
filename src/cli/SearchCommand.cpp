#include "cli/SearchCommand.h"

#include "catalog/CatalogScan.h"
#include "cli/PieceReader.h"
#include "catalog/CatalogSource.h"
#include "catalog/CatalogTable.h"
#include "cli/Console.h"
#include "platform/core/FileChannel.h"
#include "platform/core/SideBySide.h"

#include <memory>
#include <vector>

namespace {


// One thread's share of a piece: its lines, its records found and, when printing, their text.
class PieceScan
{
public:
    PieceScan(const SearchRequest& request, const AnchorFinder* finder, bool print)
        : m_filter(request.filter),
          m_format(request.format),
          m_finder(finder),
          m_print(print)
    {
        const auto anchor = request.filter.anchor();
        // A run of ASCII is in the line's own bytes whatever their encoding, so lines without
        // it never match; a letter beyond ASCII may be spelt in Windows-1252 instead.
        m_encodingFree = request.filter.asciiOnly()
                         || (anchor && anchor->kind == CaseBlind::PatternAnchor::Kind::AsciiRun);
        // One term, found as a whole in the name: the hit decides.
        const auto& terms = request.filter.terms();
        if (!print && anchor && anchor->wholePattern && terms.size() == 1 && !terms.front().negated
            && terms.front().kind == RecordFilter::Term::Kind::Contains)
            m_hitDecides = anchor->asciiRun.size();
    }

    // False when the loader would stop at a line of data[0, size) (error() says why).
    bool scan(const char* data, qsizetype size, qsizetype skip, bool last)
    {
        m_lines = 0;
        m_found = 0;
        m_out.resize(0);
        const char* const end = data + size;
        // Without a piece to look for, every line is a candidate.
        const char* hit = m_finder ? m_finder->find(data + skip, end) : data;
        return CatalogScan::forEachLine(
            data, size, skip, last,
            [&](qsizetype begin, qsizetype stop, const qsizetype* tabs, int tabCount, bool high) {
                ++m_lines;
                const bool candidate = hit < data + stop;
                // Most lines are stored as they lie (three fields, none quoted or too wide),
                // whatever their encoding, and only a candidate can match.
                const bool plain = tabCount == 2 && tabs[0] - begin <= CatalogTable::kIndexWidth
                                   && stop - tabs[1] - 1 <= CatalogTable::kSizeWidth
                                   && tabs[1] - tabs[0] - 1 <= CatalogTable::kFilenameWidth
                                   && data[begin] != '"' && data[tabs[0] + 1] != '"'
                                   && (tabs[1] + 1 == stop || data[tabs[1] + 1] != '"');
                if (plain && (!high || m_encodingFree)) {
                    if (!candidate)
                        return true;
                    if (m_hitDecides > 0 && hit > data + tabs[0]
                        && hit + m_hitDecides <= data + tabs[1]) {
                        ++m_found;
                        hit = m_finder->find(data + stop, end);
                        return true;
                    }
                }
                CatalogScan::LineFields line;
                bool read = false;
                if (!plain || (high && (candidate || !m_encodingFree))) {
                    if (!CatalogScan::lineFields(data, begin, stop, tabs, tabCount, high,
                                                 &m_scratch, &line, &m_error))
                        return false;
                    read = true;
                } else {
                    CatalogScan::rawFields(data, begin, stop, tabs, tabCount, line.fields);
                }
                if (!candidate && (m_encodingFree || line.utf8))
                    return true;
                if (candidate)
                    hit = m_finder ? m_finder->find(data + stop, end) : data;
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
    const RecordFilter& m_filter;
    RecordFormat::Kind m_format;
    const AnchorFinder* m_finder;
    bool m_print;
    bool m_encodingFree = false;
    qsizetype m_hitDecides = 0; // the length of a hit that decides alone
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
    const int workers = int(std::min(usableCores(), 4u));
    std::vector<std::unique_ptr<PieceScan>> scans;
    for (int w = 0; w < workers; ++w)
        scans.push_back(std::make_unique<PieceScan>(request, finder.get(), print));
    Printer printer(request.format);
    qint64 lines = 0, found = 0;
    QString stop;
    if (print && !Console::out(RecordFormat::head(request.format), &error)) {
        Console::error(error);
        return Console::kError;
    }

    const bool read = PieceReader::read(
        request.catalog, workers,
        [&](int worker, const char* data, qsizetype size, qsizetype skip, bool last) {
            return scans[size_t(worker)]->scan(data, size, skip, last);
        },
        [&](int worker, bool scanned) {
            const PieceScan& scan = *scans[size_t(worker)];
            lines += scan.lines();
            found += scan.found();
            if (!printer.print(scan.printed(), &stop))
                return false;
            if (!scanned)
                stop = QStringLiteral("%1: line %2: %3").arg(request.catalog).arg(lines).arg(scan.error());
            return scanned;
        },
        &error);
    if (!read && stop.isEmpty())
        stop = QStringLiteral("%1: %2").arg(request.catalog, error);

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
