#include "platform/core/FileChannel.h"
#include "support/DataColumns.h"
#include "support/FailingFile.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

using Mode = FileChannel::Mode;
using Fault = FailingFile::Fault;
Q_DECLARE_METATYPE(Fault)

class TestFileChannel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // Input refuses writing; Output starts afresh. (A second open while in use is the capture
    // window's busy-channel test.)
    void modes()
    {
        const QString path = m_dir.filePath("cat.txt");
        FileChannel channel;
        QString error;
        QVERIFY(channel.open(path, Mode::Output) && channel.write("one\r\n") && channel.close());
        QVERIFY(channel.open(path, Mode::Input));
        QVERIFY(!channel.write("x", &error));
        QCOMPARE(error, QString("Bad file mode"));
        QVERIFY(channel.close());
        QVERIFY(channel.open(path, Mode::Output) && channel.close());
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void openFailures_data()
    {
        addColumns<QString, QString>({"name", "expected"});
        QTest::newRow("missing") << "missing.txt" << "not found";
        QTest::newRow("folder") << "sub" << "folder";
        QTest::newRow("empty name") << "" << "Bad file name";
        // Opening these would block for good or never reach an end.
        QTest::newRow("named pipe") << "pipe.txt" << "not a regular file";
        QTest::newRow("device") << "/dev/zero" << "not a regular file";
    }
    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QDir(m_dir.path()).mkpath("sub");
        ::mkfifo(QFile::encodeName(m_dir.filePath("pipe.txt")).constData(), 0600);
        FileChannel channel;
        QString error;
        const QString path = name.isEmpty() || name.startsWith('/') ? name : m_dir.filePath(name);
        QVERIFY(!channel.open(path, Mode::Input, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(!channel.isOpen());
        QVERIFY(channel.close()); // closing an unopened channel does nothing
    }

    // What a capture leaves in its catalog, byte for byte, when appending to lines of any
    // ending and when the disk fails at any point: whole lines only, never one glued to another,
    // nothing that was already there changed.
    // (The capture window's tests fill the disk in a later piece of a long catalog.)
    void writesLeaveWholeLines_data()
    {
        // before: null: no file yet; fault: Read for no fault at all, after: bytes before it
        // pairs: how many times the lines a and b are written
        addColumns<QByteArray, Mode, Fault, qint64, QByteArray, int>(
            {"before", "mode", "fault", "after", "expected", "pairs"});
        const QByteArray a = "1\t/a\t10\r\n", b = "1\t/bb\t20\r\n", unended = "1\t/x\t1";
        QTest::newRow("append after a last line without line end")
            << unended << Mode::Append << Fault::Read << 0ll << unended + "\r\n" + a + b << 1;
        QTest::newRow("append after a lone CR")
            << unended + "\r" << Mode::Append << Fault::Read << 0ll << unended + "\r" + a + b << 1;
        QTest::newRow("append to a byte-order mark alone")
            << QByteArray("\xEF\xBB\xBF") << Mode::Append << Fault::Read << 0ll
            << "\xEF\xBB\xBF" + a + b << 1;
        QTest::newRow("append to an empty file")
            << QByteArray("") << Mode::Append << Fault::Read << 0ll << a + b << 1;
        QTest::newRow("disk full in the second line")
            << QByteArray() << Mode::Output << Fault::Write << 12ll << a << 1;
        QTest::newRow("disk full right after a line end")
            << QByteArray() << Mode::Output << Fault::Write << qint64(a.size()) << a << 1;
        QTest::newRow("disk full while appending")
            << unended + "\r\n" << Mode::Append << Fault::Write << 4ll << unended + "\r\n" << 1;
        QTest::newRow("disk full while ending the last line")
            << unended << Mode::Append << Fault::Write << 1ll << unended << 1;
        QTest::newRow("reopen refused")
            << unended + "\r\n" << Mode::Append << Fault::Open << 0ll << unended + "\r\n" << 1;
        // The first piece handed to the file is whole; the disk fills up within the first line of
        // the next one: the file ends where the first piece ended, without a bare CR.
        QByteArray firstPiece;
        int lines = 0;
        for (; firstPiece.size() < FileChannel::kPieceSize; ++lines)
            firstPiece += lines % 2 ? b : a;
        const qint64 crOfNext = (lines % 2 ? b : a).size() - 1;
        QTest::newRow("disk full within the first line of a later piece")
            << QByteArray() << Mode::Output << Fault::Write << qint64(firstPiece.size() + 3)
            << firstPiece << 4000;
        QTest::newRow("disk full between CR and LF of a later piece")
            << QByteArray() << Mode::Output << Fault::Write << qint64(firstPiece.size() + crOfNext)
            << firstPiece << 4000;
        QTest::newRow("close fails")
            << QByteArray() << Mode::Output << Fault::Close << 0ll << a + b << 1;
    }

    void writesLeaveWholeLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(Mode, mode);
        QFETCH(Fault, fault);
        QFETCH(qint64, after);
        QFETCH(int, pairs);
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
        for (int pair = 0; pair < pairs; ++pair) {
            for (const QByteArray& line : {QByteArray("1\t/a\t10\r\n"), QByteArray("1\t/bb\t20\r\n")}) {
                if (channel.isOpen() && !channel.write(line, &error) && first.isEmpty())
                    first = error;
            }
        }
        if (!channel.close(&error) && first.isEmpty())
            first = error;
        const QString reason = fault == Fault::Close ? QString::fromLocal8Bit(std::strerror(EBADF))
                                                     : QStringLiteral("No space left on device");
        QVERIFY2(fault == Fault::Read ? first.isEmpty() : first.contains(reason), qPrintable(first));
        QTEST(readAll(path), "expected");
        QVERIFY(!channel.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestFileChannel)
#include "tst_filechannel.moc"
