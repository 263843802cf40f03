#pragma once

#include "catalog/CaseBlindText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// What a search from the shell keeps: records for which every term holds (a negated term must
// not hold). Terms compare the record's fields as the loader stores them (UTF-8); every text
// comparison ignores letter case as the database window's search does.
class RecordFilter
{
public:
    struct Term
    {
        enum class Kind { Contains, PathStart, Extension, Size, Disk, IndexEquals };
        Kind kind = Kind::Contains;
        bool negated = false;
        // Contains, PathStart: one text; Extension: one per extension.
        std::vector<std::shared_ptr<CaseBlind::FieldText>> texts;
        // Size, Disk: inclusive ranges of values.
        std::vector<std::pair<quint64, quint64>> ranges;
        // IndexEquals: the exact text the Index field must hold.
        QByteArray exact;
    };

    void add(Term term) { m_terms.push_back(std::move(term)); }
    const std::vector<Term>& terms() const { return m_terms; }

    // Whether the record of these three UTF-8 fields (index, name, size) is kept.
    bool matches(const QByteArrayView fields[3]) const;

    // Every text term compares ASCII characters only (see FieldText::asciiOnly): the filter
    // then decides a line on its own bytes whatever their encoding.
    bool asciiOnly() const;

    // A piece of text every kept record's name contains, to find candidate lines with; none
    // when no term requires one.
    std::optional<CaseBlind::PatternAnchor> anchor() const;

    // A whole number of digits only (saturating); nothing for any other text.
    static std::optional<quint64> number(QByteArrayView digits);

private:
    bool holds(const Term& term, const QByteArrayView fields[3]) const;

    std::vector<Term> m_terms;
};

// Finds the candidate pieces an anchor names in raw catalog bytes.
class AnchorFinder
{
public:
    explicit AnchorFinder(const CaseBlind::PatternAnchor& anchor);
    // The first piece starting in [from, end), or end.
    const char* find(const char* from, const char* end) const;

private:
    bool m_run;
    CaseBlind::FoldedNeedle m_needle;
    CaseBlind::SpellingFinder m_spellings;
};
