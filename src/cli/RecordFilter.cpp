#include "cli/RecordFilter.h"

#include <limits>

namespace {

// The extension of the last component of a full name: what follows its last dot, when that
// dot is not the component's first character (".profile" has none).
QByteArrayView extensionOf(QByteArrayView name)
{
    qsizetype start = name.size();
    while (start > 0 && name[start - 1] != '/' && name[start - 1] != '\\')
        --start;
    const QByteArrayView component = name.sliced(start);
    const qsizetype dot = component.lastIndexOf('.');
    if (dot <= 0)
        return {};
    return component.sliced(dot + 1);
}

bool inRanges(const std::vector<std::pair<quint64, quint64>>& ranges, quint64 value)
{
    for (const auto& range : ranges) {
        if (value >= range.first && value <= range.second)
            return true;
    }
    return false;
}

} // namespace

std::optional<quint64> RecordFilter::number(QByteArrayView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const quint64 digit = quint64(c - '0');
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            value = std::numeric_limits<quint64>::max();
        else
            value = value * 10 + digit;
    }
    return value;
}

bool RecordFilter::holds(const Term& term, const QByteArrayView fields[3]) const
{
    const QByteArrayView name = fields[1];
    switch (term.kind) {
    case Term::Kind::Contains:
        return term.texts.front()->isIn(name.data(), name.size());
    case Term::Kind::PathStart:
        return term.texts.front()->startsOf(name.data(), name.size());
    case Term::Kind::Extension: {
        const QByteArrayView extension = extensionOf(name);
        for (const auto& text : term.texts) {
            if (text->equals(extension.data(), extension.size()))
                return true;
        }
        return false;
    }
    case Term::Kind::Size: {
        const std::optional<quint64> size = number(fields[2]);
        return size && inRanges(term.ranges, *size);
    }
    case Term::Kind::Disk: {
        const std::optional<quint64> index = number(fields[0]);
        return index && inRanges(term.ranges, *index);
    }
    case Term::Kind::IndexEquals:
        return fields[0] == QByteArrayView(term.exact);
    }
    return false;
}

bool RecordFilter::matches(const QByteArrayView fields[3]) const
{
    for (const Term& term : m_terms) {
        if (holds(term, fields) == term.negated)
            return false;
    }
    return true;
}

bool RecordFilter::asciiOnly() const
{
    for (const Term& term : m_terms) {
        for (const auto& text : term.texts) {
            if (!text->asciiOnly())
                return false;
        }
    }
    return true;
}

std::optional<CaseBlind::PatternAnchor> RecordFilter::anchor() const
{
    // The longest run of ASCII beats letters beyond ASCII, as in the file-name filter.
    std::optional<CaseBlind::PatternAnchor> best;
    for (const Term& term : m_terms) {
        if (term.negated
            || (term.kind != Term::Kind::Contains && term.kind != Term::Kind::PathStart))
            continue;
        const CaseBlind::PatternAnchor& anchor = term.texts.front()->anchor();
        using Kind = CaseBlind::PatternAnchor::Kind;
        if (anchor.kind == Kind::None)
            continue;
        const bool better = !best || (anchor.kind == Kind::AsciiRun
                                      && (best->kind != Kind::AsciiRun
                                          || anchor.asciiRun.size() > best->asciiRun.size()));
        if (better)
            best = anchor;
    }
    return best;
}

AnchorFinder::AnchorFinder(const CaseBlind::PatternAnchor& anchor)
    : m_run(anchor.kind == CaseBlind::PatternAnchor::Kind::AsciiRun),
      m_needle(anchor.asciiRun),
      m_spellings(anchor.spellings)
{
}

const char* AnchorFinder::find(const char* from, const char* end) const
{
    const char* hit = nullptr;
    if (m_run) {
        hit = m_needle.find(from, end);
    } else {
        qsizetype length = 0;
        hit = m_spellings.find(from, end, &length);
    }
    return hit ? hit : end;
}
