#pragma once

#include <QString>

// The catalog's three fields, in column order.
enum class CatalogField
{
    Index = 0,
    Filename = 1,
    Size = 2
};

// What the catalog grid shows: every record (None), the records whose field contains the text
// with letter case ignored, or those whose field equals it exactly. The text is always taken
// literally; there is no pattern syntax between the caller and the matcher.
struct CatalogQuery
{
    enum class Match
    {
        None,
        Contains,
        Equals
    };

    Match match = Match::None;
    CatalogField field = CatalogField::Index;
    QString text;

    static CatalogQuery contains(CatalogField field, const QString& text)
    {
        return {Match::Contains, field, text};
    }
    static CatalogQuery equals(CatalogField field, const QString& text)
    {
        return {Match::Equals, field, text};
    }
    bool isNone() const { return match == Match::None; }
};
