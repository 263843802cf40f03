#include "catalog/CatalogLine.h"

#include <QDir>
#include <QTest>

static QByteArray hex(const char* spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

class TestCatalogLine : public QObject
{
    Q_OBJECT

private slots:
    // The worked examples of the format, byte for byte (Windows paths as plain data).
    void formatWritesTheWorkedExamples_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("beach") << "3" << "D:\\Photos\\" << "beach.jpg" << qint64(48213)
                               << hex("33 09 44 3A 5C 50 68 6F 74 6F 73 5C 62 65 61 63 68 2E 6A "
                                      "70 67 09 34 38 32 31 33 0D 0A");
        QTest::newRow("notes") << "3" << "D:\\Photos\\" << "notes.txt" << qint64(1024)
                               << hex("33 09 44 3A 5C 50 68 6F 74 6F 73 5C 6E 6F 74 65 73 2E 74 "
                                      "78 74 09 31 30 32 34 0D 0A");
        QTest::newRow("root") << "12" << "A:\\" << "readme.txt" << qint64(523)
                              << hex("31 32 09 41 3A 5C 72 65 61 64 6D 65 2E 74 78 74 09 35 32 33 "
                                     "0D 0A");
        QTest::newRow("5 GiB") << "1" << "/" << "disk.img" << qint64(5368709120)
                               << QByteArray("1\t/disk.img\t5368709120\r\n");
        QTest::newRow("UTF-8 name") << "2" << "/srv/" << "été.txt" << qint64(0)
                                    << QByteArray("2\t/srv/\xC3\xA9t\xC3\xA9.txt\t0\r\n");
    }
    void formatWritesTheWorkedExamples()
    {
        QFETCH(QString, index);
        QFETCH(QString, prefix);
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(QByteArray, bytes);
        QCOMPARE(CatalogLine::format(index, prefix + name, size), bytes);
    }

    void folderPrefixAddsOneSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        const QString sep = QDir::separator();
        QTest::newRow("root") << "/" << "/";
        QTest::newRow("folder") << "/home/ann" << "/home/ann" + sep;
        QTest::newRow("folder with slash") << "/home/ann/" << "/home/ann/";
        QTest::newRow("short folder") << "/a" << "/a" + sep;
        QTest::newRow("empty") << "" << "";
    }
    void folderPrefixAddsOneSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(CatalogLine::folderPrefix(folder), expected);
    }

    void writableNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("writable");
        QTest::newRow("plain") << "a b.txt" << true;
        QTest::newRow("quotes") << "\"q\".txt" << true;
        QTest::newRow("tab") << "a\tb" << false;
        QTest::newRow("cr") << "a\rb" << false;
        QTest::newRow("lf") << "a\nb" << false;
    }
    void writableNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, writable);
        QCOMPARE(CatalogLine::isWritableName(name), writable);
    }

    void splitFollowsTheSteps_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArrayList>("fields");
        QTest::newRow("three parts") << QByteArray("3\tD:\\Photos\\beach.jpg\t48213")
                                     << QByteArrayList{"3", "D:\\Photos\\beach.jpg", "48213"};
        QTest::newRow("more parts ignored") << QByteArray("1\ta\t2\textra\tmore")
                                            << QByteArrayList{"1", "a", "2"};
        QTest::newRow("two parts") << QByteArray("1\tname")
                                   << QByteArrayList{"1", "name", "name"};
        QTest::newRow("no tab") << QByteArray("hello") << QByteArrayList{"hello", "hello", "hello"};
        QTest::newRow("empty") << QByteArray() << QByteArrayList{"", "", ""};
        QTest::newRow("empty fields") << QByteArray("\t\t") << QByteArrayList{"", "", ""};
        QTest::newRow("quoted name") << QByteArray("1\t\"/a b\"\t7")
                                     << QByteArrayList{"1", "/a b", "7"};
        QTest::newRow("half-quoted loses last") << QByteArray("1\t\"/abc\t7")
                                                << QByteArrayList{"1", "/ab", "7"};
        QTest::newRow("two quotes") << QByteArray("\"\"\tx\ty") << QByteArrayList{"", "x", "y"};
        QTest::newRow("quote inside kept") << QByteArray("1\ta\"b\t2")
                                           << QByteArrayList{"1", "a\"b", "2"};
        QTest::newRow("quoted multibyte end") << QByteArray("1\t\"caf\xC3\xA9\t2")
                                              << QByteArrayList{"1", "caf", "2"};
        QTest::newRow("quoted no tab") << QByteArray("\"12\"") << QByteArrayList{"12", "12", "12"};
        QTest::newRow("NUL bytes") << QByteArray("1\ta\0b\t3", 7)
                                   << QByteArrayList{"1", QByteArray("a\0b", 3), "3"};
    }
    void splitFollowsTheSteps()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArrayList, fields);
        const CatalogLine::Split parts = CatalogLine::split(line);
        QVERIFY(parts.ok);
        QCOMPARE(parts.count, 3);
        for (int f = 0; f < 3; ++f)
            QCOMPARE(parts.fields[size_t(f)].toByteArray(), fields[f]);
    }

    void loneQuoteFails_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("count");
        QTest::newRow("index") << QByteArray("\"\ta\tb") << 0;
        QTest::newRow("filename") << QByteArray("1\t\"\t3") << 1;
        QTest::newRow("size") << QByteArray("1\ta\t\"") << 2;
        QTest::newRow("two parts") << QByteArray("1\t\"") << 1;
        QTest::newRow("whole line") << QByteArray("\"") << 0;
    }
    void loneQuoteFails()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, count);
        const CatalogLine::Split parts = CatalogLine::split(line);
        QVERIFY(!parts.ok);
        QCOMPARE(parts.count, count);
        QCOMPARE(QString(CatalogLine::kInvalidArgument),
                 QString("Invalid procedure call or argument"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogLine)
#include "tst_catalogline.moc"
