#include "platform/core/RecordSet.h"

#include <QSignalSpy>
#include <QTest>

// Builds the catalog's three-field record set holding the given (index, filename, size) rows.
static RecordSetPtr catalogSet(const QList<QStringList>& rows)
{
    auto rs = std::make_shared<RecordSet>();
    rs->appendField(QStringLiteral("Index"), RecordSet::adChar, 5, RecordSet::adFldRowID);
    rs->appendField(QStringLiteral("Filename"), RecordSet::adChar, 200, RecordSet::adFldUpdatable);
    rs->appendField(QStringLiteral("Size (bytes)"), RecordSet::adChar, 30,
                    RecordSet::adFldUpdatable);
    rs->open();
    for (const QStringList& row : rows) {
        rs->addNew();
        for (int f = 0; f < 3; ++f)
            rs->setValue(f, row.value(f));
        rs->update();
    }
    return rs;
}

// The file names of the visible records, walked with moveFirst/moveNext.
static QStringList walkFilenames(RecordSet& rs)
{
    QStringList names;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names << rs.value(QStringLiteral("Filename"));
    return names;
}

static const QList<QStringList> kSample = {
    {"1", "/home/ann/Report.txt", "100"},
    {"2", "/home/bob/report-final.TXT", "2048"},
    {"3", "/srv/été/photo.jpg", "4096"},
    {"3", "/srv/ÉTÉ/notes.md", "7"},
    {"1", "/tmp/it's*odd%.txt", "0"},
    {"12", "/tmp/[x]_y.txt", "5"},
};

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
        rs.setCursorType(RecordSet::adOpenKeyset);
        rs.setLockType(RecordSet::adLockOptimistic);
        rs.open();
        QVERIFY(!rs.appendField("Late", RecordSet::adChar, 5, 0, &error));
        QCOMPARE(rs.fieldCount(), 1);
        QCOMPARE(rs.field(0).definedSize, 5);
        QCOMPARE(rs.field(0).attributes, int(RecordSet::adFldRowID));
        QCOMPARE(rs.fieldIndex(u"INDEX"), 0);
        QCOMPARE(rs.fieldIndex(u"nope"), -1);
        QCOMPARE(rs.cursorType(), int(RecordSet::adOpenKeyset));
        QCOMPARE(rs.lockType(), int(RecordSet::adLockOptimistic));
    }

    void emptySetIsAtBofAndEof()
    {
        auto rs = catalogSet({});
        QCOMPARE(rs->recordCount(), 0);
        QVERIFY(rs->bof());
        QVERIFY(rs->eof());
        rs->moveFirst();
        rs->moveNext();
        QVERIFY(rs->bof() && rs->eof());
        QCOMPARE(rs->bookmark(), RecordSet::Bookmark(-1));
        QCOMPARE(rs->value(0), QString());
        QCOMPARE(rs->valueAt(0, 0), QString());
    }

    void addedRecordsKeepTheirValuesUnpadded()
    {
        auto rs = catalogSet(kSample);
        QCOMPARE(rs->recordCount(), kSample.size());
        for (int r = 0; r < kSample.size(); ++r) {
            for (int f = 0; f < 3; ++f) {
                QCOMPARE(rs->valueAt(r, f), kSample[r][f]);
                QCOMPARE(rs->utf8At(r, f), kSample[r][f].toUtf8());
            }
        }
        // update makes the new record current.
        QCOMPARE(rs->absolutePosition(), kSample.size() - 1);
        QCOMPARE(rs->value(u"size (BYTES)"), QString("5"));
    }

    void valuesSetOutOfOrderOrTwiceLandInTheirFields()
    {
        auto rs = catalogSet({{"1", "a", "2"}});
        rs->addNew();
        QVERIFY(rs->setValue(2, u"30"));
        QVERIFY(rs->setValue(0, u"9"));
        QVERIFY(rs->setValue(0, u"8"));
        QCOMPARE(rs->value(0), QString("8")); // the pending record is the current one
        QVERIFY(rs->update());
        rs->addNew();
        QVERIFY(rs->setValue(1, u"only name"));
        QVERIFY(rs->update());
        QCOMPARE(rs->recordCount(), 3);
        QCOMPARE(rs->valueAt(1, 0), QString("8"));
        QCOMPARE(rs->valueAt(1, 1), QString());
        QCOMPARE(rs->valueAt(1, 2), QString("30"));
        QCOMPARE(rs->valueAt(2, 0), QString());
        QCOMPARE(rs->valueAt(2, 1), QString("only name"));
        QCOMPARE(rs->valueAt(0, 1), QString("a"));
    }

    void cancelUpdateDropsThePendingRecord()
    {
        auto rs = catalogSet({{"1", "a", "2"}});
        rs->addNew();
        rs->setValue(0, u"7");
        rs->setValue(1, u"dropped");
        rs->cancelUpdate();
        QVERIFY(!rs->isAdding());
        QCOMPARE(rs->recordCount(), 1);
        rs->addNew();
        rs->setValue(0, u"2");
        rs->setValue(1, u"b");
        rs->setValue(2, u"3");
        rs->update();
        QCOMPARE(rs->valueAt(1, 1), QString("b"));
        QCOMPARE(rs->valueAt(1, 2), QString("3"));
        QCOMPARE(rs->valueAt(0, 1), QString("a"));
    }

    void setValueNeedsAPendingRecord()
    {
        auto rs = catalogSet({});
        QString error;
        QVERIFY(!rs->setValue(0, u"1", &error));
        QVERIFY(!error.isEmpty());
        rs->addNew();
        QVERIFY(!rs->setValue(3, u"1", &error));
    }

    void widthIsCountedInCharacters_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("index at width") << 0 << "12345" << true;
        QTest::newRow("index over width") << 0 << "123456" << false;
        QTest::newRow("index of 5 two-byte letters") << 0 << "ééééé" << true;
        QTest::newRow("index of 6 two-byte letters") << 0 << "éééééé" << false;
        QTest::newRow("index of 5 three-byte letters") << 0 << "€€€€€" << true;
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
        if (!accepted) {
            const RecordSet::Field& f = rs->field(field);
            QCOMPARE(error, QString("The value for field '%1' is longer than its width of %2 "
                                    "characters")
                                .arg(f.name)
                                .arg(f.definedSize));
            // The refused value is not stored; the pending record stays.
            QVERIFY(rs->isAdding());
            QCOMPARE(rs->value(field), QString());
        } else {
            QCOMPARE(rs->value(field), value);
        }
    }

    void movesStopAtBofAndEof()
    {
        auto rs = catalogSet(kSample);
        rs->moveFirst();
        QCOMPARE(rs->absolutePosition(), 0);
        QVERIFY(!rs->bof());
        rs->movePrevious();
        QVERIFY(rs->bof());
        QVERIFY(!rs->eof());
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

    void bookmarksNameRecordsWhateverTheFilter()
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
        QVERIFY(rs->setFilter(QString()));
        QVERIFY(rs->setBookmark(photo));
        QCOMPARE(rs->absolutePosition(), photo);
    }

    void filterSelectsRecords_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QStringList>("expected");
        const QString a = kSample[0][1], b = kSample[1][1], c = kSample[2][1],
                      d = kSample[3][1], e = kSample[4][1], f = kSample[5][1];
        QTest::newRow("contains, any case") << "Filename LIKE '*report*'" << QStringList{a, b};
        QTest::newRow("percent wildcards") << "Filename LIKE '%REPORT%'" << QStringList{a, b};
        QTest::newRow("keyword and name case") << "filename like '*.txt*'"
                                               << QStringList{a, b, e, f};
        QTest::newRow("brackets and blanks") << "  [Filename]   LIKE   '*photo*'  "
                                             << QStringList{c};
        QTest::newRow("prefix") << "Filename LIKE '/HOME/*'" << QStringList{a, b};
        QTest::newRow("suffix") << "Filename LIKE '*.txt'" << QStringList{a, b, e, f};
        QTest::newRow("no wildcard is whole value") << "Filename LIKE '/home/ann/report.TXT'"
                                                    << QStringList{a};
        QTest::newRow("no wildcard needs all") << "Filename LIKE 'report'" << QStringList{};
        QTest::newRow("non-ASCII ignores case") << "Filename LIKE '*ÉTÉ*'" << QStringList{c, d};
        QTest::newRow("non-ASCII lower") << "Filename LIKE '*été/p*'" << QStringList{c};
        QTest::newRow("quote doubled") << "Filename LIKE '*it''s*'" << QStringList{e};
        QTest::newRow("inner star is literal") << "Filename LIKE '*s*odd*'" << QStringList{e};
        QTest::newRow("inner star never wild") << "Filename LIKE '*home*txt*'" << QStringList{};
        QTest::newRow("inner percent literal") << "Filename LIKE '*odd%.*'" << QStringList{e};
        QTest::newRow("underscore literal") << "Filename LIKE '*]_y*'" << QStringList{f};
        QTest::newRow("underscore not a wildcard") << "Filename LIKE '*]xy*'" << QStringList{};
        QTest::newRow("brackets literal") << "Filename LIKE '*[x]*'" << QStringList{f};
        QTest::newRow("second star literal") << "Filename LIKE '**odd*'" << QStringList{e};
        QTest::newRow("second star not wild") << "Filename LIKE '**tmp*'" << QStringList{};
        QTest::newRow("only wildcards") << "Filename LIKE '**'" << QStringList{a, b, c, d, e, f};
        QTest::newRow("index equal") << "Index = '3'" << QStringList{c, d};
        QTest::newRow("index equal is exact") << "Index = '1'" << QStringList{a, e};
        QTest::newRow("equal no blanks") << "Index='12'" << QStringList{f};
        QTest::newRow("equal is case sensitive") << "Filename = '/home/ann/report.txt'"
                                                 << QStringList{};
        QTest::newRow("equal takes stars literally") << "Filename = '*'" << QStringList{};
        QTest::newRow("field with blanks") << "[Size (bytes)] = '4096'" << QStringList{c};
        // A hit in another field does not count.
        QTest::newRow("digits only in size") << "Filename LIKE '*2048*'" << QStringList{};
        QTest::newRow("hit across field end") << "Filename LIKE '*.txt2*'" << QStringList{};
        QTest::newRow("cleared") << "" << QStringList{a, b, c, d, e, f};
    }
    void filterSelectsRecords()
    {
        QFETCH(QString, criterion);
        QFETCH(QStringList, expected);
        auto rs = catalogSet(kSample);
        QSignalSpy changed(rs.get(), &RecordSet::filterChanged);
        QString error;
        QVERIFY2(rs->setFilter(criterion, &error), qPrintable(error));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(rs->recordCount(), expected.size());
        QCOMPARE(rs->totalRecordCount(), kSample.size());
        QCOMPARE(walkFilenames(*rs), expected);
        for (int row = 0; row < expected.size(); ++row)
            QCOMPARE(rs->valueAt(row, 1), expected[row]);
        // The first visible record is current after a new filter.
        rs->setFilter(criterion);
        QCOMPARE(rs->value(1), expected.value(0));
        QCOMPARE(rs->bof(), expected.isEmpty());
    }

    void badCriteriaAreRefused_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::newRow("unknown field") << "Folder LIKE '*a*'";
        QTest::newRow("missing quote") << "Filename LIKE '*a*";
        QTest::newRow("unquoted value") << "Index = 3";
        QTest::newRow("unknown operator") << "Index > '3'";
        QTest::newRow("LIKE glued") << "Filename LIKEX '*a*'";
        QTest::newRow("trailing text") << "Index = '3' OR Index = '4'";
        QTest::newRow("unclosed bracket") << "[Filename LIKE '*a*'";
        QTest::newRow("no field") << "= '3'";
        QTest::newRow("only a name") << "Filename";
        QTest::newRow("quote escape unclosed") << "Index = '3''";
    }
    void badCriteriaAreRefused()
    {
        QFETCH(QString, criterion);
        auto rs = catalogSet(kSample);
        QVERIFY(rs->setFilter("Index = '3'"));
        rs->moveNext();
        QSignalSpy changed(rs.get(), &RecordSet::filterChanged);
        QString error;
        QVERIFY(!rs->setFilter(criterion, &error));
        QVERIFY2(error.contains(criterion), qPrintable(error));
        QCOMPARE(changed.count(), 0);
        // The previous filter and position stay.
        QCOMPARE(rs->filter(), QString("Index = '3'"));
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(rs->absolutePosition(), 1);
    }

    void recordAddedUnderAFilterStaysVisible()
    {
        auto rs = catalogSet(kSample);
        QVERIFY(rs->setFilter("Index = '12'"));
        rs->addNew();
        rs->setValue(0, u"4");
        rs->setValue(1, u"/new");
        QVERIFY(rs->update());
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(rs->value(1), QString("/new"));
        QVERIFY(rs->setFilter("Index = '12'"));
        QCOMPARE(rs->recordCount(), 1);
    }

    // Letters beyond ASCII match in any case, whichever part of the pattern they are in.
    void nonAsciiCaseIsIgnored_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QStringList>("expected");
        const QString zurich = QStringLiteral("/data/Zürich/plan.pdf");
        const QString zuRICH = QStringLiteral("/data/ZüRICH/old");
        const QString privet = QStringLiteral("/x/Привет/a.txt");
        const QString pRIVET = QStringLiteral("/x/пРИВЕТ/b.txt");
        const QString nihon = QStringLiteral("/日本語/x.txt");
        const QString kelvin = QStringLiteral("/k/\u212Aelvin.dat");
        const QString asciiK = QStringLiteral("/k/kelvin.dat");
        const QString strasse = QStringLiteral("/\u017Ftraße/ß");
        const QString ascii = QStringLiteral("/ascii/only.txt");
        QTest::newRow("only non-ASCII case differs")
            << "Filename LIKE '*ZÜRICH*'" << QStringList{zurich, zuRICH};
        QTest::newRow("lower pattern, upper text") << "Filename LIKE '*zürich*'"
                                                   << QStringList{zurich, zuRICH};
        QTest::newRow("pattern all non-ASCII, upper") << "Filename LIKE '*ПРИВЕТ*'"
                                                      << QStringList{privet, pRIVET};
        QTest::newRow("pattern all non-ASCII, mixed") << "Filename LIKE '*пРиВеТ*'"
                                                      << QStringList{privet, pRIVET};
        QTest::newRow("one non-ASCII letter") << "Filename LIKE '*Ü*'"
                                              << QStringList{zurich, zuRICH};
        QTest::newRow("letters without case") << "Filename LIKE '*日本語*'" << QStringList{nihon};
        QTest::newRow("no such text") << "Filename LIKE '*ZÜRICHX*'" << QStringList{};
        QTest::newRow("non-ASCII not across the field end") << "Filename LIKE '*/té*'"
                                                            << QStringList{};
        QTest::newRow("non-ASCII not across the field start") << "Filename LIKE '*é/t*'"
                                                              << QStringList{};
        QTest::newRow("non-ASCII in the index only") << "Filename LIKE '*été*'"
                                                     << QStringList{};
        QTest::newRow("ASCII pattern, Kelvin sign in text") << "Filename LIKE '*KELVIN*'"
                                                            << QStringList{kelvin, asciiK};
        QTest::newRow("Kelvin sign in pattern") << "Filename LIKE '*\u212Aelvin.dat*'"
                                                << QStringList{kelvin, asciiK};
        QTest::newRow("ASCII s, long s in text") << "Filename LIKE '*/STRA*'"
                                                 << QStringList{strasse};
        QTest::newRow("capital sharp s") << "Filename LIKE '*/\u1E9E*'" << QStringList{strasse};
        QTest::newRow("prefix") << "Filename LIKE '/DATA/ZÜ*'" << QStringList{zurich, zuRICH};
        QTest::newRow("suffix") << "Filename LIKE '*ПРИВЕТ/B.TXT'" << QStringList{pRIVET};
        QTest::newRow("whole value") << "Filename LIKE '/X/ПРИВЕТ/A.TXT'" << QStringList{privet};
        QTest::newRow("ASCII still found") << "Filename LIKE '*ONLY*'" << QStringList{ascii};
        QTest::newRow("equal is exact") << "Filename = '/data/ZÜRICH/old'" << QStringList{};
    }
    void nonAsciiCaseIsIgnored()
    {
        QFETCH(QString, criterion);
        QFETCH(QStringList, expected);
        // The texts sit in a long buffer of many records, ahead of and behind ASCII fillers.
        QList<QStringList> rows;
        for (int i = 0; i < 50; ++i)
            rows << QStringList{"9", QStringLiteral("/filler/%1/abcdefghij").arg(i), "1"};
        rows << QStringList{"1", "/data/Zürich/plan.pdf", "1"}
             << QStringList{"été", "/t/", "2"} // non-ASCII only in the index
             << QStringList{"2", "/data/ZüRICH/old", "3"}
             << QStringList{"3", "/x/Привет/a.txt", "4"}
             << QStringList{"3", "/x/пРИВЕТ/b.txt", "5"}
             << QStringList{"4", "/日本語/x.txt", "6"}
             << QStringList{"5", "/k/\u212Aelvin.dat", "7"}
             << QStringList{"5", "/k/kelvin.dat", "8"}
             << QStringList{"6", "/\u017Ftraße/ß", "9"}
             << QStringList{"7", "/ascii/only.txt", "10"}
             << QStringList{"8", "/t", "é11"}; // non-ASCII only in the size
        for (int i = 0; i < 50; ++i)
            rows << QStringList{"9", QStringLiteral("/filler/%1/klmnopqrst").arg(i), "1"};
        auto rs = catalogSet(rows);
        QString error;
        QVERIFY2(rs->setFilter(criterion, &error), qPrintable(error));
        QCOMPARE(walkFilenames(*rs), expected);
    }

    // The contains search scans the whole text buffer at once and, for letters beyond ASCII,
    // compares only the records a piece of the pattern was found in; check every form of LIKE
    // against QString's own comparison without case on many records, so that the buffer,
    // block and record edges are all hit. Half the names are pure ASCII, the others mix in
    // letters that match across ASCII: the Kelvin sign (k), the long s (s), sharp s and
    // capital sharp s.
    void likeAgreesWithAPlainSearch_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("form");
        const char* needles[] = {"a", "ab", "zz", "/x", "q9", "abcdefghijklmnopqrstuvw", "7",
                                 "B/", "A\t", "Ü", "üa", "ÜÜ", "é-", "Zü", "k", "K", "s", "SA",
                                 "\u212A", "a\u212A", "\u017Fa", "пП", "ПП", "日", "ß",
                                 "\u1E9E", "ß\u212Ab", "ka/", "bk"};
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
        for (int r = 0; r < 3000; ++r) {
            const QString& alphabet = r % 2 ? ascii : mixed;
            QString name;
            const int length = int(r % 3 == 0 ? next() % 4 : next() % 40);
            for (int i = 0; i < length; ++i)
                name += alphabet[int(next() % alphabet.size())];
            if (r % 500 == 0)
                name += "abcdefghijklmnopqrstuvw";
            rows << QStringList{QString::number(next() % 9), name, QString::number(next() % 100)};
        }
        auto rs = catalogSet(rows);
        QString error;
        QVERIFY2(rs->setFilter("Filename LIKE '" + form.arg(needle) + "'", &error),
                 qPrintable(error));
        QStringList expected;
        for (const QStringList& row : rows) {
            const QString& name = row[1];
            const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
            const bool match = form == QLatin1String("*%1*") ? name.contains(needle, cs)
                               : form == QLatin1String("%1*") ? name.startsWith(needle, cs)
                               : form == QLatin1String("*%1") ? name.endsWith(needle, cs)
                                                              : name.compare(needle, cs) == 0;
            if (match)
                expected << name;
        }
        QCOMPARE(walkFilenames(*rs), expected);
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
