#include "platform/core/FileChannel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Mode = FileChannel::Mode;

class TestFileChannel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void writesAppendsAndReadsBack()
    {
        const QString path = m_dir.filePath("cat.txt");
        FileChannel channel;
        QString error;
        QVERIFY2(channel.open(path, Mode::Output, &error), qPrintable(error));
        QVERIFY(channel.write("one\r\n", &error));
        QVERIFY(channel.close(&error));
        QVERIFY(!channel.isOpen());
        QVERIFY(channel.open(path, Mode::Append, &error));
        QVERIFY(channel.write("two\r\n", &error));
        QVERIFY(channel.close());
        QVERIFY(channel.open(path, Mode::Input, &error));
        QCOMPARE(channel.size(), 10);
        char buffer[64];
        QCOMPARE(channel.read(buffer, 4), 4);
        QCOMPARE(QByteArray(buffer, 4), QByteArray("one\r"));
        QCOMPARE(channel.read(buffer, sizeof buffer), 6);
        QCOMPARE(channel.read(buffer, sizeof buffer), 0);
        QVERIFY(!channel.write("x", &error)); // not on an input channel
        QCOMPARE(error, QString("Bad file mode"));
        channel.close();
        QVERIFY(channel.open(path, Mode::Output));
        QVERIFY(channel.close());
        QCOMPARE(QFileInfo(path).size(), 0); // Output starts afresh
    }

    // While in use, any second open fails; the channel keeps its file and frees it on close.
    void secondOpenFailsWhileInUse()
    {
        const QString a = m_dir.filePath("a.txt"), b = m_dir.filePath("b.txt");
        const std::pair<Mode, Mode> cases[] = {
            {Mode::Output, Mode::Input}, {Mode::Append, Mode::Input}, {Mode::Input, Mode::Output}};
        FileChannel channel;
        for (const QString& path : {a, b})
            QVERIFY(channel.open(path, Mode::Output) && channel.close());
        for (const auto& [first, second] : cases) {
            QVERIFY(channel.open(a, first));
            QString error;
            QVERIFY(!channel.open(b, second, &error));
            QCOMPARE(error, QString("File already open"));
            QCOMPARE(channel.path(), a);
            QVERIFY(channel.close());
            QVERIFY(channel.open(b, second, &error));
            QVERIFY(channel.close());
        }
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing.txt" << Mode::Input << "not found";
        QTest::newRow("folder") << "sub" << Mode::Input << "folder";
        QTest::newRow("folder for writing") << "sub" << Mode::Output << "folder";
        QTest::newRow("empty name") << "" << Mode::Input << "Bad file name";
        QTest::newRow("missing parent") << "nowhere/x.txt" << Mode::Output << "Cannot open";
    }
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(Mode, mode);
        QFETCH(QString, expected);
        QDir(m_dir.path()).mkpath("sub");
        FileChannel channel;
        QString error;
        QVERIFY(!channel.open(name.isEmpty() ? name : m_dir.filePath(name), mode, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(!channel.isOpen());
        QCOMPARE(channel.size(), -1);
        QVERIFY(channel.close()); // closing an unopened channel does nothing
    }

    void closerFreesTheChannel()
    {
        const QString path = m_dir.filePath("c.txt");
        FileChannel channel;
        {
            QVERIFY(channel.open(path, Mode::Output));
            FileChannelCloser closer(channel);
            channel.write("abc");
        }
        QVERIFY(!channel.isOpen());
        QCOMPARE(QFileInfo(path).size(), 3);
        {
            QVERIFY(channel.open(path, Mode::Input));
            FileChannelCloser closer(channel);
            closer.release();
        }
        QVERIFY(channel.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestFileChannel)
#include "tst_filechannel.moc"
