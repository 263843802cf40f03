#include "capture/TextFileView.h"

#include "catalog/CatalogLine.h"
#include "platform/core/FileChannel.h"
#include "platform/core/HugePages.h"
#include "platform/core/LineEnds.h"
#include "platform/core/SideBySide.h"

#include <QAbstractListModel>
#include <QFile>
#include <QFontMetrics>
#include <QHash>

#include <cerrno>
#include <new>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Rows over one buffer: line i is bytes [m_starts[i], m_starts[i + 1]) without its line end.
class TextLineModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    // The index is built in the memory of the previous one (already in use, so no page of it
    // is new). When it does not fit (std::bad_alloc), the previous index is rebuilt in that same
    // memory, which held it before, and the rows shown stay as they were.
    void setBytes(QByteArray bytes, const QFontMetrics& metrics)
    {
        std::vector<qsizetype> starts = std::move(m_starts);
        const qsizetype first = LineEnds::byteOrderMarkLength(bytes);
        int longestRow = -1;
        try {
            longestRow = indexLines(bytes, first, &starts);
        } catch (const std::bad_alloc&) {
            indexLines(m_bytes, m_first, &starts);
            m_starts = std::move(starts);
            throw;
        }
        beginResetModel();
        m_bytes = std::move(bytes);
        m_first = first;
        m_starts = std::move(starts);
        m_longLineIsUtf8.clear();
        // Rows are as wide as the longest line's row, its end mark included, so that scrolling
        // reaches it; that one row is measured, the others are not.
        const int widest = longestRow < 0 ? 0 : metrics.horizontalAdvance(shown(longestRow));
        m_itemSize = QSize(widest + 2 * metrics.averageCharWidth() + 8, metrics.height() + 2);
        endResetModel();
    }

    const QByteArray& bytes() const { return m_bytes; }
    QByteArrayView textBytes() const { return QByteArrayView(m_bytes).sliced(m_first); }
    int lines() const { return int(m_starts.size()) - 1; }

    // The line's bytes without its line end; r is a row.
    QByteArrayView lineBytes(int r) const
    {
        const qsizetype begin = m_starts[size_t(r)];
        const QByteArrayView withEnd(m_bytes.constData() + begin, m_starts[size_t(r) + 1] - begin);
        return withEnd.chopped(LineEnds::closingEndLength(withEnd));
    }
    // The line end that follows it ("" for a last line without one).
    QByteArrayView lineEnd(int r) const
    {
        const qsizetype end = m_starts[size_t(r)] + lineBytes(r).size();
        return QByteArrayView(m_bytes.constData() + end, m_starts[size_t(r) + 1] - end);
    }

    QString line(int row) const
    {
        if (row < 0 || row >= lines())
            return QString();
        QByteArray scratch;
        return QString::fromUtf8(CatalogLine::toUtf8(lineBytes(row), isUtf8(row), &scratch));
    }

    // The row's text: the line's first characters, decoded from no more bytes than they need.
    QString shown(int row) const
    {
        if (row < 0 || row >= lines())
            return QString();
        const QByteArrayView bytes = lineBytes(row);
        const bool utf8 = isUtf8(row);
        // A character takes at most four bytes, so these hold more than a row shows.
        QByteArrayView head = bytes.first(std::min<qsizetype>(bytes.size(),
                                                              4 * TextFileView::kShownCharacters + 4));
        while (utf8 && head.size() < bytes.size() && !head.isEmpty()
               && (uchar(bytes[head.size()]) & 0xC0) == 0x80)
            head.chop(1); // a whole character at the cut
        QByteArray scratch;
        QString text = QString::fromUtf8(CatalogLine::toUtf8(head, utf8, &scratch));
        bool more = head.size() < bytes.size();
        if (text.size() > TextFileView::kShownCharacters) {
            qsizetype cut = TextFileView::kShownCharacters;
            if (text.at(cut - 1).isHighSurrogate())
                --cut;
            text.truncate(cut);
            more = true;
        }
        return TextFileView::expandTabs(more ? text + TextFileView::kMoreMark : text);
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : lines(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return shown(index.row());
        if (role == Qt::SizeHintRole)
            return m_itemSize;
        return QVariant();
    }

private:
    // Whether the whole line is UTF-8 decides how even its first characters read. A long
    // line's answer is kept, so repainting it does not scan megabytes again.
    bool isUtf8(int row) const
    {
        const QByteArrayView bytes = lineBytes(row);
        if (bytes.size() < kRememberFrom)
            return CatalogLine::isUtf8(bytes);
        auto known = m_longLineIsUtf8.constFind(row);
        if (known == m_longLineIsUtf8.cend())
            known = m_longLineIsUtf8.insert(row, CatalogLine::isUtf8(bytes));
        return *known;
    }

    // Fills starts with where each line of bytes begins (past a byte-order mark of length
    // first), and the end of the last; returns the row of the longest line (-1: none).
    static int indexLines(const QByteArray& bytes, qsizetype first, std::vector<qsizetype>* starts)
    {
        const char* data = bytes.constData();
        const qsizetype size = bytes.size();
        starts->clear();
        // Catalog lines run to some dozens of bytes; a close guess spares the regrowth (and
        // its moment of two index copies) on big files. New memory gets large pages.
        const size_t had = starts->capacity();
        starts->reserve(size_t(size / 48 + 2));
        if (starts->capacity() != had)
            adviseHugePages(starts->data(), qint64(starts->capacity() * sizeof(qsizetype)));
        qsizetype longest = -1;
        int longestRow = -1;
        auto add = [&](qsizetype begin, qsizetype length) {
            if (length > longest) {
                longest = length;
                longestRow = int(starts->size());
            }
            starts->push_back(begin);
        };
        const qsizetype rest =
            first + LineEnds::forEachEndedLine(data + first, size - first,
                                                  [&](qsizetype begin, qsizetype end) {
                                                      add(first + begin, end - begin);
                                                      return true;
                                                  });
        if (rest < size) // a last line without a line end
            add(rest, size - rest);
        starts->push_back(size);
        return longestRow;
    }

    static constexpr qsizetype kRememberFrom = 64 * 1024;

    QByteArray m_bytes;
    qsizetype m_first = LineEnds::byteOrderMarkLength(m_bytes); // a byte-order mark before the first line
    std::vector<qsizetype> m_starts{0};
    mutable QHash<int, bool> m_longLineIsUtf8;
    QSize m_itemSize;
};

namespace {

#ifdef Q_OS_UNIX
// Reads up to size bytes at offset; what was read (less at the end of the file), or -1 with
// the error in errno.
qint64 readAt(int fd, char* data, qint64 size, qint64 offset)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size_t(size - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}
#endif

} // namespace

// Most of a large file's load is the system clearing the fresh pages of its buffer and copying
// into them; the halves are read side by side, each thread taking the page faults of its own
// half. -1 when the file is read as one piece instead (small, or no descriptor to share);
// otherwise what was read, less when the file shrank, or the error's number in failure.
qint64 TextFileView::readInHalves(QFile& file, char* data, qint64 size, int* failure)
{
#ifdef Q_OS_UNIX
    constexpr qint64 kSplitFrom = 16 * 1024 * 1024;
    const int fd = file.handle();
    if (size < kSplitFrom || fd < 0 || usableCores() < 2)
        return -1;
    const qint64 half = size / 2;
    qint64 firstGot = 0, secondGot = 0;
    int firstError = 0, secondError = 0;
    runSideBySide(
        [&] {
            firstGot = readAt(fd, data, half, 0);
            firstError = firstGot < 0 ? errno : 0;
        },
        [&] {
            secondGot = readAt(fd, data + half, size - half, half);
            secondError = secondGot < 0 ? errno : 0;
        });
    if (firstError != 0 || secondError != 0) {
        *failure = firstError != 0 ? firstError : secondError;
        return 0;
    }
    return firstGot < half ? firstGot : half + secondGot;
#else
    Q_UNUSED(file);
    Q_UNUSED(data);
    Q_UNUSED(size);
    Q_UNUSED(failure);
    return -1;
#endif
}

const QString TextFileView::kMoreMark = QStringLiteral(" \u2026");

TextFileView::TextFileView(QWidget* parent) : QListView(parent), m_model(new TextLineModel(this))
{
    setModel(m_model);
    // Every row has the height of one line, so the view never measures a million rows.
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(10000);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
}

bool TextFileView::loadFile(const QString& path, QString* error)
{
    auto fail = [&](const QString& description) {
        if (error)
            *error = description;
        return false;
    };
    // A pipe would block here for good, and a device such as /dev/zero never ends.
    QString refusal;
    if (!FileChannel::checkRegularFile(path, &refusal))
        return fail(refusal);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    try {
        // Read straight into one buffer of the file's size: the file's bytes are held once.
        const qint64 expected = file.size();
        QByteArray bytes;
        qint64 got = 0;
        if (expected > 0) {
            bytes = QByteArray(expected, Qt::Uninitialized);
            adviseHugePages(bytes.data(), expected);
            int failure = 0;
            got = readInHalves(file, bytes.data(), expected, &failure);
            if (failure != 0)
                return fail(QStringLiteral("Cannot read %1: %2").arg(path, qt_error_string(failure)));
            if (got < 0) { // read as one piece
                got = 0;
                while (got < expected) {
                    const qint64 n = file.read(bytes.data() + got, expected - got);
                    if (n <= 0)
                        break;
                    got += n;
                }
            } else if (!file.seek(got)) {
                return fail(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
            }
            bytes.truncate(got); // the file shrank while it was read
        }
        if (got == expected && file.error() == QFileDevice::NoError)
            bytes.append(file.readAll()); // whatever was added since its size was taken
        if (file.error() != QFileDevice::NoError)
            return fail(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        setBytes(std::move(bytes));
    } catch (const std::bad_alloc&) {
        return fail(QStringLiteral("Not enough memory to open %1").arg(path));
    }
    return true;
}

QString TextFileView::text() const
{
    const QByteArrayView all = m_model->textBytes();
    if (CatalogLine::isUtf8(all))
        return QString::fromUtf8(all); // then so is every line
    QString text;
    text.reserve(all.size());
    for (int row = 0; row < m_model->lines(); ++row)
        text += m_model->line(row) + QLatin1String(m_model->lineEnd(row).data(), m_model->lineEnd(row).size());
    return text;
}

void TextFileView::setText(const QString& text)
{
    setBytes(text.toUtf8());
}

bool TextFileView::isEmpty() const
{
    return m_model->textBytes().isEmpty();
}

int TextFileView::lineCount() const
{
    return m_model->lines();
}

QString TextFileView::line(int index) const
{
    return m_model->line(index);
}

QString TextFileView::shownLine(int index) const
{
    return m_model->shown(index);
}

void TextFileView::setBytes(QByteArray bytes)
{
    const QFontMetrics metrics(font());
    m_model->setBytes(std::move(bytes), metrics);
    scrollToTop();
}

QString TextFileView::expandTabs(const QString& text)
{
    if (!text.contains(QLatin1Char('\t')))
        return text;
    // The text between tabs is copied in one piece: a line of megabytes prints in a moment.
    static const QString kSpaces(8, QLatin1Char(' '));
    QString expanded;
    expanded.reserve(text.size() + 16);
    qsizetype from = 0;
    for (qsizetype tab; (tab = text.indexOf(QLatin1Char('\t'), from)) >= 0; from = tab + 1) {
        expanded.append(QStringView(text).sliced(from, tab - from));
        expanded.append(QStringView(kSpaces).first(8 - expanded.size() % 8));
    }
    expanded.append(QStringView(text).sliced(from));
    return expanded;
}
