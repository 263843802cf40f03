#include "platform/core/FileChannel.h"
#include "support/FailingFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Mode = FileChannel::Mode;
using Fault = FailingFile::Fault;
Q_DECLARE_METATYPE(Fault)

namespace {
QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
} // namespace

class TestFileChannel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // Input refuses writing; Output starts afresh; while in use a second open fails and the
    // channel keeps its file.
    void modesAndASecondOpen()
    {
        const QString path = m_dir.filePath("cat.txt"), other = m_dir.filePath("other.txt");
        FileChannel channel;
        QString error;
        QVERIFY(channel.open(path, Mode::Output) && channel.write("one\r\n") && channel.close());
        QVERIFY(channel.open(path, Mode::Input));
        QVERIFY(!channel.write("x", &error));
        QCOMPARE(error, QString("Bad file mode"));
        QVERIFY(!channel.open(other, Mode::Output, &error));
        QCOMPARE(error, QString("File already open"));
        QCOMPARE(channel.path(), path);
        QVERIFY(channel.close());
        QVERIFY(!QFile::exists(other));
        QVERIFY(channel.open(path, Mode::Output) && channel.close());
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing.txt" << Mode::Input << "not found";
        QTest::newRow("folder") << "sub" << Mode::Input << "folder";
        QTest::newRow("empty name") << "" << Mode::Input << "Bad file name";
        // Opening these would block for good or never reach an end.
        QTest::newRow("named pipe") << "pipe.txt" << Mode::Input << "not a regular file";
        QTest::newRow("device") << "/dev/zero" << Mode::Input << "not a regular file";
    }
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(Mode, mode);
        QFETCH(QString, expected);
        QDir(m_dir.path()).mkpath("sub");
        ::mkfifo(QFile::encodeName(m_dir.filePath("pipe.txt")).constData(), 0600);
        FileChannel channel;
        QString error;
        const QString path = name.isEmpty() || name.startsWith('/') ? name : m_dir.filePath(name);
        QVERIFY(!channel.open(path, mode, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(!channel.isOpen());
        QVERIFY(channel.close()); // closing an unopened channel does nothing
    }

    // What a capture leaves in its catalog, byte for byte, when appending to lines of any
    // ending and when the disk fails at any point: whole lines only, never one glued to another,
    // nothing that was already there changed.
    void writesLeaveWholeLines_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file yet
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Fault>("fault"); // Read: no fault at all
        QTest::addColumn<qint64>("after");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("failure");

        const QByteArray a = "1\t/a\t10\r\n", b = "1\t/bb\t20\r\n";
        const QByteArrayList ab{a, b};
        const QString full = "No space left on device";
        QTest::newRow("append after a last line without line end")
            << QByteArray("1\t/x\t1") << Mode::Append << Fault::Read << 0ll << ab
            << "1\t/x\t1\r\n" + a + b << QString();
        QTest::newRow("append after a lone CR") << QByteArray("1\t/x\t1\r") << Mode::Append
                                                << Fault::Read << 0ll << ab
                                                << "1\t/x\t1\r" + a + b << QString();
        QTest::newRow("append to an empty file") << QByteArray("") << Mode::Append << Fault::Read
                                                 << 0ll << ab << a + b << QString();
        QTest::newRow("disk full in the second line") << QByteArray() << Mode::Output
                                                      << Fault::Write << 12ll << ab << a << full;
        QTest::newRow("disk full right after a line end")
            << QByteArray() << Mode::Output << Fault::Write << qint64(a.size()) << ab << a << full;
        QTest::newRow("disk full while appending") << QByteArray("1\t/x\t1\r\n") << Mode::Append
                                                   << Fault::Write << 4ll << ab
                                                   << QByteArray("1\t/x\t1\r\n") << full;
        QTest::newRow("disk full while ending the last line")
            << QByteArray("1\t/x\t1") << Mode::Append << Fault::Write << 1ll << ab
            << QByteArray("1\t/x\t1") << full;
        QTest::newRow("reopen refused") << QByteArray("1\t/x\t1\r\n") << Mode::Append
                                        << Fault::Open << 0ll << ab << QByteArray("1\t/x\t1\r\n")
                                        << full;
        // More than one piece: the failure strikes inside write(), not at close.
        QByteArrayList many;
        QByteArray manyBytes;
        for (int i = 0; i < 9000; ++i) {
            many << QByteArray("7\t/disk/file-") + QByteArray::number(i) + "\t123\r\n";
            manyBytes += many.last();
        }
        const qint64 cutAt = 70001;
        QTest::newRow("disk full in a later piece")
            << QByteArray() << Mode::Output << Fault::Write << cutAt << many
            << manyBytes.left(manyBytes.lastIndexOf('\n', cutAt - 1) + 1) << full;
    }
    void writesLeaveWholeLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(Mode, mode);
        QFETCH(Fault, fault);
        QFETCH(qint64, after);
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArray, expected);
        QFETCH(QString, failure);

        const QString path = m_dir.filePath("catalog.txt");
        QFile::remove(path);
        if (!before.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        }
        FileChannel channel;
        if (fault != Fault::Read)
            channel.setFileFactory([=](const QString& name) {
                return std::make_unique<FailingFile>(name, fault, after);
            });
        // The first failure is the one reported; writing goes on as a walk would until it stops.
        QString error, first;
        if (!channel.open(path, mode, &first) && first.isEmpty())
            first = "open failed without a reason";
        for (const QByteArray& line : lines) {
            if (channel.isOpen() && !channel.write(line, &error) && first.isEmpty())
                first = error;
        }
        if (!channel.close(&error) && first.isEmpty())
            first = error;
        QCOMPARE(first.isEmpty(), failure.isEmpty());
        QVERIFY2(first.contains(failure), qPrintable(first));
        QCOMPARE(contents(path), expected);
        QVERIFY(!channel.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestFileChannel)
#include "tst_filechannel.moc"
