#include "catalog/NumericText.h"

#include <QLocale>
#include <QTest>

class TestNumericText : public QObject
{
    Q_OBJECT

private slots:
    void cases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("digit") << "3" << true << 3.0;
        QTest::newRow("blanks") << "  12 " << true << 12.0;
        QTest::newRow("tab blank") << "\t7" << true << 7.0;
        QTest::newRow("minus") << "-4" << true << -4.0;
        QTest::newRow("plus") << "+4" << true << 4.0;
        QTest::newRow("decimal") << "2.5" << true << 2.5;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("grouped") << "1,234,567" << true << 1234567.0;
        QTest::newRow("grouped decimal") << "1,234.5" << true << 1234.5;
        QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
        QTest::newRow("negative exponent") << "25E-1" << true << 2.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("word") << "Index" << false << 0.0;
        QTest::newRow("digits and word") << "12a" << false << 0.0;
        QTest::newRow("bad grouping") << "1,2,3" << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << false << 0.0;
        QTest::newRow("two signs") << "--1" << false << 0.0;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
    }
    void cases()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(isNumericText(text), numeric);
        double got = -1;
        QCOMPARE(numericValue(text, &got), numeric);
        if (numeric)
            QCOMPARE(got, value);
        else
            QCOMPARE(got, -1.0); // untouched
    }

    // Numbers as the system locale writes them are accepted, whatever that locale is.
    void systemLocaleNotation()
    {
        const QLocale system = QLocale::system();
        for (double v : {1234567.25, -0.5, 1e-7}) {
            const QString text = system.toString(v, 'g', 12);
            double got = 0;
            QVERIFY2(numericValue(text, &got), qPrintable(text));
            QCOMPARE(got, v);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumericText)
#include "tst_numerictext.moc"
