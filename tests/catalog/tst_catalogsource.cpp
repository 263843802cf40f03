#include "catalog/CatalogReader.h"
#include "catalog/CatalogSource.h"
#include "platform/core/FileChannel.h"
#include "support/FailingFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(Rows)

namespace {

const QByteArray kWorkedExample = "3\tD:\\Photos\\beach.jpg\t48213\r\n"
                                  "3\tD:\\Photos\\notes.txt\t1024\r\n";

Rows rowsOf(const CatalogTable& rs)
{
    Rows rows;
    for (qint64 r = 0; r < rs.recordCount(); ++r)
        rows << QStringList{rs.valueAt(r, 0), rs.valueAt(r, 1), rs.valueAt(r, 2)};
    return rows;
}

} // namespace

class TestCatalogSource : public QObject
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
    void validateChecksTheFirstLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // empty: passes
        const QString incorrect = CatalogSource::kIncorrectFormat;
        QTest::newRow("worked example") << kWorkedExample << QString();
        QTest::newRow("no line end") << QByteArray("3\ta\t1") << QString();
        QTest::newRow("blanks around index") << QByteArray(" 12 \ta\t1\r\n") << QString();
        // Longer than the 1 MiB the check reads of a first line, index and TAB well inside it.
        QTest::newRow("2 MiB line") << "1\t/" + QByteArray(2 << 20, 'a') + "\t1" << QString();
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" "1\t\xE9\t1\r\n") << QString();
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
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("error"); // empty: no failure
        QTest::newRow("worked example")
            << kWorkedExample
            << Rows{{"3", "D:\\Photos\\beach.jpg", "48213"}, {"3", "D:\\Photos\\notes.txt", "1024"}}
            << QString();
        QTest::newRow("NUL bytes kept")
            << QByteArray("1\ta\0b\t3\r\n", 9) << Rows{{"1", QString::fromUtf8("a\0b", 3), "3"}}
            << QString();
        QTest::newRow("overlong UTF-8 is 1252")
            << QByteArray("1\t\xC0\xAF\t1\r\n") << Rows{{"1", "À¯", "1"}} << QString();
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
        // Every way of ending a line and of splitting one, over a stretch long enough to be
        // parsed on two cores.
        const QByteArray block = "2\t\"q\"\t7\r\n3\ta\t5\tx\nword\r4\tonly\r\n5\tcaf\xE9\t1\n"
                                 "6\tcaf\xC3\xA9\t2\r\r\n";
        const Rows blockRows{{"2", "q", "7"},           {"3", "a", "5"},    {"word", "word", "word"},
                             {"4", "only", "only"},     {"5", "café", "1"}, {"6", "café", "2"},
                             {"", "", ""}};
        QTest::newRow("awkward lines once") << block << blockRows << QString();
        Rows manyRows;
        for (int i = 0; i < 20000; ++i)
            manyRows += blockRows;
        QTest::newRow("awkward lines, 1.3 MB") << block.repeated(20000) << manyRows << QString();
    }
    void populateSplitsEveryLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, rows);
        QFETCH(QString, error);
        const QString path = writeFile(bytes);
        Source s; // errors are raised before load returns, with the channel already free
        s.source.load(path);
        QCOMPARE(s.errors, error.isEmpty() ? QStringList() : QStringList{error});
        QCOMPARE(s.source.path(), path);
        const CatalogTablePtr rs = s.source.records();
        QVERIFY(rs && !rs->isAdding());
        QCOMPARE(rowsOf(*rs), rows);
        QCOMPARE(rs->currentRow(), rows.isEmpty() ? -1 : 0); // the first is current
        QVERIFY(!s.channel.isOpen());
        // Where the reads end does not matter.
        for (const qint64 piece : {1, 2, 3, 7, 4096}) {
            if (piece < 16 && bytes.size() > 100000)
                continue;
            QVERIFY(s.channel.open(path, FileChannel::Mode::Input));
            CatalogTable table;
            QString failure;
            QCOMPARE(readCatalog(s.channel, table, &failure, piece), error.isEmpty());
            s.channel.close();
            QCOMPARE(failure, error);
            QCOMPARE(rowsOf(table), rows);
        }
    }

    // A read error names the file and the cause and keeps the records read before it (the
    // window's tests own the loads that leave the shown catalog as it was).
    void readErrorKeepsWhatWasRead()
    {
        const QString path = writeFile(kWorkedExample + kWorkedExample);
        FileChannel channel;
        channel.setFileFactory([](const QString& opened) { // fails in the second record
            return std::make_unique<FailingFile>(opened, FailingFile::Fault::Read, 40,
                                                 QStringLiteral("Input/output error"));
        });
        CatalogSource source(channel);
        QSignalSpy errors(&source, &CatalogSource::failed);
        source.load(path);
        QCOMPARE(errors.count(), 1);
        const QString message = errors.at(0).at(0).toString();
        QVERIFY2(message.contains("Input/output error") && message.contains(path), qPrintable(message));
        QCOMPARE(rowsOf(*source.records()), (Rows{{"3", "D:\\Photos\\beach.jpg", "48213"}}));
        QVERIFY(!channel.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestCatalogSource)
#include "tst_catalogsource.moc"
