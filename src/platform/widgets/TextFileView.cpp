#include "platform/widgets/TextFileView.h"

#include <QAbstractListModel>
#include <QFile>
#include <QFontMetrics>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace {

// Calls found(offset) for every '\n' in data, in order, in one pass over the bytes: sixteen
// bytes are compared at a time instead of one memchr call per line, which on short catalog
// lines costs more in call overhead than in scanning.
template<typename Found>
void forEachLineFeed(const char* data, qsizetype size, Found found)
{
    qsizetype at = 0;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    for (; at + 16 <= size; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, feed)));
        while (mask) {
            found(at + __builtin_ctz(mask));
            mask &= mask - 1;
        }
    }
#endif
    for (; at < size; ++at) {
        if (data[at] == '\n')
            found(at);
    }
}

// A big buffer about to be filled from a file: on Linux, large pages where the system offers
// them on request, so filling it takes one page fault per 2 MB instead of one per 4 KB.
void adviseLargePages(char* data, qsizetype size)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr quintptr kLarge = 2 * 1024 * 1024;
    const quintptr begin = (quintptr(data) + kLarge - 1) & ~(kLarge - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(kLarge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
#endif
}

} // namespace

// Rows over one buffer: line i is bytes [m_starts[i], m_starts[i + 1]) without its line end.
class TextLineModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setBytes(QByteArray bytes, int charWidth, int lineHeight)
    {
        beginResetModel();
        m_bytes = std::move(bytes);
        m_starts.clear();
        m_longest = 0;
        const qsizetype size = m_bytes.size();
        // Catalog lines run to some dozens of bytes; a close guess spares the regrowth (and
        // its moment of two index copies) on big files.
        m_starts.reserve(size_t(size / 48 + 2));
        qsizetype start = 0;
        forEachLineFeed(m_bytes.constData(), size, [&](qsizetype feed) {
            m_starts.push_back(start);
            m_longest = std::max<qsizetype>(m_longest, feed + 1 - start);
            start = feed + 1;
        });
        if (start < size) { // a last line without a line end
            m_starts.push_back(start);
            m_longest = std::max<qsizetype>(m_longest, size - start);
        }
        m_starts.push_back(size);
        m_itemSize = QSize(int(std::min<qsizetype>(m_longest + 2, 4000)) * charWidth, lineHeight);
        endResetModel();
    }

    const QByteArray& bytes() const { return m_bytes; }
    int lines() const { return int(m_starts.size()) - 1; }

    QString line(int row) const
    {
        if (row < 0 || row >= lines())
            return QString();
        qsizetype begin = m_starts[size_t(row)];
        qsizetype end = m_starts[size_t(row) + 1];
        if (end > begin && m_bytes.at(end - 1) == '\n')
            --end;
        if (end > begin && m_bytes.at(end - 1) == '\r')
            --end;
        return QString::fromLocal8Bit(m_bytes.constData() + begin, end - begin);
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : lines(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return TextFileView::expandTabs(line(index.row()));
        if (role == Qt::SizeHintRole)
            return m_itemSize;
        return QVariant();
    }

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_starts{0};
    qsizetype m_longest = 0;
    QSize m_itemSize;
};

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    // Read straight into one buffer of the file's size: the file's bytes are held once.
    const qint64 expected = file.size();
    QByteArray bytes;
    qint64 got = 0;
    if (expected > 0) {
        bytes = QByteArray(expected, Qt::Uninitialized);
        adviseLargePages(bytes.data(), expected);
        while (got < expected) {
            const qint64 n = file.read(bytes.data() + got, expected - got);
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got); // the file shrank while it was read
    }
    if (got == expected && file.error() == QFileDevice::NoError)
        bytes.append(file.readAll()); // whatever was added since its size was taken
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    setBytes(std::move(bytes));
    return true;
}

QString TextFileView::text() const
{
    return QString::fromLocal8Bit(m_model->bytes());
}

void TextFileView::setText(const QString& text)
{
    setBytes(text.toLocal8Bit());
}

bool TextFileView::isEmpty() const
{
    return m_model->bytes().isEmpty();
}

int TextFileView::lineCount() const
{
    return m_model->lines();
}

QString TextFileView::line(int index) const
{
    return m_model->line(index);
}

void TextFileView::setBytes(QByteArray bytes)
{
    const QFontMetrics metrics(font());
    m_model->setBytes(std::move(bytes), metrics.averageCharWidth(),
                      metrics.height() + 2);
    scrollToTop();
}

QString TextFileView::expandTabs(const QString& text)
{
    if (!text.contains(QLatin1Char('\t')))
        return text;
    QString expanded;
    expanded.reserve(text.size() + 16);
    for (QChar c : text) {
        if (c == QLatin1Char('\t'))
            expanded.append(QString(8 - expanded.size() % 8, QLatin1Char(' ')));
        else
            expanded.append(c);
    }
    return expanded;
}
