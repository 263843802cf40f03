#include "capture/walker/IndexValue.h"

#include "catalog/CatalogTable.h"
#include "catalog/NumericText.h"

namespace IndexValue {

bool take(const QString& typed, QString* index, QString* error)
{
    const QString text = isNumericText(typed) ? typed : QStringLiteral("1");
    const bool lineBreaking = text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\r'))
                              || text.contains(QLatin1Char('\n'));
    if (text.size() > CatalogTable::kIndexWidth || lineBreaking || text != text.trimmed()) {
        QString shown = text;
        shown.replace(QLatin1Char('\t'), QLatin1String("\\t"))
            .replace(QLatin1Char('\r'), QLatin1String("\\r"))
            .replace(QLatin1Char('\n'), QLatin1String("\\n"));
        *error = QStringLiteral("The index value \"%1\" cannot be used: an index value has at "
                                "most %2 characters, no blank at either end and no tab or line "
                                "break.")
                     .arg(shown)
                     .arg(CatalogTable::kIndexWidth);
        return false;
    }
    *index = text;
    return true;
}

} // namespace IndexValue
