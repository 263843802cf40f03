// The grid model over a catalog table: what it shows, and that it stays a well-behaved model
// across bindings, filters and resets.
#include "CatalogFixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

const std::vector<CatalogRow> kRows = {{"1", "C:\\a.txt", "10"},
                                       {"1", "C:\\Photos\\beach.jpg", "2000"},
                                       {"2", "D:\\readme.txt", "7"},
                                       {"3", "D:\\Photos\\harbour.jpg", "123456"}};

} // namespace

class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void showsFieldsAndValuesButNotAHalfAddedRecord()
    {
        CatalogGridModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const CatalogTablePtr records = makeCatalog(kRows);
        // A load cut short leaves a record half added; the grid must not show it.
        records->addNew();
        setValue(*records, 0, QStringLiteral("9"));
        model.setRecordSet(records);
        QCOMPARE(model.rowCount(), int(kRows.size()));
        for (int r = 0; r < model.rowCount(); ++r) {
            const QStringList expected = {kRows[r].index, kRows[r].filename, kRows[r].size};
            for (int c = 0; c < 3; ++c) {
                QCOMPARE(model.index(r, c).data().toString(), expected[c]);
                QCOMPARE(model.index(r, c).data(Qt::ToolTipRole).toString(), expected[c]);
            }
        }
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    }

    void followsFiltersAndRebinding()
    {
        CatalogGridModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        const CatalogTablePtr first = makeCatalog(kRows);
        model.setRecordSet(first);
        first->setQuery(CatalogQuery::contains(CatalogField::Filename, QStringLiteral("photos")));
        QCOMPARE(resets.size(), 2);
        QCOMPARE(gridFileNames(model),
                 (QStringList{"C:\\Photos\\beach.jpg", "D:\\Photos\\harbour.jpg"}));

        // A new table replaces the old one; the old one's queries no longer reach the view.
        const CatalogTablePtr second = makeCatalog({{"7", "E:\\x", "1"}});
        model.setRecordSet(second);
        const int before = resets.size();
        first->setQuery(CatalogQuery::equals(CatalogField::Index, QStringLiteral("1")));
        QCOMPARE(resets.size(), before);
        QCOMPARE(gridFileNames(model), QStringList{"E:\\x"});

        // A query matching nothing, then no table at all.
        second->setQuery(CatalogQuery::equals(CatalogField::Index, QStringLiteral("8")));
        QCOMPARE(model.rowCount(), 0);
        model.setRecordSet(CatalogTablePtr());
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
