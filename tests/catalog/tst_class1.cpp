#include "catalog/CatalogLine.h"
#include "catalog/Class1.h"
#include "platform/core/FileChannel.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(Rows)

namespace {

const QByteArray kWorkedExample = "3\tD:\\Photos\\beach.jpg\t48213\r\n"
                                  "3\tD:\\Photos\\notes.txt\t1024\r\n";

Rows rowsOf(const CatalogTablePtr& rs)
{
    Rows rows;
    if (!rs)
        return rows;
    for (qint64 r = 0; r < rs->recordCount(); ++r)
        rows << QStringList{rs->valueAt(r, 0), rs->valueAt(r, 1), rs->valueAt(r, 2)};
    return rows;
}

QByteArray readBack(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One 50 MB line: a numeric first field, then a file name far too long for its field.
QByteArray fiftyMegabyteLine()
{
    return "1\t/" + QByteArray(50 * 1000 * 1000, 'a') + "\t1";
}

} // namespace

class TestClass1 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("cat%1.txt").arg(++m_files));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // A catalog of more than one 4 MiB read whose padded line has its CR at crAt: a CR that
    // ends one read and the LF that opens the next are one line end; lines that span reads
    // come out whole.
    static void addReadBoundaryRow(const char* row, int crAt)
    {
        QByteArray bytes;
        Rows rows;
        for (int n = 0; bytes.size() < crAt - 60; ++n) {
            const QString name = QStringLiteral("/data/%1/file.bin").arg(n, 40, 10, QChar('0'));
            bytes += CatalogLine::format(u"1", name, n);
            rows << QStringList{"1", name, QString::number(n)};
        }
        const QByteArray pad(crAt - int(bytes.size()) - 9, 'p');
        bytes += "2\t/pad/" + pad + "\t9\r\n3\tlast\t0";
        QCOMPARE(bytes.indexOf('\r', crAt - 5), qsizetype(crAt));
        rows << QStringList{"2", "/pad/" + QString::fromLatin1(pad), "9"}
             << QStringList{"3", "last", "0"};
        QTest::newRow(row) << bytes << rows << QString();
    }

    // A source on a channel of its own that records every OpenError message; one raised while
    // the channel is still in use is recorded as "channel still open".
    struct Source
    {
        FileChannel channel;
        Class1 source{channel};
        QStringList errors;
        Source()
        {
            connect(&source, &Class1::OpenError, &source, [this](const QString& message) {
                errors << (channel.isOpen() ? QStringLiteral("channel still open") : message);
            });
        }
    };

private slots:
    void validateChecksTheFirstLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // empty: passes
        const QString incorrect = Class1::kIncorrectFormat;
        QTest::newRow("worked example") << kWorkedExample << QString();
        QTest::newRow("no line end") << QByteArray("3\ta\t1") << QString();
        QTest::newRow("blanks around index") << QByteArray(" 12 \ta\t1\r\n") << QString();
        QTest::newRow("only first line counts") << QByteArray("1\ta\t1\r\nbad\r\n") << QString();
        QTest::newRow("50 MB line") << fiftyMegabyteLine() << QString();
        QTest::newRow("Windows-1252 name") << QByteArray("4\tD:\\\xE9t\xE9\t1\r\n") << QString();
        QTest::newRow("empty file") << QByteArray() << QString(Class1::kPreviouslyCreatedIncorrect);
        QTest::newRow("heading line")
            << QByteArray("Index\tFilename\tSize (bytes)\r\n1\ta\t1\r\n") << incorrect;
        QTest::newRow("no tab") << QByteArray("3 D:\\a 12\r\n1\ta\t1\r\n") << incorrect;
        QTest::newRow("tab after lone CR") << QByteArray("3\r\t1") << incorrect;
        QTest::newRow("empty index") << QByteArray("\ta\t1\r\n") << incorrect;
        QTest::newRow("quoted index") << QByteArray("\"3\"\ta\t1\r\n") << incorrect;
        QTest::newRow("NUL bytes") << QByteArray("\0\0\t\0\r\n", 6) << incorrect;
        QTest::newRow("binary garbage")
            << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << incorrect;
        QTest::newRow("2 MiB without line end") << QByteArray(2 << 20, 'x') << incorrect;
    }
    void validateChecksTheFirstLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = writeFile(bytes);
        Source s;
        QString failure;
        QCOMPARE(s.source.Validate(path, &failure), message.isEmpty() ? VbTrue : VbFalse);
        QCOMPARE(s.errors, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(failure.isEmpty() && !s.source.rsCustomers && s.source.currentfile.isEmpty());
        QVERIFY(!s.channel.isOpen());
        QCOMPARE(readBack(path), bytes);
    }

    void populateSplitsEveryLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("error"); // empty: no OpenError
        QTest::newRow("worked example")
            << kWorkedExample
            << Rows{{"3", "D:\\Photos\\beach.jpg", "48213"}, {"3", "D:\\Photos\\notes.txt", "1024"}}
            << QString();
        QTest::newRow("empty file") << QByteArray() << Rows{} << QString();
        QTest::newRow("mixed line ends")
            << QByteArray("1\ta\t1\r\n2\tb\t2\n3\tc\t3\r4\td\t4")
            << Rows{{"1", "a", "1"}, {"2", "b", "2"}, {"3", "c", "3"}, {"4", "d", "4"}}
            << QString();
        QTest::newRow("empty lines") << QByteArray("\n\r\n\r")
                                     << Rows{{"", "", ""}, {"", "", ""}, {"", "", ""}} << QString();
        QTest::newRow("LF CR is two ends")
            << QByteArray("1\ta\t1\n\r") << Rows{{"1", "a", "1"}, {"", "", ""}} << QString();
        QTest::newRow("heading line loads") << QByteArray("Index\tFilename\tSize\r\n")
                                            << Rows{{"Index", "Filename", "Size"}} << QString();
        QTest::newRow("short line fills all")
            << QByteArray("1\ta\t1\r\nab\r\n") << Rows{{"1", "a", "1"}, {"ab", "ab", "ab"}}
            << QString();
        QTest::newRow("quoted and half-quoted")
            << QByteArray("1\t\"/a b\"\t7\r\n2\t\"/cd\t8\r\n\"3\"\tx\t\"9\"\r\n")
            << Rows{{"1", "/a b", "7"}, {"2", "/c", "8"}, {"3", "x", "9"}} << QString();
        QTest::newRow("NUL bytes kept")
            << QByteArray("1\ta\0b\t3\r\n", 9) << Rows{{"1", QString::fromUtf8("a\0b", 3), "3"}}
            << QString();
        QTest::newRow("Windows-1252 decoded")
            << QByteArray("1\t/\xE9t\xE9 \x80\x9F\t1\r\n")
            << Rows{{"1", QString::fromUtf8("/été €Ÿ"), "1"}} << QString();
        QTest::newRow("undefined 1252 bytes")
            << QByteArray("1\t\x81\x8D\x8F\x90\x9D\t1\r\n")
            << Rows{{"1", QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"), "1"}} << QString();
        QTest::newRow("overlong UTF-8 is 1252")
            << QByteArray("1\t\xC0\xAF\t1\r\n") << Rows{{"1", "À¯", "1"}} << QString();
        QTest::newRow("long line without tab stops")
            << QByteArray("1\ta\t1\r\nabcdef\r\n4\td\t4\r\n") << Rows{{"1", "a", "1"}}
            << "The value for field 'Index' is longer than its width of 5 characters";
        QTest::newRow("two parts with long size stops")
            << QByteArray("1\t") + QByteArray(31, 'n') + "\r\n"
            << Rows{}
            << "The value for field 'Size (bytes)' is longer than its width of 30 characters";
        QTest::newRow("lone quote stops")
            << QByteArray("1\ta\t1\r\n2\t\"\t2\r\n3\tc\t3\r\n") << Rows{{"1", "a", "1"}}
            << "Invalid procedure call or argument";
        QTest::newRow("filename at the width")
            << QByteArray("1\t") + QByteArray(32767, 'f') + "\t1\r\n"
            << Rows{{"1", QString(32767, 'f'), "1"}} << QString();
        QTest::newRow("filename over the width")
            << QByteArray("1\ta\t1\r\n1\t") + QByteArray(32768, 'f') + "\t1\r\n"
            << Rows{{"1", "a", "1"}}
            << "The value for field 'Filename' is longer than its width of 32767 characters";
        addReadBoundaryRow("CR last byte of a read", (4 << 20) - 1);
        addReadBoundaryRow("CR first byte of a read", 4 << 20);
        addReadBoundaryRow("CR LF last bytes of a read", (4 << 20) - 2);
        QTest::newRow("UTF-8 and a 64-bit size")
            << QByteArray("99999\t/\xc3\xa9t\xc3\xa9/\xe4\xb8\xad.img\t5368709120\r\n")
            << Rows{{"99999", "/été/中.img", "5368709120"}} << QString();
        QTest::newRow("50 MB line stops")
            << fiftyMegabyteLine() << Rows{}
            << "The value for field 'Filename' is longer than its width of 32767 characters";
    }
    void populateSplitsEveryLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, rows);
        QFETCH(QString, error);
        const QString path = writeFile(bytes);
        Source s; // errors are raised before Populate returns, with the channel already free
        s.source.Populate(path);
        QCOMPARE(s.errors, error.isEmpty() ? QStringList() : QStringList{error});
        QCOMPARE(s.source.currentfile, path);
        const CatalogTablePtr rs = s.source.rsCustomers;
        QVERIFY(rs && !rs->isAdding());
        QCOMPARE(rowsOf(rs), rows);
        QCOMPARE(rs->currentRow(), rows.isEmpty() ? -1 : 0); // the first is current
        QVERIFY(!s.channel.isOpen());
        QCOMPARE(readBack(path), bytes);
    }

    void unopenableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing") << "missing.txt" << "File not found";
        QTest::newRow("directory") << "folder" << "is a folder";
    }
    void unopenableFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, description);
        QDir(m_dir.path()).mkpath("folder");
        const QString path = m_dir.filePath(name);
        FileChannel channel;
        Class1 source(channel);
        QSignalSpy errors(&source, &Class1::OpenError);
        // Validate fails the call itself.
        QString failure;
        QCOMPARE(source.Validate(path, &failure), VbFalse);
        QVERIFY2(failure.contains(description), qPrintable(failure));
        QCOMPARE(errors.count(), 0);
        // Populate reports it: a new source keeps no record set, a loaded one keeps its own.
        source.Populate(path);
        QVERIFY(!source.rsCustomers);
        source.Populate(writeFile(kWorkedExample)); // the channel is free again at once
        const CatalogTablePtr earlier = source.rsCustomers;
        source.Populate(path);
        QCOMPARE(errors.count(), 2);
        QVERIFY(errors.at(1).at(0).toString().contains(description));
        QCOMPARE(source.currentfile, path);
        QCOMPARE(source.rsCustomers, earlier);
        QCOMPARE(rowsOf(earlier).size(), 2);
        QVERIFY(!channel.isOpen());
    }

    // While a capture holds the program's channel, no catalog can be read; afterwards at once.
    void busyChannel()
    {
        const QString catalog = writeFile(kWorkedExample);
        FileChannel& program = FileChannel::instance();
        QVERIFY(program.open(m_dir.filePath("capture.txt"), FileChannel::Mode::Output));
        Class1 source;
        QSignalSpy errors(&source, &Class1::OpenError);
        QString failure;
        QCOMPARE(source.Validate(catalog, &failure), VbFalse);
        QCOMPARE(failure, QString("File already open"));
        QCOMPARE(errors.count(), 0);
        source.Populate(catalog);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), QString("File already open"));
        QVERIFY(!source.rsCustomers);
        // The capture's file is still the one open.
        QCOMPARE(program.path(), m_dir.filePath("capture.txt"));
        QVERIFY(program.close());
        source.Populate(catalog);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(rowsOf(source.rsCustomers).size(), 2);
        QVERIFY(!program.isOpen());
    }

    void dataMemberAndProperFileType()
    {
        Class1 source;
        QVERIFY(!source.GetDataMember(QString()));
        source.setProperFileType(true);
        const QString path = writeFile(kWorkedExample);
        source.Validate(path);
        source.Populate(path);
        QVERIFY(source.rsCustomers);
        QCOMPARE(source.GetDataMember(QString()), source.rsCustomers);
        QCOMPARE(source.GetDataMember("anything"), source.rsCustomers);
        QVERIFY(source.ProperFileType()); // Validate and Populate leave the flag alone
    }
};

QTEST_GUILESS_MAIN(TestClass1)
#include "tst_class1.moc"
