// The catalog table and its queries: widths, the record being added, and every query against
// QString's own comparisons, with row access after each.
#include "catalog/CatalogTable.h"

#include <QTest>

using Rows = QList<QStringList>;

static bool setValue(CatalogTable& table, int field, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    return table.setValueUtf8(field, utf8.constData(), utf8.size());
}

static CatalogTablePtr tableOf(const Rows& rows)
{
    auto table = std::make_shared<CatalogTable>();
    for (const QStringList& row : rows) {
        table->addNew();
        for (int f = 0; f < 3; ++f)
            setValue(*table, f, row[f]);
        table->update();
    }
    return table;
}

static Rows visibleRows(const CatalogTable& table)
{
    Rows rows;
    for (qint64 r = 0; r < table.recordCount(); ++r)
        rows << QStringList{table.valueAt(r, 0), table.valueAt(r, 1), table.valueAt(r, 2)};
    return rows;
}

template <typename Keep> static Rows select(const Rows& rows, Keep keep)
{
    Rows kept;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept), keep);
    return kept;
}

class TestCatalogTable : public QObject
{
    Q_OBJECT

private slots:
    // Widths count UTF-16 units, not bytes or code points (the loader's tests check every
    // field's width and its message).
    void widthAndTheRecordBeingAdded_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("5 two-byte letters") << "ééééé" << true;
        QTest::newRow("6 two-byte letters") << "éééééé" << false;
        QTest::newRow("2 emoji + 1") << "😀😀a" << true; // an emoji takes two units
        QTest::newRow("3 emoji") << "😀😀😀" << false;
    }
    void widthAndTheRecordBeingAdded()
    {
        QFETCH(QString, index);
        QFETCH(bool, accepted);
        const auto table = tableOf({{"1", "/kept", "2"}});
        QVERIFY(!setValue(*table, 0, index)); // no record is being added
        table->addNew();
        QVERIFY(setValue(*table, 2, "first") && setValue(*table, 2, "9")); // the last one counts
        QCOMPARE(setValue(*table, 0, index), accepted);
        QVERIFY(table->isAdding()); // a refused value leaves the record being added
        table->update();
        const QStringList added = {accepted ? index : QString(), "", "9"};
        QCOMPARE(visibleRows(*table), (Rows{{"1", "/kept", "2"}, added}));
    }

    // The contains scan runs over the whole text buffer, finds a piece of the text and compares
    // only the fields it lands in; checked against QString on many records so that buffer,
    // block, field and record edges are all hit. Half the names are ASCII, the others (and every
    // index and size, where a hit must not count) mix in letters matching across ASCII (Kelvin
    // sign, long s, sharp s and capital sharp s). Punctuation one bit away from letters ("{x"
    // must not find "[X"), quotes and the wildcard signs of other searches are plain characters.
    // Equals is exact, letter case included.
    void queryAgreesWithQString_data()
    {
        QTest::addColumn<QString>("needle");
        const QString needles = QStringLiteral(
            "|a|ab|zz|/x|q9|abcdefghijklmnopqrstuvw|7|B/|A\t|Ü|ü|üa|ÜÜ|é-|Zü|k|K|s|SA|\u212A|"
            "a\u212A|\u017Fa|пП|ПП|日|ß|\u1E9E|ß\u212Ab|ka/|bk|{x|[X|@|`a|x[k|*|%|'|_a|*a%");
        for (const QString& needle : needles.split('|'))
            QTest::addRow("%s", needle.isEmpty() ? "(empty)" : qPrintable(needle)) << needle;
    }
    void queryAgreesWithQString()
    {
        QFETCH(QString, needle);
        quint32 seed = 12345;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
        const QString ascii = QStringLiteral("abAB/zZxXqQ79-kKsS@`[{*%'_");
        const QString mixed = ascii + QStringLiteral("üÜéÉ\u212A\u017FпП日ß\u1E9E");
        auto text = [&](const QString& alphabet, quint32 length) {
            QString s;
            while (length--)
                s += alphabet[int(next() % alphabet.size())];
            return s;
        };
        Rows rows;
        for (int r = 0; r < 3000; ++r) {
            QString name = text(r % 2 ? ascii : mixed, r % 3 == 0 ? next() % 4 : next() % 40);
            if (r % 500 == 0)
                name += "abcdefghijklmnopqrstuvw";
            rows << QStringList{text(mixed, next() % 4), name, text(mixed, next() % 4)};
        }
        const auto table = tableOf(rows);
        table->setQuery(CatalogQuery::contains(CatalogField::Filename, needle));
        QCOMPARE(visibleRows(*table), select(rows, [&](const QStringList& row) {
                     return row[1].contains(needle, Qt::CaseInsensitive);
                 }));
        table->setQuery(CatalogQuery::equals(CatalogField::Index, needle));
        const Rows equal = select(rows, [&](const QStringList& row) { return row[0] == needle; });
        QCOMPARE(visibleRows(*table), equal);
        QCOMPARE(table->currentRow(), equal.isEmpty() ? -1 : 0);
        QCOMPARE(table->valueAt(equal.size(), 0), QString()); // past the visible rows
        table->setQuery(CatalogQuery());
        QCOMPARE(visibleRows(*table), rows);
    }
};

QTEST_GUILESS_MAIN(TestCatalogTable)
#include "tst_catalogtable.moc"
