#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Text compared without regard to letter case, as QString compares it (two characters match
// when their simple case foldings are equal), straight on UTF-8 bytes: the pieces the
// catalog's file-name filter finds its candidates with and decides them by.
namespace CaseBlind {

inline bool isAscii(const char* data, qsizetype size)
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

inline bool isAscii(QStringView text)
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

private:
    std::vector<uchar> m_folded;
    std::vector<uchar> m_mask;
};

// Letter case is ignored the way QString compares without case: two characters match when
// their simple case foldings are equal. Every code point whose folding differs from itself, as
// (folding, code point), sorted by folding: looked up to list all the spellings of a letter.
inline const std::vector<std::pair<char32_t, char32_t>>& foldedCodePoints()
{
    static const std::vector<std::pair<char32_t, char32_t>> pairs = [] {
        std::vector<std::pair<char32_t, char32_t>> list;
        // No character beyond the Supplementary Multilingual Plane has a case.
        for (char32_t c = 0; c < 0x20000; ++c) {
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
inline std::vector<char32_t> caseVariants(char32_t c)
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

inline QByteArray utf8Of(char32_t c)
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
            if (end - p >= s.size() && p[0] == s[0] && (s.size() == 1 || p[1] == s[1])
                && std::memcmp(p, s.constData(), size_t(s.size())) == 0)
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

inline PatternAnchor anchorOf(QStringView pattern)
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

inline bool hasFourByteSequence(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (uchar(data[i]) >= 0xF0)
            return true;
    }
    return false;
}

// A pattern as the UTF-8 spellings of each of its characters in every case, compared with
// UTF-8 text directly. QString compares UTF-16 units, so this agrees with it only while
// neither side has characters beyond the Basic Multilingual Plane: a pattern with one is not
// usable, and a text with one is left to QString.
class FoldedPattern
{
public:
    explicit FoldedPattern(QStringView pattern)
    {
        for (const QChar c : pattern) {
            if (c.isSurrogate()) {
                m_characters.clear();
                return;
            }
            std::vector<QByteArray> spellings;
            for (char32_t v : caseVariants(c.unicode()))
                spellings.push_back(utf8Of(v));
            m_characters.push_back(std::move(spellings));
        }
        for (const QByteArray& spelling : m_characters.front())
            m_opens[uchar(spelling.front())] = true;
    }

    bool isUsable() const { return !m_characters.empty(); }

    // Whether valid UTF-8 data[0, size) contains the pattern.
    bool isIn(const char* data, qsizetype size) const
    {
        // Only a byte that opens a spelling of the first character can start a match, and no
        // such byte continues a character.
        for (qsizetype start = 0; start < size; ++start) {
            if (m_opens[uchar(data[start])] && matchesAt(data + start, data + size))
                return true;
        }
        return false;
    }

    // The bytes of valid UTF-8 data[0, size) that the pattern matches from its start, or -1
    // when it does not start with the pattern.
    qsizetype prefixLength(const char* data, qsizetype size) const
    {
        const char* const end = matchEnd(data, data + size);
        return end ? end - data : -1;
    }

private:
    bool matchesAt(const char* p, const char* end) const { return matchEnd(p, end) != nullptr; }

    // Where a match starting at p ends, or nullptr.
    const char* matchEnd(const char* p, const char* end) const
    {
        for (const std::vector<QByteArray>& spellings : m_characters) {
            qsizetype length = 0;
            for (const QByteArray& s : spellings) {
                if (end - p >= s.size() && startsWith(p, s)) {
                    length = s.size();
                    break;
                }
            }
            if (length == 0)
                return nullptr;
            p += length;
        }
        return p;
    }

    // Spellings are one to four bytes: a call to memcmp would cost more than the comparison.
    static bool startsWith(const char* p, const QByteArray& spelling)
    {
        for (qsizetype i = 0; i < spelling.size(); ++i) {
            if (p[i] != spelling[i])
                return false;
        }
        return true;
    }

    std::vector<std::vector<QByteArray>> m_characters;
    std::array<bool, 256> m_opens{};
};

// A text compared with UTF-8 fields without regard to letter case, as the catalog's file-name
// filter compares: contained anywhere (contains), at the start (startsOf) or as the whole field
// (equals). Fields of ASCII only against an ASCII pattern are compared as bytes; otherwise
// character by character in UTF-8 where that agrees with QString, else by QString itself.
class FieldText
{
public:
    explicit FieldText(const QString& pattern)
        : m_pattern(pattern),
          m_anchor(anchorOf(QStringView(pattern))),
          m_asciiPattern(isAscii(QStringView(pattern))),
          m_needle(m_asciiPattern ? pattern.toUtf8() : QByteArray()),
          m_folded(QStringView(pattern))
    {
    }

    const QString& pattern() const { return m_pattern; }
    // A piece every match contains, to find candidates with.
    const PatternAnchor& anchor() const { return m_anchor; }
    // Every case variant of every character is ASCII: bytes beyond ASCII never take part in a
    // match, so the field's bytes may be compared whatever their encoding.
    bool asciiOnly() const { return m_anchor.wholePattern; }

    bool isIn(const char* data, qsizetype size) const
    {
        if (isAscii(data, size)) {
            if (!m_anchor.canMatchAscii)
                return false;
            if (m_asciiPattern)
                return m_needle.find(data, data + size) != nullptr;
        }
        if (m_folded.isUsable() && !hasFourByteSequence(data, size))
            return m_folded.isIn(data, size);
        return QString::fromUtf8(data, size).contains(m_pattern, Qt::CaseInsensitive);
    }

    bool startsOf(const char* data, qsizetype size) const
    {
        if (m_asciiPattern && isAscii(data, size))
            return size >= m_needle.size() && m_needle.matchesAt(data);
        if (m_folded.isUsable() && !hasFourByteSequence(data, size))
            return m_folded.prefixLength(data, size) >= 0;
        return QString::fromUtf8(data, size).startsWith(m_pattern, Qt::CaseInsensitive);
    }

    bool equals(const char* data, qsizetype size) const
    {
        if (m_asciiPattern && isAscii(data, size))
            return size == m_needle.size() && m_needle.matchesAt(data);
        if (m_folded.isUsable() && !hasFourByteSequence(data, size))
            return m_folded.prefixLength(data, size) == size;
        return QString::fromUtf8(data, size).compare(m_pattern, Qt::CaseInsensitive) == 0;
    }

private:
    QString m_pattern;
    PatternAnchor m_anchor;
    bool m_asciiPattern;
    FoldedNeedle m_needle;
    FoldedPattern m_folded;
};

} // namespace CaseBlind
