// The disk facts side file: reading what people and older or newer versions leave beside a
// catalog, and writing it without ever leaving half a file.
#include "catalog/DiskFacts.h"
#include "support/FailingFile.h"
#include "support/TestEnvironment.h"

#include <QtTest>

namespace {

const QByteArray kHeader =
    "index\tlabel\tvolume\tuuid\tfilesystem\tcapacity\tfree\troot\tcaptured\tfiles\tbytes\tcomplete\tnote\n";
const QByteArray kTwoDisks = kHeader
    + "3\tblue, box 1\tPHOTOS\t1234-ABCD\tvfat\t1000\t250\t/media/photos\t2026-05-01T10:00:00+02:00\t2\t49237\tyes\t\n"
      "12\t\t\t\t\t\t\t/srv\t\t\t\tno\tcheck the cable\n";

} // namespace

class TestDiskFacts : public QObject
{
    Q_OBJECT

    TestEnvironment m_env;
    int m_catalogs = 0;

    // A catalog (its bytes do not matter here) with sideBytes beside it, or no side file.
    QString catalogWith(const QByteArray* sideBytes)
    {
        const QString catalog = m_env.writeFile(QStringLiteral("c%1.txt").arg(++m_catalogs),
                                                "3\t/media/photos/a\t1\r\n");
        if (sideBytes)
            m_env.writeFile(QFileInfo(DiskFactsFile::pathFor(catalog)).fileName(), *sideBytes);
        return catalog;
    }

private slots:
    // What each kind of side file reads as: the index values with facts (label|note|files|
    // complete for each), or the cause named in the error.
    void read_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("disks");
        QTest::addColumn<QString>("errorPart");
        const QStringList none;
        QTest::newRow("missing") << false << QByteArray() << none << QString();
        QTest::newRow("header only") << true << kHeader << none << QString();
        QTest::newRow("two disks") << true << kTwoDisks
            << QStringList{"3:blue, box 1||2|yes", "12:|check the cable|-1|no"} << QString();
        QTest::newRow("CR LF, byte-order mark, blank lines")
            << true << QByteArray("\xEF\xBB\xBF") + QByteArray(kTwoDisks).replace("\n", "\r\n\r\n")
            << QStringList{"3:blue, box 1||2|yes", "12:|check the cable|-1|no"} << QString();
        QTest::newRow("columns reordered, unknown and missing ones")
            << true << QByteArray("note\tshelf\tindex\tfiles\n\tB2\t7\t40\nsee \\\\ \\t \\n \\q\t\t8\n")
            << QStringList{"7:||40|yes", "8:|see \\ \t \n \\q|-1|yes"} << QString();
        QTest::newRow("foreign index values are read too") << true
            << kHeader + "99\tnot in this catalog\n" << QStringList{"99:not in this catalog||-1|yes"}
            << QString();
        QTest::newRow("not UTF-8") << true << kHeader + "3\tbo\xEEte\n" << none << "not UTF-8 text";
        QTest::newRow("no header") << true << QByteArray("3\tblue\n") << none << "no \"index\" column";
        QTest::newRow("more values than columns") << true << QByteArray("index\tlabel\n3\ta\tb\n")
            << none << "line 2 has 3 values where the first line names 2";
        QTest::newRow("garbled number") << true << QByteArray("index\tfree\n3\tlots\n") << none
            << "line 2: its free \"lots\" is not a number";
        QTest::newRow("negative number") << true << QByteArray("index\tfiles\n3\t-4\n") << none
            << "its files \"-4\" is not a number";
        QTest::newRow("garbled time") << true << QByteArray("index\tcaptured\n3\tyesterday\n")
            << none << "\"yesterday\" is not a date and time";
        QTest::newRow("garbled complete") << true << QByteArray("index\tcomplete\n3\tmaybe\n")
            << none << "\"maybe\" is neither yes nor no";
        QTest::newRow("index value twice") << true << QByteArray("index\n3\n4\n3\n") << none
            << "line 4: the index value \"3\" has a line already";
        QTest::newRow("no index value") << true << QByteArray("index\tlabel\n\tblue\n") << none
            << "line 2: it has no index value";
        QTest::newRow("column named twice") << true << QByteArray("index\tlabel\tlabel\n") << none
            << "\"label\" is named twice";
    }
    void read()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, disks);
        QFETCH(QString, errorPart);
        const QString catalog = catalogWith(exists ? &bytes : nullptr);

        const DiskFactsFile file = DiskFactsFile::read(catalog);
        QStringList got;
        for (const DiskFacts& d : file.disks())
            got << QStringLiteral("%1:%2|%3|%4|%5").arg(d.index, d.label, d.note).arg(d.files)
                       .arg(d.complete ? "yes" : "no");
        QCOMPARE(got, disks);
        const auto expected = !exists ? DiskFactsFile::State::Missing
            : errorPart.isEmpty()     ? DiskFactsFile::State::Read
                                      : DiskFactsFile::State::Unreadable;
        QCOMPARE(file.state(), expected);
        if (!errorPart.isEmpty()) {
            QVERIFY2(file.error().contains(errorPart), qPrintable(file.error()));
            QVERIFY(file.error().contains(QDir::toNativeSeparators(DiskFactsFile::pathFor(catalog))));
        }
    }

    // Updates and failures: what the side file holds afterwards, byte for byte, and that the
    // catalog itself is never touched and no temporary file is left behind.
    void update_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("fault"); // -1 none, else FailingFile::Fault
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("errorPart");
        QByteArray twoRelabelled = kTwoDisks;
        twoRelabelled.replace("\t\t\t\t\t\t\t/srv", "\tgrey\\tdrive\t\t\t\t\t\t/srv");
        QTest::newRow("new file") << false << QByteArray() << -1
            << kHeader + "12\tgrey\\tdrive\t\t\t\t\t\t\t\t\t\tyes\t\n" << QString();
        QTest::newRow("existing line changed, others kept")
            << true << kTwoDisks << -1 << twoRelabelled << QString();
        QTest::newRow("unknown column and foreign line kept")
            << true << QByteArray("index\tshelf\n99\tB2\n") << -1
            << QByteArray(kHeader).replace("note\n", "note\tshelf\n")
                   + "99\t\t\t\t\t\t\t\t\t\t\tyes\t\tB2\n12\tgrey\\tdrive\t\t\t\t\t\t\t\t\t\tyes\t\t\n"
            << QString();
        QTest::newRow("disk full") << true << kTwoDisks << int(FailingFile::Fault::Write)
            << kTwoDisks << "No space left on device";
        QTest::newRow("cannot create") << true << kTwoDisks << int(FailingFile::Fault::Open)
            << kTwoDisks << "No space left on device";
        QTest::newRow("disk full, no file before") << false << QByteArray()
            << int(FailingFile::Fault::Write) << QByteArray() << "No space left on device";
    }
    void update()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, before);
        QFETCH(int, fault);
        QFETCH(QByteArray, after);
        QFETCH(QString, errorPart);
        const QString catalog = catalogWith(exists ? &before : nullptr);
        const QByteArray catalogBytes = readAll(catalog);
        AtomicFile::FileFactory factory;
        if (fault >= 0)
            factory = [fault](const QString& path) {
                return std::make_unique<FailingFile>(path, FailingFile::Fault(fault), 20);
            };

        QString error;
        const bool done = updateDiskFacts(catalog, "12",
            [](DiskFacts& d) { d.label = "grey\tdrive"; }, &error, factory);
        QCOMPARE(done, errorPart.isEmpty());
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        QCOMPARE(readAll(DiskFactsFile::pathFor(catalog)), after);
        QCOMPARE(QFileInfo::exists(DiskFactsFile::pathFor(catalog)), exists || done);
        QCOMPARE(readAll(catalog), catalogBytes);
        QCOMPARE(QDir(m_env.path()).entryList({"*.tmp"}, QDir::Hidden | QDir::Files), QStringList());
        if (done) {
            const DiskFactsFile side = DiskFactsFile::read(catalog);
            QCOMPARE(side.find("12")->label, QString("grey\tdrive"));
        }
    }

    // A capture's line: its counts and the volume of its root, the time with its offset, the
    // label and note kept, the permissions of the side file kept.
    void recordCaptureKeepsLabelAndPermissions()
    {
        const QString catalog = catalogWith(&kTwoDisks);
        const QString side = DiskFactsFile::pathFor(catalog);
        const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(side, permissions));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QString error;
        QVERIFY2(recordCapture({catalog, "3", m_env.path(), 5, 640, false}, &error), qPrintable(error));

        const DiskFactsFile file = DiskFactsFile::read(catalog);
        const DiskFacts* d = file.find("3");
        QVERIFY(d);
        QCOMPARE(d->label, QString("blue, box 1"));
        QCOMPARE(d->root, m_env.path());
        QCOMPARE(d->files, 5);
        QCOMPARE(d->bytes, 640);
        QCOMPARE(d->complete, false);
        const QStorageInfo volume(m_env.path());
        QCOMPARE(d->volume.fileSystemType, QString::fromUtf8(volume.fileSystemType()));
        QCOMPARE(d->volume.capacity, volume.bytesTotal());
        QVERIFY(d->capturedAt >= before && d->capturedAt <= QDateTime::currentDateTime());
        QVERIFY(QRegularExpression("\t\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d([+-]\\d\\d:\\d\\d|Z)\t")
                    .match(QString::fromUtf8(readAll(side))).hasMatch());
        QCOMPARE(file.find("12")->note, QString("check the cable"));
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                          | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                          | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFileInfo(side).permissions() & mode, permissions);
    }
};

QTEST_GUILESS_MAIN(TestDiskFacts)
#include "tst_diskfacts.moc"
