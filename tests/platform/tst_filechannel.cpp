#include "platform/core/FileChannel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestFileChannel : public QObject
{
    Q_OBJECT

private slots:
    void writesAppendsAndReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("cat.txt");
        FileChannel channel;
        QString error;
        QVERIFY2(channel.open(path, FileChannel::Mode::Output, &error), qPrintable(error));
        QCOMPARE(channel.path(), path);
        QVERIFY(channel.write("one\r\n", &error));
        QVERIFY(channel.close(&error));
        QVERIFY(!channel.isOpen());
        QVERIFY(channel.open(path, FileChannel::Mode::Append, &error));
        QVERIFY(channel.write("two\r\n", &error));
        QVERIFY(channel.close());
        QVERIFY(channel.open(path, FileChannel::Mode::Input, &error));
        QCOMPARE(channel.size(), 10);
        char buffer[64];
        QCOMPARE(channel.read(buffer, 4), 4);
        QCOMPARE(QByteArray(buffer, 4), QByteArray("one\r"));
        QCOMPARE(channel.read(buffer, sizeof buffer), 6);
        QCOMPARE(channel.read(buffer, sizeof buffer), 0);
        // Writing on an input channel is refused.
        QVERIFY(!channel.write("x", &error));
        QCOMPARE(error, QString("Bad file mode"));
        channel.close();
        QVERIFY(channel.open(path, FileChannel::Mode::Output));
        QVERIFY(channel.close());
        QCOMPARE(QFileInfo(path).size(), 0); // Output starts afresh
    }

    void secondOpenFailsWhileInUse_data()
    {
        QTest::addColumn<int>("firstMode");
        QTest::addColumn<int>("secondMode");
        QTest::newRow("write then read") << int(FileChannel::Mode::Output)
                                         << int(FileChannel::Mode::Input);
        QTest::newRow("append then read") << int(FileChannel::Mode::Append)
                                          << int(FileChannel::Mode::Input);
        QTest::newRow("read then write") << int(FileChannel::Mode::Input)
                                         << int(FileChannel::Mode::Output);
    }
    void secondOpenFailsWhileInUse()
    {
        QFETCH(int, firstMode);
        QFETCH(int, secondMode);
        QTemporaryDir dir;
        const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt");
        for (const QString& p : {a, b}) {
            QFile f(p);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("1\tx\t1\r\n");
        }
        FileChannel channel;
        QVERIFY(channel.open(a, FileChannel::Mode(firstMode)));
        QString error;
        QVERIFY(!channel.open(b, FileChannel::Mode(secondMode), &error));
        QCOMPARE(error, QString("File already open"));
        // The channel still holds the first file.
        QCOMPARE(channel.path(), a);
        QVERIFY(channel.close());
        QVERIFY(channel.open(b, FileChannel::Mode(secondMode), &error));
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing.txt" << int(FileChannel::Mode::Input) << "not found";
        QTest::newRow("folder") << "sub" << int(FileChannel::Mode::Input) << "folder";
        QTest::newRow("folder for writing") << "sub" << int(FileChannel::Mode::Output)
                                            << "folder";
        QTest::newRow("empty name") << "" << int(FileChannel::Mode::Input) << "Bad file name";
        QTest::newRow("missing parent") << "nowhere/x.txt" << int(FileChannel::Mode::Output)
                                        << "Cannot open";
    }
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        FileChannel channel;
        QString error;
        QVERIFY(!channel.open(name.isEmpty() ? name : dir.filePath(name), FileChannel::Mode(mode),
                              &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(!channel.isOpen());
        QCOMPARE(channel.size(), -1);
        QVERIFY(channel.close()); // closing an unopened channel does nothing
    }

    void closerFreesTheChannel()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("c.txt");
        FileChannel channel;
        {
            QVERIFY(channel.open(path, FileChannel::Mode::Output));
            FileChannelCloser closer(channel);
            channel.write("abc");
        }
        QVERIFY(!channel.isOpen());
        QCOMPARE(QFileInfo(path).size(), 3);
        {
            QVERIFY(channel.open(path, FileChannel::Mode::Input));
            FileChannelCloser closer(channel);
            closer.release();
        }
        QVERIFY(channel.isOpen());
        channel.close();
        QVERIFY(&FileChannel::instance() == &FileChannel::instance());
    }
};

QTEST_GUILESS_MAIN(TestFileChannel)
#include "tst_filechannel.moc"
