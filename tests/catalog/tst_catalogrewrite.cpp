// Replacing one disk's lines in a catalog: every other line keeps its bytes and place, the
// disk's new lines stand where its first old line stood, and a failure or a kill at any step
// leaves the old catalog whole.
#include "catalog/CatalogRewrite.h"
#include "platform/core/FileChannel.h"
#include "support/FailingFile.h"
#include "support/TestEnvironment.h"

#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kNew = "2\t/d/new\t5\r\n2\t/d/sub/b\t6\r\n";

// An independent reading of the rule, line by line over the whole file: lines split after
// each CR LF, LF or lone CR; a line is the disk's when its text before the first TAB, less
// one pair of quotes, is the index value.
QByteArray predict(const QByteArray& old, const QByteArray& index, const QByteArray& fresh)
{
    QByteArray out;
    qsizetype at = old.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    out += old.left(at);
    bool put = false;
    bool lastEnded = true;
    while (at < old.size()) {
        qsizetype end = at;
        while (end < old.size() && old[end] != '\r' && old[end] != '\n')
            ++end;
        const QByteArray text = old.mid(at, end - at);
        qsizetype next = end < old.size() ? end + 1 : end;
        if (end < old.size() && old[end] == '\r' && next < old.size() && old[next] == '\n')
            ++next;
        lastEnded = end < old.size();
        QByteArray field = text.split('\t').first();
        if (field.startsWith('"') && field.size() > 1)
            field = field.mid(1, field.size() - 2);
        if (field == index) {
            out += put ? QByteArray() : fresh;
            put = lastEnded = true;
        } else {
            out += old.mid(at, next - at);
        }
        at = next;
    }
    if (!put)
        out += (lastEnded ? QByteArray() : QByteArray("\r\n")) + fresh;
    return out;
}

} // namespace

class TestCatalogRewrite : public QObject
{
    Q_OBJECT

    TestEnvironment m_env;
    int m_files = 0;

    QString file(const QByteArray& bytes)
    {
        return m_env.writeFile(QStringLiteral("r%1.txt").arg(++m_files), bytes);
    }

private slots:
    // Each row's catalog rewritten for index 2 with kNew; the result is compared with the
    // row's own expectation and with the independent prediction.
    void replace_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QByteArray>("expected"); // empty: the prediction alone
        QTest::newRow("between two disks")
            << QByteArray("1\t/a\t1\r\n2\t/d/old\t9\r\n2\t/d/x\t3\r\n3\t/c\t4\r\n")
            << "1\t/a\t1\r\n" + kNew + "3\t/c\t4\r\n";
        QTest::newRow("later runs removed")
            << QByteArray("2\t/d/old\t9\r\n1\t/a\t1\r\n2\t/d/old\t9\r\n3\t/c\t4\r\n2\t/d/z\t1\r\n")
            << kNew + "1\t/a\t1\r\n3\t/c\t4\r\n";
        QTest::newRow("other lines' ends and an unended last line kept")
            << QByteArray("1\t/a\t1\n2\t/d/old\t9\r\n1\t/b\t2\r3\t/c\t4\r\n\r\n1\t/e\t5")
            << "1\t/a\t1\n" + kNew + "1\t/b\t2\r3\t/c\t4\r\n\r\n1\t/e\t5";
        QTest::newRow("the disk's unended last line")
            << QByteArray("1\t/a\t1\r\n2\t/d/old\t9") << "1\t/a\t1\r\n" + kNew;
        QTest::newRow("disk not there, unended last line")
            << QByteArray("1\t/a\t1\r\n3\t/c\t4") << "1\t/a\t1\r\n3\t/c\t4\r\n" + kNew;
        QTest::newRow("empty catalog") << QByteArray() << kNew;
        QTest::newRow("byte-order mark stays first")
            << QByteArray("\xEF\xBB\xBF" "2\t/d/old\t9\r\n1\t/a\t1\r\n")
            << "\xEF\xBB\xBF" + kNew + "1\t/a\t1\r\n";
        QTest::newRow("quoted and look-alike index values")
            << QByteArray("\"2\"\t/d/q\t1\r\n22\t/x\t1\r\n 2\t/y\t1\r\n2 \t/z\t1\r\n\"\t/w\t1\r\n2\r\n")
            << kNew + "22\t/x\t1\r\n 2\t/y\t1\r\n2 \t/z\t1\r\n\"\t/w\t1\r\n";
        QTest::newRow("Windows-1252 lines")
            << QByteArray("1\t/caf\xE9\t1\r\n2\t/d/\xE9t\xE9\t9\r\n") << "1\t/caf\xE9\t1\r\n" + kNew;
        // A CR LF split between two reads, and a line longer than a read.
        QByteArray big = "1\t/a\t1\r\n2\t/d/old\t9\r\n";
        big += "3\t/" + QByteArray(4 * 1024 * 1024 - big.size() - 6, 'p') + "\t1\r\n2\t/d\t1\n";
        big += "1\t/" + QByteArray(9 * 1024 * 1024, 'q') + "\t2\r\n2\t/d/late\t1\r\n1\t/f\t1\r\n";
        QTest::newRow("reads split a CR LF and a long line") << big << QByteArray();
    }
    void replace()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, expected);
        const QString catalog = file(old);
        const QString fresh = file(kNew);
        const QByteArray predicted = predict(old, "2", kNew);
        if (!expected.isEmpty())
            QCOMPARE(predicted, expected);
        FileChannel channel;
        QString error;
        QVERIFY2(CatalogRewrite::replaceDisk(channel, catalog, "2", fresh, &error), qPrintable(error));
        QVERIFY(readAll(catalog) == predicted);
        QVERIFY(!channel.isOpen());
        QCOMPARE(QDir(m_env.path()).entryList({"*.tmp"}, QDir::Hidden | QDir::Files), QStringList());

    }

    // Failures at each write step: the catalog keeps its bytes and permissions, the message
    // names the cause, no temporary file stays.
    void failure_data()
    {
        QTest::addColumn<int>("fault");   // FailingFile::Fault, -1 none
        QTest::addColumn<qint64>("after"); // bytes the device takes
        QTest::addColumn<int>("sabotage"); // AtomicFile::Step before which the temporary goes, -1 none
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("lines"); // a large catalog fails within the writes, a small one at the flush
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("cannot create") << int(FailingFile::Fault::Open) << 0LL << -1 << false << 3000
                                       << "Cannot write a new file in";
        QTest::newRow("disk full while writing") << int(FailingFile::Fault::Write) << 30000LL << -1
                                                 << false << 3000 << "No space left on device";
        QTest::newRow("disk full at the flush") << int(FailingFile::Fault::Write) << 10LL << -1
                                                << false << 3 << "No space left on device";
        QTest::newRow("rename fails") << -1 << 0LL << int(AtomicFile::Step::Rename) << false
                                      << 3000 << "Cannot replace";
        QTest::newRow("catalog being written") << -1 << 0LL << -1 << true << 3000 << "File already open";
    }
    void failure()
    {
        QFETCH(int, fault);
        QFETCH(qint64, after);
        QFETCH(int, sabotage);
        QFETCH(bool, busy);
        QFETCH(int, lines);
        QFETCH(QString, errorPart);
        QByteArray old;
        for (int i = 0; i < lines; ++i)
            old += QByteArray::number(i % 3 + 1) + "\t/some/folder/file" + QByteArray::number(i) + "\t7\r\n";
        const QString catalog = file(old);
        QVERIFY(QFile::setPermissions(catalog, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const QString fresh = file(kNew);
        CatalogRewrite::Options options;
        if (fault >= 0)
            options.fileFactory = [fault, after](const QString& path) {
                return std::make_unique<FailingFile>(path, FailingFile::Fault(fault), after);
            };
        // The temporary file vanishing under the rename stands for a rename the system refuses.
        if (sabotage >= 0)
            options.stepHook = [this, sabotage](AtomicFile::Step step) {
                if (int(step) != sabotage)
                    return;
                for (const QString& name : QDir(m_env.path()).entryList({"*.tmp"}, QDir::Hidden | QDir::Files))
                    QFile::remove(m_env.path() + "/" + name);
            };
        FileChannel channel;
        if (busy)
            QVERIFY(channel.open(catalog, FileChannel::Mode::Append));
        QString error;
        QVERIFY(!CatalogRewrite::replaceDisk(channel, catalog, "2", fresh, &error, options));
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        QVERIFY(readAll(catalog) == old);
        QCOMPARE(QFileInfo(catalog).permissions() & (QFileDevice::ReadOwner | QFileDevice::WriteOwner
                     | QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(QDir(m_env.path()).entryList({"*.tmp"}, QDir::Hidden | QDir::Files), QStringList());
    }

    // The process killed before each step, or after the last: the catalog is the old one or
    // the new one, whole, and the kept permissions come with the new one.
    void kill_data()
    {
        QTest::addColumn<int>("step"); // killed before it; -1 after commit
        QTest::addColumn<bool>("newExpected");
        QTest::newRow("before writing") << int(AtomicFile::Step::Write) << false;
        QTest::newRow("between write and sync") << int(AtomicFile::Step::Sync) << false;
        QTest::newRow("between sync and rename") << int(AtomicFile::Step::Rename) << false;
        QTest::newRow("after the rename") << -1 << true;
    }
    void kill()
    {
        QFETCH(int, step);
        QFETCH(bool, newExpected);
        const QByteArray old = "1\t/a\t1\r\n2\t/d/old\t9\r\n3\t/c\t4\r\n";
        const QString catalog = file(old);
        QVERIFY(QFile::setPermissions(catalog, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const QString fresh = file(kNew);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            CatalogRewrite::Options options;
            options.stepHook = [step](AtomicFile::Step now) {
                if (int(now) == step)
                    ::kill(::getpid(), SIGKILL);
            };
            FileChannel channel;
            CatalogRewrite::replaceDisk(channel, catalog, "2", fresh, nullptr, options);
            ::kill(::getpid(), SIGKILL);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        QCOMPARE(readAll(catalog), newExpected ? predict(old, "2", kNew) : old);
        QCOMPARE(QFileInfo(catalog).permissions() & QFileDevice::ReadOther, QFileDevice::Permissions());
        // A kill leaves at most its one hidden temporary file behind, never a visible one.
        const QStringList left = QDir(m_env.path()).entryList({"*.tmp"}, QDir::Hidden | QDir::Files);
        QVERIFY(left.size() <= 1 && (left.isEmpty() || left.first().startsWith('.')));
        for (const QString& name : left)
            QFile::remove(m_env.path() + '/' + name);
    }

    void refusedBeforeTheWalk()
    {
        QString error;
        QVERIFY(!CatalogRewrite::canReplace(m_env.path(), 0, &error));
        QVERIFY2(error.contains("is not a catalog file"), qPrintable(error));
        const QString catalog = file("1\t/a\t1\r\n");
        QVERIFY2(CatalogRewrite::canReplace(catalog, 0, &error), qPrintable(error));
        QVERIFY(!CatalogRewrite::canReplace(catalog, qint64(1) << 60, &error));
        QVERIFY2(error.contains("not enough free space"), qPrintable(error));
        QCOMPARE(QDir(m_env.path()).entryList({"*.tmp"}, QDir::Hidden | QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCatalogRewrite)
#include "tst_catalogrewrite.moc"
