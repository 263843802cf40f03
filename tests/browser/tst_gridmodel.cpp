// The grid model over a record set: what it shows, and that it stays a well-behaved model
// across bindings, filters and resets.

#include "browser/CatalogGridModel.h"
#include "platform/core/RecordSet.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Row
{
    QString index, name, size;
};

RecordSetPtr makeRecords(const QList<Row>& rows, bool leaveOneAdding = false)
{
    auto records = std::make_shared<RecordSet>();
    records->appendField("Index", RecordSet::adChar, 5, RecordSet::adFldRowID);
    records->appendField("Filename", RecordSet::adChar, 200, RecordSet::adFldUpdatable);
    records->appendField("Size (bytes)", RecordSet::adChar, 30, RecordSet::adFldUpdatable);
    records->open();
    for (const Row& row : rows) {
        records->addNew();
        records->setValue(0, row.index);
        records->setValue(1, row.name);
        records->setValue(2, row.size);
        records->update();
    }
    if (leaveOneAdding) {
        // A load cut short leaves a record half added; the grid must not show it.
        records->addNew();
        records->setValue(0, QStringLiteral("9"));
    }
    records->moveFirst();
    return records;
}

const QList<Row> kRows = {{"1", "C:\\a.txt", "10"},
                          {"1", "C:\\Photos\\beach.jpg", "2000"},
                          {"2", "D:\\readme.txt", "7"},
                          {"3", "D:\\Photos\\harbour.jpg", "123456"}};

} // namespace

class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void showsFieldsAndValues();
    void followsFiltersAndRebinding();
    void ignoresAHalfAddedRecord();
};

void TestGridModel::showsFieldsAndValues()
{
    CatalogGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);

    const RecordSetPtr records = makeRecords(kRows);
    model.setRecordSet(records);
    QCOMPARE(model.rowCount(), kRows.size());
    QCOMPARE(model.columnCount(), 3);
    const QStringList headers = {"Index", "Filename", "Size (bytes)"};
    for (int c = 0; c < 3; ++c)
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
    for (int r = 0; r < kRows.size(); ++r) {
        const QStringList expected = {kRows[r].index, kRows[r].name, kRows[r].size};
        for (int c = 0; c < 3; ++c) {
            const QModelIndex index = model.index(r, c);
            QCOMPARE(index.data().toString(), expected[c]);
            QCOMPARE(index.data(Qt::ToolTipRole).toString(), expected[c]);
            // Only the roles the grid needs.
            QVERIFY(!index.data(Qt::EditRole).isValid());
            QVERIFY(!index.data(Qt::DecorationRole).isValid());
        }
    }
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.index(kRows.size(), 0).isValid());
}

void TestGridModel::followsFiltersAndRebinding()
{
    CatalogGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    const RecordSetPtr first = makeRecords(kRows);
    model.setRecordSet(first);
    QCOMPARE(resets.size(), 1);

    QVERIFY(first->setFilter(QStringLiteral("Filename LIKE '*photos*'")));
    QCOMPARE(resets.size(), 2);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("C:\\Photos\\beach.jpg"));
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("123456"));

    QVERIFY(first->setFilter(QStringLiteral("Index = '2'")));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("D:\\readme.txt"));

    QVERIFY(first->setFilter(QString()));
    QCOMPARE(model.rowCount(), kRows.size());

    // A new record set replaces the old one; the old one's filter no longer reaches the view.
    const RecordSetPtr second = makeRecords({{"7", "E:\\x", "1"}});
    model.setRecordSet(second);
    const int before = resets.size();
    QVERIFY(first->setFilter(QStringLiteral("Index = '1'")));
    QCOMPARE(resets.size(), before);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("7"));

    // A filter matching nothing, then no record set at all.
    QVERIFY(second->setFilter(QStringLiteral("Index = '8'")));
    QCOMPARE(model.rowCount(), 0);
    model.setRecordSet(RecordSetPtr());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
}

void TestGridModel::ignoresAHalfAddedRecord()
{
    CatalogGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRecordSet(makeRecords(kRows.mid(0, 2), /*leaveOneAdding=*/true));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(1, 1).data().toString(), kRows[1].name);
}

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
