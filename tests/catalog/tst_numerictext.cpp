#include "catalog/NumericText.h"

#include <QLocale>
#include <QTest>

class TestNumericText : public QObject
{
    Q_OBJECT

private slots:
    // Texts that are numbers, with their value; then texts that are not (value NaN).
    void cases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        const std::pair<const char*, double> numbers[] = {
            {"3", 3},     {"  12 ", 12}, {"\t7", 7},       {"-4", -4},         {"+4", 4},       {"2.5", 2.5},
            {".5", 0.5},  {"1,234,567", 1234567},    {"1,234.5", 1234.5}, {"1.5e3", 1500}, {"25E-1", 2.5}};
        for (const auto& [text, value] : numbers)
            QTest::addRow("%s", text) << QString(text) << value;
        for (const char* text : {"", "   ", "Index", "12a", "1,2,3", "1e", "--1", "1 2", "inf",
                                 "nan", "1e999", "0x10"})
            QTest::addRow("not '%s'", text) << QString(text) << qQNaN();
    }
    void cases()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const bool numeric = !qIsNaN(value);
        QCOMPARE(isNumericText(text), numeric);
        double got = -1;
        QCOMPARE(numericValue(text, &got), numeric);
        QCOMPARE(got, numeric ? value : -1.0); // untouched when not a number
    }

    // Numbers as the system locale writes them are accepted, whatever that locale is.
    void systemLocaleNotation()
    {
        for (double v : {1234567.25, -0.5, 1e-7}) {
            const QString text = QLocale::system().toString(v, 'g', 12);
            double got = 0;
            QVERIFY2(numericValue(text, &got), qPrintable(text));
            QCOMPARE(got, v);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumericText)
#include "tst_numerictext.moc"
