#include "browser/ShowCatalog.h"

#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "catalog/NumericText.h"
#include "platform/widgets/Twips.h"

#include <QComboBox>
#include <QHeaderView>
#include <QStringList>
#include <QTableView>

#include <cmath>

namespace {

// Index values are at most five characters, so no whole index value exceeds this; it also
// keeps a number written with an exponent ("9e99") from filling the list without end.
constexpr double kLargestIndex = 99999;

// The highest index value among the visible records; records whose index is not a number are
// passed over. False when no record has a numeric index.
bool highestIndex(const CatalogTable& records, double* highest)
{
    bool found = false;
    double best = 0;
    const qint64 count = records.recordCount();
    for (qint64 row = 0; row < count; ++row) {
        const QByteArrayView text = records.utf8At(row, 0);
        double value = 0;
        // Plain digits, which is what every capture writes, skip the locale-aware test.
        bool digits = !text.isEmpty();
        for (char c : text) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            value = value * 10 + (c - '0');
        }
        if (!digits && !numericValue(QString::fromUtf8(text), &value))
            continue;
        if (!found || value > best)
            best = value;
        found = true;
    }
    *highest = best;
    return found;
}

QStringList indexValuesUpTo(double highest)
{
    QStringList values;
    if (!(highest >= 1))
        return values;
    const int last = int(std::floor(std::min(highest, kLargestIndex)));
    values.reserve(last);
    for (int i = 1; i <= last; ++i)
        values << QString::number(i);
    return values;
}

} // namespace

bool showLoadedCatalog(DatabaseWindow& form, const CatalogTablePtr& records, const QString& path,
                       QString* failure)
{
    if (!records) {
        if (failure)
            *failure = QObject::tr("The catalog could not be read.");
        return false;
    }

    form.setRecordSet(records);
    form.bindGrid();
    form.setRecordCountText(QString::fromLatin1(DatabaseWindow::kRecordCountText) +
                            QString::number(records->recordCount()));
    formatGrid(form);

    double highest = 0;
    const bool anyIndex = highestIndex(*records, &highest);

    records->moveFirst();
    if (form.gridModel()->rowCount() > 0)
        form.grid()->setCurrentIndex(form.gridModel()->index(0, 0));

    // The list offers only the index values of the catalog now shown.
    QComboBox* list = form.indexList();
    list->clear();
    if (anyIndex)
        list->addItems(indexValuesUpTo(highest));

    form.setWindowTitle(QString::fromLatin1(DatabaseWindow::kCaptionPrefix) + path);
    form.setLastFileName(path);
    return true;
}

void formatGrid(DatabaseWindow& form)
{
    QTableView* grid = form.grid();
    grid->setColumnWidth(0, Twips::toPixels(500));
    grid->setColumnWidth(1, Twips::toPixels(7274));
    grid->setColumnWidth(2, Twips::toPixels(1000));
    // Both row settings walk every row of the grid, a million of them for a large catalog, on
    // each search: set them only when they differ. Rows are only ever sized as a whole here.
    QHeaderView* rows = grid->verticalHeader();
    if (rows->count() > 0 && rows->sectionResizeMode(0) != QHeaderView::Fixed)
        rows->setSectionResizeMode(QHeaderView::Fixed);
    const int rowHeight = Twips::toPixels(400);
    if (rows->defaultSectionSize() != rowHeight)
        rows->setDefaultSectionSize(rowHeight);
    form.setColumnWraps(1, true);
}
