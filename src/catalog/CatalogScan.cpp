#include "catalog/CatalogScan.h"

#include "catalog/CatalogTable.h"

namespace CatalogScan {

bool fitsWidths(const QByteArrayView fields[3], QString* error)
{
    // Bytes never number fewer than the characters they spell, so most values need no count.
    if (fields[0].size() <= CatalogTable::kIndexWidth
        && fields[1].size() <= CatalogTable::kFilenameWidth
        && fields[2].size() <= CatalogTable::kSizeWidth)
        return true;
    for (int f = 0; f < 3; ++f) {
        if (!CatalogTable::fitsField(f, fields[f], error))
            return false;
    }
    return true;
}

bool generalFields(QByteArrayView line, QByteArray* scratch, LineFields* out, QString* error)
{
    out->utf8 = CatalogLine::isUtf8(line);
    out->plain = false;
    const CatalogLine::Split parts =
        CatalogLine::split(CatalogLine::toUtf8(line, out->utf8, scratch));
    for (int f = 0; f < parts.count; ++f) {
        if (!CatalogTable::fitsField(f, parts.fields[size_t(f)], error))
            return false;
    }
    if (!parts.ok) {
        if (error)
            *error = QString::fromLatin1(CatalogLine::kInvalidArgument);
        return false;
    }
    for (int f = 0; f < 3; ++f)
        out->fields[f] = parts.fields[size_t(f)];
    return true;
}

} // namespace CatalogScan
