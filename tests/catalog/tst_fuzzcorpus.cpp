// Replays every file of the fuzzer's corpus through the first-line check and the load.
#include "catalog/Class1.h"
#include "platform/core/FileChannel.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("path");
        const QDir corpus(QStringLiteral(VELLUMARK_SOURCE_DIR "/fuzz/corpus"));
        const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 5, "the seed corpus is missing");
        for (const QString& name : files)
            QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }
    void replay()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();

        FileChannel channel;
        Class1 source(channel);
        QSignalSpy errors(&source, &Class1::OpenError);
        const VbBool valid = source.Validate(path);
        QVERIFY(valid == VbTrue || valid == VbFalse);
        QCOMPARE(errors.count(), valid == VbTrue ? 0 : 1);
        QVERIFY(!channel.isOpen());

        errors.clear();
        source.Populate(path);
        QVERIFY(!channel.isOpen());
        QVERIFY(errors.count() <= 1);
        QVERIFY(source.rsCustomers);
        const RecordSet& rs = *source.rsCustomers;
        const qint64 lineEnds = bytes.count('\n') + bytes.count('\r');
        QVERIFY(rs.recordCount() <= lineEnds + 1);
        QVERIFY(!rs.isAdding());
        if (bytes.isEmpty())
            QCOMPARE(rs.recordCount(), 0);
        for (qint64 r = 0; r < rs.recordCount(); ++r) {
            for (int f = 0; f < rs.fieldCount(); ++f)
                QVERIFY(rs.valueAt(r, f).size() <= rs.field(f).definedSize);
        }
        // The file is read, never written.
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
