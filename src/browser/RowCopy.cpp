#include "browser/RowCopy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelection>
#include <QMimeData>

#include <algorithm>
#include <utility>
#include <vector>

QByteArray catalogLinesOf(const CatalogTable& records, const QItemSelection& selection)
{
    // Ranges as rows, merged: a row with several selected cells is copied once, and a
    // select-all of millions of rows is one range, never a list of indexes.
    std::vector<std::pair<qint64, qint64>> rows; // first, last
    for (const QItemSelectionRange& range : selection)
        rows.emplace_back(range.top(), range.bottom());
    std::sort(rows.begin(), rows.end());
    QByteArray lines;
    qint64 next = 0; // the first row not yet copied
    for (const auto& [first, last] : rows) {
        for (qint64 row = std::max(first, next); row <= last && row < records.recordCount();
             ++row) {
            lines += records.utf8At(row, 0);
            lines += '\t';
            lines += records.utf8At(row, 1);
            lines += '\t';
            lines += records.utf8At(row, 2);
            lines += "\r\n";
        }
        next = std::max(next, last + 1);
    }
    return lines;
}

void copyCatalogLines(const CatalogTable& records, const QItemSelection& selection)
{
    const QByteArray lines = catalogLinesOf(records, selection);
    if (lines.isEmpty())
        return;
    auto* data = new QMimeData;
    // The bytes themselves: the table holds UTF-8, which is what text/plain carries here.
    data->setData(QStringLiteral("text/plain"), lines);
    data->setData(QStringLiteral("text/plain;charset=utf-8"), lines);
    QGuiApplication::clipboard()->setMimeData(data);
}
