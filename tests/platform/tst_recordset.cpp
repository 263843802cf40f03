#include "platform/core/RecordSet.h"

#include <QSignalSpy>
#include <QTest>

// Builds the catalog's three-field record set holding the given (index, filename, size) rows.
static RecordSetPtr catalogSet(const QList<QStringList>& rows)
{
    auto rs = std::make_shared<RecordSet>();
    rs->appendField(QStringLiteral("Index"), RecordSet::adChar, 5, RecordSet::adFldRowID);
    rs->appendField(QStringLiteral("Filename"), RecordSet::adChar, 200, RecordSet::adFldUpdatable);
    rs->appendField(QStringLiteral("Size (bytes)"), RecordSet::adChar, 30, RecordSet::adFldUpdatable);
    rs->open();
    for (const QStringList& row : rows) {
        rs->addNew();
        for (int f = 0; f < 3; ++f)
            rs->setValue(f, row.value(f));
        rs->update();
    }
    return rs;
}

// The file names of the visible records, walked with moveFirst/moveNext; a row whose valueAt
// disagrees with the walk is marked.
static QStringList walkFilenames(RecordSet& rs)
{
    QStringList names;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names << rs.value(u"Filename") + (rs.valueAt(names.size(), 1) == rs.value(1) ? "" : "!");
    return names;
}

static QStringList rowAt(const RecordSet& rs, qint64 row)
{
    return {rs.valueAt(row, 0), rs.valueAt(row, 1), rs.valueAt(row, 2)};
}

static const QList<QStringList> kSample = {
    {"1", "/home/ann/Report.txt", "100"}, {"2", "/home/bob/report-final.TXT", "2048"},
    {"3", "/srv/été/photo.jpg", "4096"},  {"3", "/srv/ÉTÉ/notes.md", "7"},
    {"1", "/tmp/it's*odd%.txt", "0"},     {"12", "/tmp/[x]_y.txt", "5"},
};

static const QStringList kRefused = {QStringLiteral("(refused)")};

class TestRecordSet : public QObject
{
    Q_OBJECT

private slots:
    void fieldsAreDefinedBeforeOpen()
    {
        RecordSet rs;
        QString error;
        QVERIFY(rs.appendField("Index", RecordSet::adChar, 5, RecordSet::adFldRowID, &error));
        QVERIFY(!rs.appendField("index", RecordSet::adChar, 5, 0, &error));
        QVERIFY(error.contains("index"));
        QVERIFY(!rs.appendField("Bad", RecordSet::adChar, 0, 0, &error));
        rs.open();
        QVERIFY(!rs.appendField("Late", RecordSet::adChar, 5, 0, &error));
        QCOMPARE(rs.fieldCount(), 1);
        QCOMPARE(rs.fieldIndex(u"INDEX"), 0);
        QCOMPARE(rs.fieldIndex(u"nope"), -1);
    }

    void editingKeepsValuesUnpadded()
    {
        auto rs = catalogSet(kSample);
        for (int r = 0; r < kSample.size(); ++r) {
            QCOMPARE(rowAt(*rs, r), kSample[r]);
            QCOMPARE(rs->utf8At(r, 1), kSample[r][1].toUtf8());
        }
        QCOMPARE(rs->absolutePosition(), kSample.size() - 1); // update makes it current
        QCOMPARE(rs->value(u"size (BYTES)"), QString("5"));
        // Values set out of order or twice land in their fields; unset ones stay empty.
        QVERIFY(!rs->setValue(0, u"1")); // no pending record
        rs->addNew();
        QVERIFY(!rs->setValue(3, u"1"));
        QVERIFY(rs->setValue(2, u"30") && rs->setValue(0, u"9") && rs->setValue(0, u"8"));
        QCOMPARE(rs->value(0), QString("8")); // the pending record is the current one
        QVERIFY(rs->update());
        rs->addNew();
        rs->setValue(1, u"dropped");
        rs->cancelUpdate();
        rs->addNew();
        rs->setValue(1, u"only name");
        QVERIFY(rs->update());
        QCOMPARE(rs->recordCount(), kSample.size() + 2);
        QCOMPARE(rowAt(*rs, 6), QStringList({"8", "", "30"}));
        QCOMPARE(rowAt(*rs, 7), QStringList({"", "only name", ""}));
    }

    void widthIsCountedInCharacters_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("index of 5 two-byte letters") << 0 << "ééééé" << true;
        QTest::newRow("index of 6 two-byte letters") << 0 << "éééééé" << false;
        // A character outside the BMP takes two UTF-16 units.
        QTest::newRow("index of 2 emoji + 1") << 0 << "😀😀a" << true;
        QTest::newRow("index of 3 emoji") << 0 << "😀😀😀" << false;
        QTest::newRow("filename at 200") << 1 << QString(200, 'x') << true;
        QTest::newRow("filename at 201") << 1 << QString(201, 'x') << false;
        QTest::newRow("size over 30") << 2 << QString(31, '9') << false;
    }
    void widthIsCountedInCharacters()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        auto rs = catalogSet({});
        rs->addNew();
        QString error;
        QCOMPARE(rs->setValue(field, value, &error), accepted);
        // A refused value is not stored and the pending record stays.
        QCOMPARE(rs->value(field), accepted ? value : QString());
        QVERIFY(rs->isAdding());
        if (!accepted)
            QCOMPARE(error, QString("The value for field '%1' is longer than its width of %2 "
                                    "characters")
                                .arg(rs->field(field).name)
                                .arg(rs->field(field).definedSize));
    }

    void movesStopAtBofAndEof()
    {
        auto empty = catalogSet({});
        empty->moveFirst();
        empty->moveNext();
        QVERIFY(empty->bof() && empty->eof());
        QCOMPARE(empty->bookmark(), RecordSet::Bookmark(-1));

        auto rs = catalogSet(kSample);
        rs->moveFirst();
        QVERIFY(!rs->bof());
        rs->movePrevious();
        QVERIFY(rs->bof() && !rs->eof());
        rs->movePrevious();
        QCOMPARE(rs->absolutePosition(), -1);
        QCOMPARE(rs->value(0), QString());
        rs->moveNext();
        QCOMPARE(rs->value(1), kSample[0][1]);
        rs->moveLast();
        QCOMPARE(rs->value(1), kSample.last()[1]);
        rs->moveNext();
        QVERIFY(rs->eof());
        rs->moveNext();
        QCOMPARE(rs->absolutePosition(), rs->recordCount());
        rs->movePrevious();
        QCOMPARE(rs->value(1), kSample.last()[1]);
    }

    void filterGovernsCountMovesAndBookmarks()
    {
        auto rs = catalogSet(kSample);
        rs->moveFirst();
        rs->moveNext();
        rs->moveNext();
        const RecordSet::Bookmark photo = rs->bookmark();
        QCOMPARE(rs->valueAtBookmark(photo, 1), kSample[2][1]);
        QVERIFY(rs->setFilter("Index = '3'"));
        QCOMPARE(rs->bookmarkAt(0), photo);
        QVERIFY(rs->setBookmark(photo));
        QCOMPARE(rs->absolutePosition(), 0);
        rs->moveNext();
        QCOMPARE(rs->value(1), kSample[3][1]);
        // A record outside the filter cannot be reached, but its values can be read.
        QVERIFY(!rs->setBookmark(0));
        QCOMPARE(rs->absolutePosition(), 1);
        QCOMPARE(rs->valueAtBookmark(0, 1), kSample[0][1]);
        QVERIFY(!rs->setBookmark(99));
        QCOMPARE(rs->valueAtBookmark(99, 1), QString());
        QCOMPARE(rs->bookmarkAt(5), RecordSet::Bookmark(-1));
        // A record added under a filter stays visible until the filter is set again.
        rs->addNew();
        rs->setValue(1, u"/new");
        QVERIFY(rs->update());
        QCOMPARE(rs->recordCount(), 3);
        QCOMPARE(rs->value(1), QString("/new"));
        QVERIFY(rs->setFilter("Index = '3'"));
        QCOMPARE(rs->recordCount(), 2);
        QVERIFY(rs->setFilter(QString()));
        QVERIFY(rs->setBookmark(photo));
        QCOMPARE(rs->absolutePosition(), photo);
    }

    // The syntax of both criteria, the characters a LIKE pattern takes literally, and criteria
    // that are refused. Plain contains, prefix and suffix matching, with and without case
    // beyond ASCII, is compared with QString in likeAgreesWithAPlainSearch.
    void filterSelectsRecords_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QStringList>("expected");
        const QString a = kSample[0][1], b = kSample[1][1], c = kSample[2][1], d = kSample[3][1],
                      e = kSample[4][1], f = kSample[5][1];
        QTest::newRow("percent wildcards") << "Filename LIKE '%REPORT%'" << QStringList{a, b};
        QTest::newRow("keyword and name case")
            << "filename like '*.txt*'" << QStringList{a, b, e, f};
        QTest::newRow("brackets and blanks")
            << "  [Filename]   LIKE   '*photo*'  " << QStringList{c};
        QTest::newRow("quote doubled") << "Filename LIKE '*it''s*'" << QStringList{e};
        QTest::newRow("inner star is literal") << "Filename LIKE '*s*odd*'" << QStringList{e};
        QTest::newRow("inner star never wild") << "Filename LIKE '*home*txt*'" << QStringList{};
        QTest::newRow("inner percent literal") << "Filename LIKE '*odd%.*'" << QStringList{e};
        QTest::newRow("underscore literal") << "Filename LIKE '*report_txt*'" << QStringList{};
        QTest::newRow("brackets, underscore literal") << "Filename LIKE '*[x]_*'" << QStringList{f};
        QTest::newRow("second star literal") << "Filename LIKE '**odd*'" << QStringList{e};
        QTest::newRow("second star not wild") << "Filename LIKE '**tmp*'" << QStringList{};
        QTest::newRow("only wildcards") << "Filename LIKE '**'" << QStringList{a, b, c, d, e, f};
        QTest::newRow("index equal is exact") << "Index = '1'" << QStringList{a, e};
        QTest::newRow("equal no blanks") << "Index='12'" << QStringList{f};
        QTest::newRow("equal is case sensitive")
            << "Filename = '/home/ann/report.txt'" << QStringList{};
        QTest::newRow("equal keeps non-ASCII case")
            << "Filename = '/srv/ÉTÉ/photo.jpg'" << QStringList{};
        QTest::newRow("equal takes stars literally") << "Filename = '*'" << QStringList{};
        QTest::newRow("field with blanks") << "[Size (bytes)] = '4096'" << QStringList{c};
        QTest::newRow("cleared") << "" << QStringList{a, b, c, d, e, f};
        for (const char* criterion :
             {"Folder LIKE '*a*'", "Filename LIKE '*a*", "Index = 3", "Index > '3'",
              "Filename LIKEX '*a*'", "Index = '3' OR Index = '4'", "[Filename LIKE '*a*'",
              "= '3'", "Filename", "Index = '3''"})
            QTest::addRow("refused: %s", criterion) << criterion << kRefused;
    }
    void filterSelectsRecords()
    {
        QFETCH(QString, criterion);
        QFETCH(QStringList, expected);
        auto rs = catalogSet(kSample);
        QVERIFY(rs->setFilter("Index = '3'"));
        rs->moveNext();
        QSignalSpy changed(rs.get(), &RecordSet::filterChanged);
        QString error;
        const bool refused = expected == kRefused;
        QCOMPARE(rs->setFilter(criterion, &error), !refused);
        QCOMPARE(changed.count(), refused ? 0 : 1);
        if (refused) {
            // A clear error; the previous filter and position stay.
            QVERIFY2(error.contains(criterion), qPrintable(error));
            QCOMPARE(rs->filter(), QString("Index = '3'"));
            QCOMPARE(rs->absolutePosition(), 1);
            expected = QStringList{kSample[2][1], kSample[3][1]};
        } else {
            // The first visible record is current after a new filter.
            QCOMPARE(rs->value(1), expected.value(0));
            QCOMPARE(rs->bof(), expected.isEmpty());
        }
        QCOMPARE(rs->recordCount(), expected.size());
        QCOMPARE(rs->totalRecordCount(), kSample.size());
        QCOMPARE(walkFilenames(*rs), expected);
    }

    // The contains search scans the whole text buffer at once and, for letters beyond ASCII,
    // compares only the records a piece of the pattern was found in; check every form of LIKE
    // against QString's own comparison without case on many records, so that the buffer,
    // block, field and record edges are all hit. Half the names are pure ASCII, the others
    // (and every index and size) mix in letters that match across ASCII: the Kelvin sign (k),
    // the long s (s), sharp s and capital sharp s. A hit in the index or size must not count.
    void likeAgreesWithAPlainSearch_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("form");
        const char* needles[] = {
            "a",      "ab",      "zz",       "/x",  "q9", "abcdefghijklmnopqrstuvw",
            "7",      "B/",      "A\t",      "Ü",   "üa", "ÜÜ",
            "é-",     "Zü",      "k",        "K",   "s",  "SA",
            "\u212A", "a\u212A", "\u017Fa",  "пП",  "ПП", "日",
            "ß",      "\u1E9E",  "ß\u212Ab", "ka/", "bk"};
        for (const char* needle : needles) {
            for (const char* form : {"*%1*", "%1*", "*%1", "%1"})
                QTest::addRow("%s %s", form, needle)
                    << QString::fromUtf8(needle) << QString::fromLatin1(form);
        }
    }
    void likeAgreesWithAPlainSearch()
    {
        QFETCH(QString, needle);
        QFETCH(QString, form);
        QList<QStringList> rows;
        quint32 seed = 12345;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
        const QString ascii = QStringLiteral("abAB/zZqQ79-kKsS");
        const QString mixed = ascii + QStringLiteral("üÜéÉ\u212A\u017FпП日ß\u1E9E");
        auto text = [&](const QString& alphabet, int length) {
            QString s;
            for (int i = 0; i < length; ++i)
                s += alphabet[int(next() % alphabet.size())];
            return s;
        };
        for (int r = 0; r < 3000; ++r) {
            QString name = text(r % 2 ? ascii : mixed, int(r % 3 == 0 ? next() % 4 : next() % 40));
            if (r % 500 == 0)
                name += "abcdefghijklmnopqrstuvw";
            rows << QStringList{text(mixed, int(next() % 4)), name, text(mixed, int(next() % 4))};
        }
        auto rs = catalogSet(rows);
        QString error;
        QVERIFY2(rs->setFilter("Filename LIKE '" + form.arg(needle) + "'", &error),
                 qPrintable(error));
        QStringList expected;
        // A form without its leading (trailing) star is anchored at the start (end).
        const bool atStart = form.startsWith('%'), atEnd = form.endsWith('1');
        const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
        for (const QStringList& row : rows) {
            const QString& name = row[1];
            if (atStart && atEnd ? name.compare(needle, cs) == 0
                : atStart        ? name.startsWith(needle, cs)
                : atEnd          ? name.endsWith(needle, cs)
                                 : name.contains(needle, cs))
                expected << name;
        }
        QCOMPARE(walkFilenames(*rs), expected);
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
