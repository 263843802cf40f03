#include "catalog/CatalogLine.h"

#include <QDir>
#include <QTest>

class TestCatalogLine : public QObject
{
    Q_OBJECT

private slots:
    void folderPrefixAndWritableNames()
    {
        QCOMPARE(CatalogLine::folderPrefix("/"), QString("/"));
        QCOMPARE(CatalogLine::folderPrefix("/home/ann"), QString("/home/ann") + QDir::separator());
        QCOMPARE(CatalogLine::folderPrefix("/home/ann/"), QString("/home/ann/"));
        QCOMPARE(CatalogLine::folderPrefix(""), QString());
        QVERIFY(CatalogLine::isWritableName(u"\"q\" b.txt"));
        for (const char16_t* name : {u"a\tb", u"a\rb", u"a\nb"})
            QVERIFY(!CatalogLine::isWritableName(name));
    }

    // The expected fields joined by '|'; a final '!' marks the field at which the split fails
    // (a lone double quote), after the fields before it.
    void splitFollowsTheSteps_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("three parts")
            << QByteArray("3\tD:\\Photos\\a.jpg\t48213") << QByteArray("3|D:\\Photos\\a.jpg|48213");
        QTest::newRow("more parts ignored") << QByteArray("1\ta\t2\tx\ty") << QByteArray("1|a|2");
        QTest::newRow("two parts") << QByteArray("1\tname") << QByteArray("1|name|name");
        QTest::newRow("no tab") << QByteArray("hello") << QByteArray("hello|hello|hello");
        QTest::newRow("empty") << QByteArray() << QByteArray("||");
        QTest::newRow("quoted name") << QByteArray("1\t\"/a b\"\t7") << QByteArray("1|/a b|7");
        QTest::newRow("half-quoted loses last")
            << QByteArray("1\t\"/abc\t7") << QByteArray("1|/ab|7");
        QTest::newRow("two quotes") << QByteArray("\"\"\tx\ty") << QByteArray("|x|y");
        QTest::newRow("quote inside kept") << QByteArray("1\ta\"b\t2") << QByteArray("1|a\"b|2");
        QTest::newRow("quoted multibyte end")
            << QByteArray("1\t\"caf\xC3\xA9\t2") << QByteArray("1|caf|2");
        QTest::newRow("quoted no tab") << QByteArray("\"12\"") << QByteArray("12|12|12");
        QTest::newRow("NUL bytes") << QByteArray("1\ta\0b\t3", 7) << QByteArray("1|a\0b|3", 7);
        QTest::newRow("lone quote index") << QByteArray("\"\ta\tb") << QByteArray("!");
        QTest::newRow("lone quote filename") << QByteArray("1\t\"\t3") << QByteArray("1|!");
        QTest::newRow("lone quote size") << QByteArray("1\ta\t\"") << QByteArray("1|a|!");
    }
    void splitFollowsTheSteps()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, expected);
        QByteArrayList fields = expected.split('|');
        const bool fails = fields.last() == "!";
        if (fails)
            fields.removeLast();
        const CatalogLine::Split parts = CatalogLine::split(line);
        QCOMPARE(parts.ok, !fails);
        QCOMPARE(parts.count, fields.size());
        for (int f = 0; f < fields.size(); ++f)
            QCOMPARE(parts.fields[size_t(f)].toByteArray(), fields[f]);
    }

    // However a file is cut into reads, the lines are the same: a CR LF, a byte-order mark or
    // a line split between two reads changes nothing.
    void linesDoNotDependOnReads()
    {
        const QByteArray text = "\xEF\xBB\xBF" "a\r\n\r\nbb\rc\n\r\r\n\nlast";
        for (int piece = 1; piece <= text.size(); ++piece) {
            CatalogLine::LineSplitter splitter;
            QByteArrayList lines;
            auto take = [&](QByteArrayView line) { return lines << line.toByteArray(), true; };
            for (int at = 0; at < text.size(); at += piece)
                QVERIFY(splitter.feed(QByteArrayView(text).sliced(at).first(
                                          std::min<int>(piece, int(text.size()) - at)),
                                      take));
            QVERIFY(splitter.finish(take));
            QCOMPARE(lines, (QByteArrayList{"a", "", "bb", "c", "", "", "", "last"}));
        }
    }
};

QTEST_GUILESS_MAIN(TestCatalogLine)
#include "tst_catalogline.moc"
