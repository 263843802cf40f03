#include "platform/core/RecordSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Asks for transparent huge pages on a large buffer about to be filled: a million-record load
// otherwise spends much of its time taking one page fault per 4 KiB of fresh memory.
void adviseHugePages(const void* data, qint64 bytes)
{
#ifdef __linux__
    constexpr quintptr kPage = 4096;
    if (bytes < (4 << 20))
        return;
    const quintptr begin = (quintptr(data) + kPage - 1) & ~(kPage - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes)) & ~(kPage - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

qint64 physicalMemory()
{
#if defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize;
#endif
    return std::numeric_limits<qint64>::max();
}

qint64 g_capacityLimit = 0; // 0: the default

} // namespace

void RecordSet::setCapacityLimit(qint64 bytes)
{
    g_capacityLimit = std::max<qint64>(bytes, 0);
}

qint64 RecordSet::capacityLimit()
{
    static const qint64 memory = physicalMemory();
    return g_capacityLimit > 0 ? g_capacityLimit : memory;
}

// ---------------------------------------------------------------------------------------------
// PodArray

template <typename T>
RecordSet::PodArray<T>::~PodArray()
{
    std::free(m_data);
}

template <typename T>
void RecordSet::PodArray<T>::reserve(qsizetype count)
{
    if (count <= m_capacity)
        return;
    if (qint64(count) > RecordSet::capacityLimit() / qint64(sizeof(T)))
        throw std::bad_alloc();
    // realloc of a large block moves pages instead of copying them (mremap on Linux).
    void* grown = std::realloc(m_data, size_t(count) * sizeof(T));
    if (!grown)
        throw std::bad_alloc();
    m_data = static_cast<T*>(grown);
    m_capacity = count;
    adviseHugePages(m_data, qint64(count) * qint64(sizeof(T)));
}

template <typename T>
void RecordSet::PodArray<T>::push(T value)
{
    if (m_size == m_capacity)
        reserve(std::max<qsizetype>(64, m_capacity + m_capacity / 2));
    m_data[m_size++] = value;
}

template <typename T>
void RecordSet::PodArray<T>::append(const T* values, qsizetype count)
{
    if (count <= 0)
        return;
    if (m_size + count > m_capacity) {
        // The values may lie in this very array, which is about to move.
        const bool inside = values >= m_data && values < m_data + m_capacity;
        const qsizetype offset = inside ? qsizetype(values - m_data) : 0;
        reserve(std::max<qsizetype>(m_size + count, m_capacity + m_capacity / 2));
        if (inside)
            values = m_data + offset;
    }
    std::memmove(m_data + m_size, values, size_t(count) * sizeof(T));
    m_size += count;
}

template <typename T>
void RecordSet::PodArray<T>::resize(qsizetype count)
{
    reserve(count);
    m_size = count;
}

template <typename T>
void RecordSet::PodArray<T>::clear()
{
    m_size = 0;
}

// ---------------------------------------------------------------------------------------------
// Text helpers

namespace {

// UTF-16 code units of valid UTF-8: every byte that does not continue a sequence starts one
// unit, and a four-byte sequence needs a surrogate pair.
qsizetype utf16Length(const char* data, qsizetype size)
{
    qsizetype units = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const uchar c = uchar(data[i]);
        units += (c & 0xC0) != 0x80;
        units += c >= 0xF0;
    }
    return units;
}

bool isAscii(const char* data, qsizetype size)
{
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; i < size; ++i) {
        if (uchar(data[i]) & 0x80)
            return false;
    }
    return true;
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// An ASCII needle compared without regard to the case of its letters: a haystack byte h
// matches needle byte i when (h | mask[i]) == folded[i]. Only letters get the 0x20 mask, so
// '@' never matches '`' and bytes of multi-byte UTF-8 sequences never match at all.
class FoldedNeedle
{
public:
    explicit FoldedNeedle(const QByteArray& needle)
    {
        m_folded.resize(size_t(needle.size()));
        m_mask.resize(size_t(needle.size()));
        for (qsizetype i = 0; i < needle.size(); ++i) {
            const uchar c = uchar(needle[i]);
            const uchar lower = c | 0x20;
            const uchar mask = (lower >= 'a' && lower <= 'z') ? 0x20 : 0;
            m_mask[size_t(i)] = mask;
            m_folded[size_t(i)] = c | mask;
        }
    }

    qsizetype size() const { return qsizetype(m_folded.size()); }

    bool matchesAt(const char* haystack) const
    {
        for (size_t i = 0; i < m_folded.size(); ++i) {
            if ((uchar(haystack[i]) | m_mask[i]) != m_folded[i])
                return false;
        }
        return true;
    }

    // First match starting in [from, end) that ends by end, or nullptr. The fast path tests
    // the first and the last needle byte of sixteen starting positions at once and verifies
    // only the candidates.
    const char* find(const char* from, const char* end) const
    {
        const qsizetype n = size();
        if (end - from < n)
            return nullptr;
        const char* const lastStart = end - n;
        const char* p = from;
#ifdef __SSE2__
        const __m128i first = _mm_set1_epi8(char(m_folded.front()));
        const __m128i firstMask = _mm_set1_epi8(char(m_mask.front()));
        const __m128i last = _mm_set1_epi8(char(m_folded.back()));
        const __m128i lastMask = _mm_set1_epi8(char(m_mask.back()));
        while (lastStart - p >= 15) {
            const __m128i a = _mm_or_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), firstMask);
            const __m128i b = _mm_or_si128(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1)), lastMask);
            unsigned bits = unsigned(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
            while (bits) {
                const int bit = __builtin_ctz(bits);
                if (matchesAt(p + bit))
                    return p + bit;
                bits &= bits - 1;
            }
            p += 16;
        }
#endif
        for (; p <= lastStart; ++p) {
            if (matchesAt(p))
                return p;
        }
        return nullptr;
    }

    bool startsWith(const char* data, qsizetype size) const
    {
        return size >= this->size() && matchesAt(data);
    }
    bool endsWith(const char* data, qsizetype size) const
    {
        return size >= this->size() && matchesAt(data + size - this->size());
    }
    bool equals(const char* data, qsizetype size) const
    {
        return size == this->size() && matchesAt(data);
    }

private:
    std::vector<uchar> m_folded;
    std::vector<uchar> m_mask;
};

// Letter case is ignored the way QString compares without case: two characters match when
// their simple case foldings are equal. Every code point whose folding differs from itself, as
// (folding, code point), sorted by folding: looked up to list all the spellings of a letter.
const std::vector<std::pair<char32_t, char32_t>>& foldedCodePoints()
{
    static const std::vector<std::pair<char32_t, char32_t>> pairs = [] {
        std::vector<std::pair<char32_t, char32_t>> list;
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const char32_t folded = QChar::toCaseFolded(c);
            if (folded != c)
                list.emplace_back(folded, c);
        }
        std::sort(list.begin(), list.end());
        return list;
    }();
    return pairs;
}

// Every code point that matches c when letter case is ignored, c included.
std::vector<char32_t> caseVariants(char32_t c)
{
    const char32_t folded = QChar::toCaseFolded(c);
    std::vector<char32_t> variants;
    if (QChar::toCaseFolded(folded) == folded)
        variants.push_back(folded);
    const auto& pairs = foldedCodePoints();
    auto it = std::lower_bound(pairs.begin(), pairs.end(), std::make_pair(folded, char32_t(0)));
    for (; it != pairs.end() && it->first == folded; ++it)
        variants.push_back(it->second);
    return variants;
}

QByteArray utf8Of(char32_t c)
{
    return QString::fromUcs4(&c, 1).toUtf8();
}

// Finds the first of a few byte strings (the UTF-8 spellings of one letter in every case).
// Like FoldedNeedle::find, sixteen starting positions are tested at once on the first and the
// last byte of every spelling, and only the candidates are compared in full.
class SpellingFinder
{
public:
    explicit SpellingFinder(std::vector<QByteArray> spellings) : m_spellings(std::move(spellings))
    {
        for (const QByteArray& s : m_spellings)
            m_longest = std::max(m_longest, s.size());
    }

    // The first spelling found starting in [from, end) and ending by end, or nullptr; its
    // length goes to *length.
    const char* find(const char* from, const char* end, qsizetype* length) const
    {
        const char* p = from;
#ifdef __SSE2__
        while (end - p >= 16 + m_longest) {
            unsigned bits = 0;
            for (const QByteArray& s : m_spellings) {
                const __m128i a = _mm_cmpeq_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi8(s.front()));
                const __m128i b = _mm_cmpeq_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + s.size() - 1)),
                    _mm_set1_epi8(s.back()));
                bits |= unsigned(_mm_movemask_epi8(_mm_and_si128(a, b)));
            }
            while (bits) {
                const int bit = __builtin_ctz(bits);
                if (const qsizetype n = spellingAt(p + bit, end))
                    return *length = n, p + bit;
                bits &= bits - 1;
            }
            p += 16;
        }
#endif
        for (; p < end; ++p) {
            if (const qsizetype n = spellingAt(p, end))
                return *length = n, p;
        }
        return nullptr;
    }

private:
    // The length of the spelling found at p, 0 when none.
    qsizetype spellingAt(const char* p, const char* end) const
    {
        for (const QByteArray& s : m_spellings) {
            if (end - p >= s.size() && std::memcmp(p, s.constData(), size_t(s.size())) == 0)
                return s.size();
        }
        return 0;
    }

    std::vector<QByteArray> m_spellings;
    qsizetype m_longest = 1;
};

// A piece of a pattern that every match must contain, to find candidate records in the text
// buffer quickly: a run of ASCII characters whose only case variants are ASCII (compared as
// ASCII without case), or one character that has no ASCII case variant (found by its UTF-8
// spellings). Candidates are then compared in full.
struct PatternAnchor
{
    enum class Kind { None, AsciiRun, Spellings } kind = Kind::None;
    QByteArray asciiRun;
    std::vector<QByteArray> spellings;
    bool wholePattern = false; // the pattern is the ASCII run itself: no comparison needed
    bool canMatchAscii = true; // some text of ASCII characters only could match the pattern
};

PatternAnchor anchorOf(QStringView pattern)
{
    PatternAnchor anchor;
    QByteArray run, bestRun;
    std::vector<QByteArray> bestSpellings;
    qsizetype bestShortest = 0;
    bool allAscii = true;
    auto endRun = [&] {
        if (run.size() > bestRun.size())
            bestRun = run;
        run.clear();
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        char32_t c = pattern[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < pattern.size()
            && pattern[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(pattern[i], pattern[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            // A lone surrogate can match half of a pair: compare every record.
            return PatternAnchor();
        }
        const std::vector<char32_t> variants = caseVariants(c);
        const bool asciiVariant =
            std::any_of(variants.begin(), variants.end(), [](char32_t v) { return v < 0x80; });
        const bool onlyAscii =
            std::all_of(variants.begin(), variants.end(), [](char32_t v) { return v < 0x80; });
        allAscii = allAscii && onlyAscii;
        anchor.canMatchAscii = anchor.canMatchAscii && asciiVariant;
        if (onlyAscii) {
            run += char(c);
            continue;
        }
        endRun();
        if (asciiVariant)
            continue;
        // Of the characters without an ASCII variant, the one with the longest shortest
        // spelling and then the fewest spellings is likely the rarest.
        std::vector<QByteArray> spellings;
        qsizetype shortest = std::numeric_limits<qsizetype>::max();
        for (char32_t v : variants) {
            spellings.push_back(utf8Of(v));
            shortest = std::min(shortest, spellings.back().size());
        }
        if (bestSpellings.empty() || shortest > bestShortest
            || (shortest == bestShortest && spellings.size() < bestSpellings.size())) {
            bestSpellings = std::move(spellings);
            bestShortest = shortest;
        }
    }
    endRun();
    // A run of four ASCII bytes is about as rare as a letter beyond ASCII.
    if (!bestRun.isEmpty() && (bestRun.size() >= 4 || bestSpellings.empty())) {
        anchor.kind = PatternAnchor::Kind::AsciiRun;
        anchor.asciiRun = bestRun;
        anchor.wholePattern = allAscii;
    } else if (!bestSpellings.empty()) {
        anchor.kind = PatternAnchor::Kind::Spellings;
        anchor.spellings = std::move(bestSpellings);
    }
    return anchor;
}

QString filterError(const QString& criterion, const QString& reason)
{
    return QStringLiteral("Cannot apply the filter \"%1\": %2").arg(criterion, reason);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Criterion parsing

struct RecordSet::Criterion
{
    enum class Kind { Equal, LikeExact, LikePrefix, LikeSuffix, LikeContains };
    int field = -1;
    Kind kind = Kind::Equal;
    QString text;       // the value or the pattern without its wildcards
    QByteArray utf8;    // text as UTF-8
};

namespace {

bool parseCriterion(const QString& input, const std::function<int(QStringView)>& lookup,
                    int* field, bool* like, QString* value, QString* reason)
{
    const QStringView s(input);
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && s[i].isSpace())
            ++i;
    };
    skipBlanks();
    QString name;
    if (i < s.size() && s[i] == QLatin1Char('[')) {
        const qsizetype close = s.indexOf(QLatin1Char(']'), i + 1);
        if (close < 0) {
            *reason = QStringLiteral("the field name has no closing ']'");
            return false;
        }
        name = s.mid(i + 1, close - i - 1).toString();
        i = close + 1;
    } else {
        const qsizetype start = i;
        while (i < s.size() && !s[i].isSpace() && s[i] != QLatin1Char('=')
               && s[i] != QLatin1Char('\''))
            ++i;
        name = s.mid(start, i - start).toString();
    }
    if (name.isEmpty()) {
        *reason = QStringLiteral("a field name is missing");
        return false;
    }
    *field = lookup(name);
    if (*field < 0) {
        *reason = QStringLiteral("there is no field '%1'").arg(name);
        return false;
    }
    skipBlanks();
    if (i < s.size() && s[i] == QLatin1Char('=')) {
        *like = false;
        ++i;
    } else if (s.mid(i, 4).compare(QLatin1String("LIKE"), Qt::CaseInsensitive) == 0
               && (i + 4 == s.size() || s[i + 4].isSpace() || s[i + 4] == QLatin1Char('\''))) {
        *like = true;
        i += 4;
    } else {
        *reason = QStringLiteral("expected LIKE or = after the field name");
        return false;
    }
    skipBlanks();
    if (i >= s.size() || s[i] != QLatin1Char('\'')) {
        *reason = QStringLiteral("the value must be written between single quotes");
        return false;
    }
    ++i;
    value->clear();
    for (;;) {
        if (i >= s.size()) {
            *reason = QStringLiteral("the value has no closing quote");
            return false;
        }
        if (s[i] == QLatin1Char('\'')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('\'')) {
                value->append(QLatin1Char('\''));
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        value->append(s[i]);
        ++i;
    }
    skipBlanks();
    if (i != s.size()) {
        *reason = QStringLiteral("unexpected text after the value: %1").arg(s.mid(i));
        return false;
    }
    return true;
}

bool isWildcard(QChar c)
{
    return c == QLatin1Char('*') || c == QLatin1Char('%');
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Definition

RecordSet::RecordSet(QObject* parent) : QObject(parent)
{
    m_recordStart.push(0);
    m_text.reserve(256); // never a null buffer, even for an empty set
}

RecordSet::~RecordSet() = default;

bool RecordSet::appendField(const QString& name, int type, int definedSize, int attributes,
                            QString* error)
{
    auto fail = [error](const QString& description) {
        if (error)
            *error = description;
        return false;
    };
    if (m_open)
        return fail(QStringLiteral("Fields cannot be appended to an open record set"));
    if (name.isEmpty())
        return fail(QStringLiteral("A field needs a name"));
    if (definedSize <= 0)
        return fail(QStringLiteral("The width of field '%1' must be positive").arg(name));
    if (fieldIndex(name) >= 0)
        return fail(QStringLiteral("There is already a field '%1'").arg(name));
    m_fields.push_back(Field{name, type, definedSize, attributes});
    return true;
}

void RecordSet::open()
{
    m_open = true;
    m_pendingOffset.assign(m_fields.size(), -1);
    m_pendingSize.assign(m_fields.size(), 0);
}

int RecordSet::fieldIndex(QStringView name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (name.compare(m_fields[i].name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void RecordSet::reserve(qint64 records, qint64 textBytes)
{
    m_text.reserve(qsizetype(textBytes));
    m_recordStart.reserve(qsizetype(records + 1));
    if (m_fields.size() > 1)
        m_fieldStart.reserve(qsizetype(records * qint64(m_fields.size() - 1)));
}

// ---------------------------------------------------------------------------------------------
// Editing

void RecordSet::addNew()
{
    if (!m_open)
        return;
    if (m_adding)
        update();
    m_adding = true;
    std::fill(m_pendingOffset.begin(), m_pendingOffset.end(), -1);
    std::fill(m_pendingSize.begin(), m_pendingSize.end(), 0);
}

bool RecordSet::setValue(int field, QStringView value, QString* error)
{
    const QByteArray utf8 = value.toUtf8();
    return setValueUtf8(field, utf8.constData(), utf8.size(), error);
}

bool RecordSet::setValueUtf8(int field, const char* data, qsizetype size, QString* error)
{
    return storeValue(field, data, size, error);
}

bool RecordSet::storeValue(int field, const char* data, qsizetype size, QString* error)
{
    auto fail = [error](const QString& description) {
        if (error)
            *error = description;
        return false;
    };
    if (!m_adding)
        return fail(QStringLiteral("No record is being added"));
    if (field < 0 || field >= fieldCount())
        return fail(QStringLiteral("There is no field number %1").arg(field));
    const Field& f = m_fields[size_t(field)];
    // Counting characters is only needed when the bytes could exceed the width.
    if (size > f.definedSize && utf16Length(data, size) > f.definedSize) {
        return fail(QStringLiteral("The value for field '%1' is longer than its width of %2 "
                                   "characters")
                        .arg(f.name)
                        .arg(f.definedSize));
    }
    const qint64 committedEnd = m_recordStart[m_recordCount];
    m_pendingOffset[size_t(field)] = m_text.size() - committedEnd;
    m_pendingSize[size_t(field)] = size;
    m_text.append(data, size);
    return true;
}

bool RecordSet::update(QString* error)
{
    if (!m_adding)
        return true;
    return commitPending(error);
}

bool RecordSet::commitPending(QString* error)
{
    const qint64 committedEnd = m_recordStart[m_recordCount];
    const size_t nf = m_fields.size();

    // The reader sets every field once, in order, so the pending text is usually laid out
    // already; otherwise (a field set twice or out of order) it is rewritten in field order.
    qint64 expected = 0;
    bool inOrder = true;
    for (size_t f = 0; f < nf; ++f) {
        if (m_pendingOffset[f] < 0)
            continue;
        if (m_pendingOffset[f] != expected)
            inOrder = false;
        expected += m_pendingSize[f];
    }
    if (expected > qint64(std::numeric_limits<quint32>::max())) {
        if (error)
            *error = QStringLiteral("The record is too large to be stored");
        return false;
    }
    if (!inOrder || expected != m_text.size() - committedEnd) {
        QByteArray ordered;
        ordered.reserve(qsizetype(expected));
        for (size_t f = 0; f < nf; ++f) {
            if (m_pendingOffset[f] >= 0)
                ordered.append(m_text.data() + committedEnd + m_pendingOffset[f],
                               qsizetype(m_pendingSize[f]));
        }
        m_text.resize(qsizetype(committedEnd));
        m_text.append(ordered.constData(), ordered.size());
    }

    qint64 offset = 0;
    for (size_t f = 0; f < nf; ++f) {
        if (f > 0)
            m_fieldStart.push(quint32(offset));
        offset += m_pendingSize[f];
    }
    m_recordStart.push(committedEnd + offset);
    ++m_recordCount;
    m_adding = false;
    if (m_filtered) {
        m_visible.push_back(m_recordCount - 1);
        m_position = qint64(m_visible.size()) - 1;
    } else {
        m_position = m_recordCount - 1;
    }
    return true;
}

void RecordSet::cancelUpdate()
{
    if (!m_adding)
        return;
    m_text.resize(qsizetype(m_recordStart[m_recordCount]));
    m_adding = false;
}

// ---------------------------------------------------------------------------------------------
// Position

qint64 RecordSet::recordCount() const
{
    return m_filtered ? qint64(m_visible.size()) : m_recordCount;
}

bool RecordSet::bof() const
{
    return recordCount() == 0 || m_position < 0;
}

bool RecordSet::eof() const
{
    return recordCount() == 0 || m_position >= recordCount();
}

void RecordSet::moveFirst()
{
    m_position = recordCount() > 0 ? 0 : -1;
}

void RecordSet::moveLast()
{
    m_position = recordCount() - 1;
}

void RecordSet::moveNext()
{
    if (m_position < recordCount())
        ++m_position;
}

void RecordSet::movePrevious()
{
    if (m_position >= 0)
        --m_position;
}

qint64 RecordSet::recordAtRow(qint64 row) const
{
    if (row < 0 || row >= recordCount())
        return -1;
    return m_filtered ? m_visible[size_t(row)] : row;
}

const char* RecordSet::fieldData(qint64 record, int field, qsizetype* size) const
{
    const qint64 nf = fieldCount();
    const qint64 recordBegin = m_recordStart[record];
    const qint64 begin =
        field == 0 ? recordBegin : recordBegin + m_fieldStart[record * (nf - 1) + field - 1];
    const qint64 end = field == nf - 1 ? m_recordStart[record + 1]
                                       : recordBegin + m_fieldStart[record * (nf - 1) + field];
    *size = qsizetype(end - begin);
    return m_text.data() + begin;
}

// ---------------------------------------------------------------------------------------------
// Values

QString RecordSet::value(int field) const
{
    if (field < 0 || field >= fieldCount())
        return QString();
    if (m_adding) {
        if (m_pendingOffset[size_t(field)] < 0)
            return QString();
        return QString::fromUtf8(m_text.data() + m_recordStart[m_recordCount]
                                     + m_pendingOffset[size_t(field)],
                                 qsizetype(m_pendingSize[size_t(field)]));
    }
    if (bof() || eof())
        return QString();
    return valueAt(m_position, field);
}

QString RecordSet::value(QStringView fieldName) const
{
    return value(fieldIndex(fieldName));
}

QString RecordSet::valueAt(qint64 row, int field) const
{
    return QString::fromUtf8(utf8At(row, field));
}

QByteArray RecordSet::utf8At(qint64 row, int field) const
{
    const qint64 record = recordAtRow(row);
    if (record < 0 || field < 0 || field >= fieldCount())
        return QByteArray();
    qsizetype size = 0;
    const char* data = fieldData(record, field, &size);
    return QByteArray(data, size);
}

// ---------------------------------------------------------------------------------------------
// Bookmarks

RecordSet::Bookmark RecordSet::bookmark() const
{
    if (bof() || eof())
        return -1;
    return recordAtRow(m_position);
}

RecordSet::Bookmark RecordSet::bookmarkAt(qint64 row) const
{
    return recordAtRow(row);
}

bool RecordSet::setBookmark(Bookmark bookmark)
{
    if (bookmark < 0 || bookmark >= m_recordCount)
        return false;
    if (!m_filtered) {
        m_position = bookmark;
        return true;
    }
    const auto it = std::lower_bound(m_visible.begin(), m_visible.end(), bookmark);
    if (it == m_visible.end() || *it != bookmark)
        return false;
    m_position = qint64(it - m_visible.begin());
    return true;
}

QString RecordSet::valueAtBookmark(Bookmark bookmark, int field) const
{
    if (bookmark < 0 || bookmark >= m_recordCount || field < 0 || field >= fieldCount())
        return QString();
    qsizetype size = 0;
    const char* data = fieldData(bookmark, field, &size);
    return QString::fromUtf8(data, size);
}

// ---------------------------------------------------------------------------------------------
// Filter

bool RecordSet::setFilter(const QString& criterion, QString* error)
{
    if (m_adding)
        update();
    if (criterion.trimmed().isEmpty()) {
        m_filter.clear();
        setVisible(false, {});
        return true;
    }
    int field = -1;
    bool like = false;
    QString value;
    QString reason;
    const auto lookup = [this](QStringView name) { return fieldIndex(name); };
    if (!parseCriterion(criterion, lookup, &field, &like, &value, &reason)) {
        if (error)
            *error = filterError(criterion, reason);
        return false;
    }

    Criterion c;
    c.field = field;
    if (!like) {
        c.kind = Criterion::Kind::Equal;
    } else {
        // One leading and one trailing wildcard; everything else is literal.
        const bool leading = !value.isEmpty() && isWildcard(value.front());
        if (leading)
            value.remove(0, 1);
        const bool trailing = !value.isEmpty() && isWildcard(value.back());
        if (trailing)
            value.chop(1);
        c.kind = leading && trailing ? Criterion::Kind::LikeContains
                 : leading           ? Criterion::Kind::LikeSuffix
                 : trailing          ? Criterion::Kind::LikePrefix
                                     : Criterion::Kind::LikeExact;
    }
    c.text = value;
    c.utf8 = value.toUtf8();

    m_filter = criterion;
    setVisible(true, matchingRecords(c));
    return true;
}

void RecordSet::setVisible(bool filtered, std::vector<qint64> visible)
{
    m_filtered = filtered;
    m_visible = std::move(visible);
    m_position = recordCount() > 0 ? 0 : -1;
    emit filterChanged();
}

// One pass over the whole text: find(from, end, &length) returns the next hit of a piece every
// match contains; a hit is mapped to its record through the record starts, and when it lies
// inside the filtered field, matches(data, size) decides on the field. Either way the search
// goes on with the next record: every later hit in the field would decide the same.
template <typename Find, typename Matches>
void RecordSet::findInText(int field, const Find& find, const Matches& matches,
                           std::vector<qint64>* result) const
{
    const char* const base = m_text.data();
    const char* const end = base + m_recordStart[m_recordCount];
    auto fieldBounds = [&](qint64 r, qint64* begin, qint64* stop) {
        qsizetype size = 0;
        const char* data = fieldData(r, field, &size);
        *begin = data - base;
        *stop = *begin + size;
    };
    const qint64* starts = m_recordStart.data();
    qint64 r = 0;
    const char* from = base;
    if (m_recordCount > 0) {
        qint64 b, e;
        fieldBounds(0, &b, &e);
        from = base + b;
    }
    while (r < m_recordCount) {
        qsizetype length = 0;
        const char* hit = find(from, end, &length);
        if (!hit)
            break;
        const qint64 at = hit - base;
        // The record holding the hit: usually the next few, otherwise a binary search.
        int steps = 0;
        while (starts[r + 1] <= at && steps < 8) {
            ++r;
            ++steps;
        }
        if (starts[r + 1] <= at)
            r = qint64(std::upper_bound(starts + r + 1, starts + m_recordCount + 1, at) - starts)
                - 1;
        qint64 fieldBegin, fieldEnd;
        fieldBounds(r, &fieldBegin, &fieldEnd);
        if (at < fieldBegin) {
            from = base + fieldBegin;
            continue;
        }
        if (at + length <= fieldEnd && matches(base + fieldBegin, qsizetype(fieldEnd - fieldBegin)))
            result->push_back(r);
        ++r;
        if (r < m_recordCount) {
            fieldBounds(r, &fieldBegin, &fieldEnd);
            from = base + fieldBegin;
        }
    }
}

std::vector<qint64> RecordSet::matchingRecords(const Criterion& c) const
{
    std::vector<qint64> result;
    using Kind = Criterion::Kind;
    const int field = c.field;

    auto forEachRecord = [&](auto&& test) {
        for (qint64 r = 0; r < m_recordCount; ++r) {
            qsizetype size = 0;
            const char* data = fieldData(r, field, &size);
            if (test(data, size))
                result.push_back(r);
        }
    };

    if (c.kind == Kind::Equal) {
        const QByteArray& v = c.utf8;
        forEachRecord([&v](const char* data, qsizetype size) {
            return size == v.size() && std::memcmp(data, v.constData(), size_t(size)) == 0;
        });
        return result;
    }

    if (c.text.isEmpty()) {
        // '*', '**' or '': every record, or those with an empty field.
        if (c.kind == Kind::LikeContains || c.kind == Kind::LikePrefix
            || c.kind == Kind::LikeSuffix) {
            result.resize(size_t(m_recordCount));
            for (qint64 r = 0; r < m_recordCount; ++r)
                result[size_t(r)] = r;
        } else {
            forEachRecord([](const char*, qsizetype size) { return size == 0; });
        }
        return result;
    }

    const PatternAnchor anchor = anchorOf(QStringView(c.text));
    if (anchor.wholePattern) {
        const FoldedNeedle needle(c.utf8);
        switch (c.kind) {
        case Kind::LikePrefix:
            forEachRecord([&](const char* d, qsizetype n) { return needle.startsWith(d, n); });
            return result;
        case Kind::LikeSuffix:
            forEachRecord([&](const char* d, qsizetype n) { return needle.endsWith(d, n); });
            return result;
        case Kind::LikeExact:
            forEachRecord([&](const char* d, qsizetype n) { return needle.equals(d, n); });
            return result;
        default:
            break;
        }
        const auto find = [&](const char* from, const char* end, qsizetype* length) {
            *length = needle.size();
            return needle.find(from, end);
        };
        findInText(field, find, [](const char*, qsizetype) { return true; }, &result);
        return result;
    }

    // Letters beyond ASCII, or ASCII letters that match letters beyond it ('k' and the Kelvin
    // sign): a candidate field is compared as text. A field of ASCII only is compared as
    // ASCII bytes when the pattern is ASCII, and cannot match at all when some character of
    // the pattern has no ASCII case variant.
    const QString pattern = c.text;
    const bool asciiPattern = isAscii(QStringView(pattern));
    const FoldedNeedle asciiNeedle(asciiPattern ? c.utf8 : QByteArray());
    const auto matches = [&](const char* data, qsizetype size) {
        if (isAscii(data, size)) {
            if (!anchor.canMatchAscii)
                return false;
            if (asciiPattern) {
                switch (c.kind) {
                case Kind::LikeContains:
                    return asciiNeedle.find(data, data + size) != nullptr;
                case Kind::LikePrefix:
                    return asciiNeedle.startsWith(data, size);
                case Kind::LikeSuffix:
                    return asciiNeedle.endsWith(data, size);
                default:
                    return asciiNeedle.equals(data, size);
                }
            }
        }
        const QString text = QString::fromUtf8(data, size);
        switch (c.kind) {
        case Kind::LikeContains:
            return text.contains(pattern, Qt::CaseInsensitive);
        case Kind::LikePrefix:
            return text.startsWith(pattern, Qt::CaseInsensitive);
        case Kind::LikeSuffix:
            return text.endsWith(pattern, Qt::CaseInsensitive);
        default:
            return text.compare(pattern, Qt::CaseInsensitive) == 0;
        }
    };

    if (c.kind != Kind::LikeContains || anchor.kind == PatternAnchor::Kind::None) {
        forEachRecord(matches);
        return result;
    }
    if (anchor.kind == PatternAnchor::Kind::AsciiRun) {
        const FoldedNeedle run(anchor.asciiRun);
        const auto find = [&](const char* from, const char* end, qsizetype* length) {
            *length = run.size();
            return run.find(from, end);
        };
        findInText(field, find, matches, &result);
    } else {
        const SpellingFinder finder(anchor.spellings);
        const auto find = [&](const char* from, const char* end, qsizetype* length) {
            return finder.find(from, end, length);
        };
        findInText(field, find, matches, &result);
    }
    return result;
}
