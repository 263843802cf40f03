// The catalog layer without a window: numbers in index texts, splitting lines, the catalog table
// and its queries, and the data source that checks and loads catalog files.
#include "catalog/CatalogLine.h"
#include "catalog/CatalogReader.h"
#include "catalog/CatalogSource.h"
#include "catalog/NumericText.h"
#include "catalog/RowSort.h"
#include "platform/core/FileChannel.h"
#include "support/DataColumns.h"
#include "support/FailingFile.h"
#include "support/TestEnvironment.h"

#include <QtTest>

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(Rows)

namespace {

const QByteArray kWorkedExample = "3\tD:\\Photos\\beach.jpg\t48213\r\n"
                                  "3\tD:\\Photos\\notes.txt\t1024\r\n";

CatalogTablePtr tableOf(const Rows& rows)
{
    auto table = std::make_shared<CatalogTable>();
    for (const QStringList& row : rows)
        table->appendRecord(row[0].toUtf8(), row[1].toUtf8(), row[2].toUtf8());
    return table;
}

Rows visibleRows(const CatalogTablePtr& table)
{
    Rows rows;
    for (qint64 r = 0; table && r < table->recordCount(); ++r)
        rows << QStringList{table->valueAt(r, 0), table->valueAt(r, 1), table->valueAt(r, 2)};
    return rows;
}

template <typename Keep> Rows select(const Rows& rows, Keep keep)
{
    Rows kept;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept), keep);
    return kept;
}

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT

    TestEnvironment m_env;
    int m_files = 0;

    QString writeFile(const QByteArray& bytes)
    {
        return m_env.writeFile(QStringLiteral("cat%1.txt").arg(++m_files), bytes);
    }

    // A source on a channel of its own that records every failure message; one raised while
    // the channel is still in use is recorded as "channel still open".
    struct Source
    {
        FileChannel channel;
        CatalogSource source{channel};
        QStringList errors;
        Source()
        {
            connect(&source, &CatalogSource::failed, &source, [this](const QString& message) {
                errors << (channel.isOpen() ? QStringLiteral("channel still open") : message);
            });
        }
    };

private slots:
    // Texts that are numbers, with their value; then texts that are not (value NaN).
    void numericText_data()
    {
        addColumns<QString, double>({"text", "value"});
        const std::pair<const char*, double> numbers[] = {
            {"3", 3},     {"  12 ", 12}, {"\t7", 7},       {"-4", -4},         {"+4", 4},       {"2.5", 2.5},
            {".5", 0.5},  {"1,234,567", 1234567},    {"1,234.5", 1234.5}, {"1.5e3", 1500}, {"25E-1", 2.5},
            {"1e-07", 1e-7}};
        for (const auto& [text, value] : numbers)
            QTest::addRow("%s", text) << QString(text) << value;
        for (const char* text : {"", "   ", "Index", "12a", "1,2,3", "1e", "--1", "1 2", "inf",
                                 "nan", "1e999", "0x10"})
            QTest::addRow("not '%s'", text) << QString(text) << qQNaN();
    }
    void numericText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const bool numeric = !qIsNaN(value);
        QCOMPARE(isNumericText(text), numeric);
        double got = -1;
        QCOMPARE(numericValue(text, &got), numeric);
        QCOMPARE(got, numeric ? value : -1.0); // untouched when not a number
        // Numbers as the system locale writes them are accepted, whatever that locale is.
        const QString local = QLocale::system().toString(value, 'g', 12);
        QVERIFY2(!numeric || (numericValue(local, &got) && got == value), qPrintable(local));
    }

    // The expected fields joined by '|'; a final '!' marks the field at which the split fails
    // (a lone double quote), after the fields before it.
    void splitFollowsTheSteps_data()
    {
        addColumns<QByteArray, QByteArray>({"line", "expected"});
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

    // A root already ends in its separator. (The walker's tests own the folder prefix of other
    // folders.)
    void rootPrefix() { QCOMPARE(CatalogLine::folderPrefix("/"), QString("/")); }

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
        QCOMPARE(visibleRows(table), select(rows, [&](const QStringList& row) {
                     return row[1].contains(needle, Qt::CaseInsensitive);
                 }));
        table->setQuery(CatalogQuery::equals(CatalogField::Index, needle));
        const Rows equal = select(rows, [&](const QStringList& row) { return row[0] == needle; });
        QCOMPARE(visibleRows(table), equal);
        QCOMPARE(table->currentRow(), equal.isEmpty() ? -1 : 0);
        QCOMPARE(table->valueAt(equal.size(), 0), QString()); // past the visible rows
        table->setQuery(CatalogQuery());
        QCOMPARE(visibleRows(table), rows);
    }

    // Sorting by each column, both ways, of all rows and of a query's rows, against a stable
    // sort by what each column's order means: names by their case-folded characters, index
    // values and sizes by number, then other texts, then empty values. Enough rows for the
    // two-core path, long runs of names that share many characters or differ only in case,
    // and sizes beyond what the sort's cheap key holds exactly.
    void sortAgreesWithStableSort_data()
    {
        addColumns<int, bool, QString>({"field", "descending", "query"});
        for (int field : {0, 1, 2})
            for (bool descending : {false, true})
                for (const char* query : {"", "a"})
                    if (!descending || !*query)
                        QTest::addRow("%s%s%s", qPrintable(CatalogTable::fieldName(field)),
                                  descending ? " descending" : "", *query ? " filtered" : "")
                        << field << descending << QString::fromLatin1(query);
    }
    void sortAgreesWithStableSort()
    {
        QFETCH(int, field);
        QFETCH(bool, descending);
        QFETCH(QString, query);
        quint32 seed = 777;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
        const QStringList pieces = {"a", "A", "b", "B", "é", "É", "\u212A", "k", "K", "/",
                                    "ß", "日", "z", "project-", "Project-", "ä"};
        const QStringList values = {"1", "2", "10", "02", "9.5", "x", "", "-3", "1e3", "X",
                                    "007", "abcdef", "abcdeg", "123456789012345678901"};
        Rows rows;
        for (int r = 0; r < 40000; ++r) {
            QString name = QStringLiteral("/media/Disk/Folder-%1/").arg(next() % 3);
            for (quint32 n = next() % 9; n > 0; --n)
                name += pieces[int(next() % pieces.size())];
            const quint64 big = (quint64(next()) << 20) + next() % 3;
            const QString size = next() % 4 ? QString::number(big) : values[int(next() % values.size())];
            rows << QStringList{values[int(next() % 11)], name, size};
        }
        const Rows all = rows;
        const auto table = tableOf(rows);
        if (!query.isEmpty()) {
            table->setQuery(CatalogQuery::contains(CatalogField::Filename, query));
            rows = select(rows, [&](const QStringList& row) { return row[1].contains(query, Qt::CaseInsensitive); });
        }

        // Each row's key, worked out once: its class and its number, text or folded text.
        struct Key
        {
            int rank = 0; // number, text, empty
            double number = 0;
            QList<uint> text;
        };
        std::vector<std::pair<Key, QStringList>> keyed;
        for (const QStringList& row : rows) {
            Key key;
            const QString& value = row[field];
            if (field == 1) {
                key.rank = 1; // compared as text
                key.text = value.toUcs4();
                for (uint& c : key.text)
                    c = QChar::toCaseFolded(c);
            } else {
                key.rank = value.isEmpty() ? 2 : numericValue(value, &key.number) ? 0 : 1;
                if (key.rank == 1)
                    for (const char c : value.toUtf8())
                        key.text << uchar(c);
            }
            keyed.emplace_back(key, row);
        }
        auto less = [](const Key& a, const Key& b) {
            if (a.rank != b.rank)
                return a.rank < b.rank;
            return a.rank == 0 ? a.number < b.number : a.text < b.text;
        };
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            return descending ? less(b.first, a.first) : less(a.first, b.first);
        });
        Rows expected;
        for (const auto& entry : keyed)
            expected << entry.second;

        table->setRowOrder(sortedRows(*table, CatalogField(field), descending), field, descending);
        QCOMPARE(table->sortField(), field);
        QCOMPARE(visibleRows(table), expected);
        table->setQuery(CatalogQuery()); // any query goes back to file order
        QCOMPARE(table->sortField(), -1);
        QCOMPARE(visibleRows(table), all);
    }

    void validateChecksTheFirstLine_data()
    {
        // message: empty: passes
        addColumns<QByteArray, QString>({"bytes", "message"});
        const QString incorrect = CatalogSource::kIncorrectFormat;
        QTest::newRow("worked example") << kWorkedExample << QString();
        QTest::newRow("no line end") << QByteArray("3\ta\t1") << QString();
        QTest::newRow("blanks around index") << QByteArray(" 12 \ta\t1\r\n") << QString();
        // Longer than the 1 MiB the check reads of a first line, index and TAB well inside it.
        QTest::newRow("2 MiB line") << "1\t/" + QByteArray(2 << 20, 'a') + "\t1" << QString();
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" "1\t\xE9\t1\r\n") << QString();
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF")
                                              << QString(CatalogSource::kPreviouslyCreatedIncorrect);
        QTest::newRow("empty file") << QByteArray() << QString(CatalogSource::kPreviouslyCreatedIncorrect);
        QTest::newRow("heading line")
            << QByteArray("Index\tFilename\tSize (bytes)\r\n1\ta\t1\r\n") << incorrect;
        QTest::newRow("no tab") << QByteArray("3 D:\\a 12\r\n1\ta\t1\r\n") << incorrect;
        QTest::newRow("empty index") << QByteArray("\ta\t1\r\n") << incorrect;
        QTest::newRow("quoted index") << QByteArray("\"3\"\ta\t1\r\n") << incorrect;
        QTest::newRow("NUL bytes") << QByteArray("\0\0\t\0\r\n", 6) << incorrect;
        QTest::newRow("2 MiB without line end") << QByteArray(2 << 20, 'x') << incorrect;
    }
    void validateChecksTheFirstLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = writeFile(bytes);
        Source s;
        QString failure;
        QCOMPARE(s.source.validate(path, &failure), message.isEmpty());
        QCOMPARE(s.errors, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(failure.isEmpty() && !s.source.records() && s.source.path().isEmpty());
        QVERIFY(!s.channel.isOpen());
    }

    void populateSplitsEveryLine_data()
    {
        // readable: bytes read before the disk fails; -1: never
        // error: part of the one message; empty: no failure
        addColumns<QByteArray, qint64, Rows, QString>({"bytes", "readable", "rows", "error"});
        const QStringList beach = {"3", "D:\\Photos\\beach.jpg", "48213"};
        QTest::newRow("worked example")
            << kWorkedExample << -1ll << Rows{beach, {"3", "D:\\Photos\\notes.txt", "1024"}} << QString();
        // A file of nothing but a byte-order mark holds no line, like an empty file.
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF") << -1ll << Rows{} << QString();
        QTest::newRow("NUL bytes kept")
            << QByteArray("1\ta\0b\t3\r\n", 9) << -1ll << Rows{{"1", QString::fromUtf8("a\0b", 3), "3"}}
            << QString();
        QTest::newRow("overlong UTF-8 is 1252")
            << QByteArray("1\t\xC0\xAF\t1\r\n") << -1ll << Rows{{"1", "À¯", "1"}} << QString();
        QTest::newRow("two parts with long size stops")
            << QByteArray("1\t") + QByteArray(31, 'n') + "\r\n" << -1ll << Rows{}
            << "The value for field 'Size (bytes)' is longer than its width of 30 characters";
        QTest::newRow("lone quote stops")
            << QByteArray("1\ta\t1\r\n2\t\"\t2\r\n3\tc\t3\r\n") << -1ll << Rows{{"1", "a", "1"}}
            << "Invalid procedure call or argument";
        // Widths count UTF-16 units, not bytes or code points: an emoji takes two.
        QTest::newRow("index of five two-byte letters")
            << QByteArray("ééééé\ta\t1") << -1ll << Rows{{"ééééé", "a", "1"}} << QString();
        QTest::newRow("index of two emoji and a letter")
            << QByteArray("😀😀a\ta\t1") << -1ll << Rows{{"😀😀a", "a", "1"}} << QString();
        QTest::newRow("index of three emoji") << QByteArray("😀😀😀\ta\t1") << -1ll << Rows{}
            << "The value for field 'Index' is longer than its width of 5 characters";
        QTest::newRow("filename at the width")
            << QByteArray("1\t") + QByteArray(32767, 'f') + "\t1\r\n" << -1ll
            << Rows{{"1", QString(32767, 'f'), "1"}} << QString();
        QTest::newRow("filename over the width")
            << QByteArray("1\ta\t1\r\n1\t") + QByteArray(32768, 'f') + "\t1\r\n" << -1ll
            << Rows{{"1", "a", "1"}}
            << "The value for field 'Filename' is longer than its width of 32767 characters";
        // The message names the file and the cause; the records read before it stay (the
        // window's tests own the loads that leave the shown catalog as it was).
        QTest::newRow("read error in the second record")
            << kWorkedExample + kWorkedExample << 40ll << Rows{beach} << "Input/output error";
        // Every way of ending a line and of splitting one, also over a stretch long enough to
        // be parsed on two cores.
        const QByteArray block = "2\t\"q\"\t7\r\n3\ta\t5\tx\nword\r4\tonly\r\n5\tcaf\xE9\t1\n"
                                 "6\tcaf\xC3\xA9\t2\r\r\n";
        const Rows blockRows{{"2", "q", "7"},       {"3", "a", "5"},    {"word", "word", "word"},
                             {"4", "only", "only"}, {"5", "café", "1"}, {"6", "café", "2"},
                             {"", "", ""}};
        QTest::newRow("awkward lines") << block << -1ll << blockRows << QString();
        Rows manyRows;
        for (int i = 0; i < 20000; ++i)
            manyRows += blockRows;
        QTest::newRow("awkward lines, 1.3 MB") << block.repeated(20000) << -1ll << manyRows << QString();
        // Read on two cores, the bad line in the first half: nothing of the second half shows.
        Rows firstRows;
        for (int i = 0; i < 100; ++i)
            firstRows += QStringList{"1", "a", "1"};
        QTest::newRow("bad line in the first half of a two-core read")
            << QByteArray("1\ta\t1\r\n").repeated(100) + "123456\tb\t2\r\n"
                   + QByteArray("2\tc\t3\r\n").repeated(300)
            << -1ll << firstRows << "The value for field 'Index' is longer than its width of 5 characters";
        // Strict UTF-8 ends just before the surrogates and starts again just after them; a
        // surrogate's bytes make the line Windows-1252, which has a character for every byte
        // from 0x80 to 0x9F (the five it leaves undefined are the C1 controls).
        QTest::newRow("UTF-8 just before the surrogates")
            << QByteArray("1\t\xED\x9F\xBF\t1") << -1ll << Rows{{"1", QString(QChar(0xD7FF)), "1"}} << QString();
        QTest::newRow("UTF-8 just after the surrogates")
            << QByteArray("1\t\xEE\x80\x80\t1") << -1ll << Rows{{"1", QString(QChar(0xE000)), "1"}} << QString();
        QTest::newRow("a surrogate is Windows-1252")
            << QByteArray("1\t\xED\xA0\x80\t1") << -1ll << Rows{{"1", "í\u00A0€", "1"}} << QString();
        QByteArray c1;
        for (int b = 0x80; b <= 0x9F; ++b)
            c1 += char(b);
        QTest::newRow("0x80 to 0x9F as Windows-1252")
            << "1\t" + c1 + "\t1" << -1ll
            << Rows{{"1", QString::fromUtf8("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ"), "1"}}
            << QString();
    }
    void populateSplitsEveryLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, readable);
        QFETCH(Rows, rows);
        QFETCH(QString, error);
        const QString path = writeFile(bytes);
        Source s; // errors are raised before load returns, with the channel already free
        if (readable >= 0)
            s.channel.setFileFactory([=](const QString& opened) {
                return std::make_unique<FailingFile>(opened, FailingFile::Fault::Read, readable,
                                                     QStringLiteral("Input/output error"));
            });
        s.source.load(path);
        QCOMPARE(s.errors.size(), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty())
            QVERIFY2(s.errors[0].contains(error) && (readable < 0 || s.errors[0].contains(path)),
                     qPrintable(s.errors[0]));
        QCOMPARE(s.source.path(), path);
        const CatalogTablePtr rs = s.source.records();
        QVERIFY(rs);
        QCOMPARE(visibleRows(rs), rows);
        QCOMPARE(rs->currentRow(), rows.isEmpty() ? -1 : 0); // the first is current
        QVERIFY(!s.channel.isOpen());
        // Where the reads end, and whether a piece is parsed on one core or two, does not
        // matter (the two-core way is taken above half a piece).
        for (const int cores : {1, 2}) {
            for (const qint64 piece : {1, 2, 3, 7, 4096}) {
                if (piece < 16 && bytes.size() > 100000)
                    continue;
                QVERIFY(s.channel.open(path, FileChannel::Mode::Input));
                const auto table = std::make_shared<CatalogTable>();
                QString failure;
                QCOMPARE(readCatalog(s.channel, *table, &failure, piece, cores), error.isEmpty());
                s.channel.close();
                QVERIFY2(failure.contains(error), qPrintable(failure));
                QCOMPARE(visibleRows(table), rows);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
