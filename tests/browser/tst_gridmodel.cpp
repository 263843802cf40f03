// The grid model over a record set: what it shows, and that it stays a well-behaved model
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
        const RecordSetPtr records = makeCatalog(kRows);
        // A load cut short leaves a record half added; the grid must not show it.
        records->addNew();
        records->setValue(0, QStringLiteral("9"));
        model.setRecordSet(records);
        QCOMPARE(model.rowCount(), int(kRows.size()));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Size (bytes)"));
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
        const RecordSetPtr first = makeCatalog(kRows);
        model.setRecordSet(first);
        QVERIFY(first->setFilter(QStringLiteral("Filename LIKE '*photos*'")));
        QCOMPARE(resets.size(), 2);
        QCOMPARE(gridFileNames(model),
                 (QStringList{"C:\\Photos\\beach.jpg", "D:\\Photos\\harbour.jpg"}));
        QVERIFY(first->setFilter(QString()));
        QCOMPARE(model.rowCount(), int(kRows.size()));

        // A new record set replaces the old one; the old one's filter no longer reaches the view.
        const RecordSetPtr second = makeCatalog({{"7", "E:\\x", "1"}});
        model.setRecordSet(second);
        const int before = resets.size();
        QVERIFY(first->setFilter(QStringLiteral("Index = '1'")));
        QCOMPARE(resets.size(), before);
        QCOMPARE(gridFileNames(model), QStringList{"E:\\x"});

        // A filter matching nothing, then no record set at all.
        QVERIFY(second->setFilter(QStringLiteral("Index = '8'")));
        QCOMPARE(model.rowCount(), 0);
        model.setRecordSet(RecordSetPtr());
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
