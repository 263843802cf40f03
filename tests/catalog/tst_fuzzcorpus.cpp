// Replays every file of the fuzzer's corpus through the first-line check and the load.
#include "catalog/CatalogSource.h"
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
        CatalogSource source(channel);
        QSignalSpy errors(&source, &CatalogSource::failed);
        // A refusal is one failure; a load raises at most one; the channel is always freed.
        QCOMPARE(errors.count(), source.validate(path) ? 0 : 1);
        QVERIFY(!channel.isOpen());
        errors.clear();
        source.load(path);
        QVERIFY(!channel.isOpen());
        QVERIFY(errors.count() <= 1);
        QVERIFY(source.records() && !source.records()->isAdding());
        const CatalogTable& rs = *source.records();
        for (qint64 r = 0; r < rs.recordCount(); ++r)
            for (int f = 0; f < CatalogTable::kFieldCount; ++f)
                QVERIFY(rs.valueAt(r, f).size() <= CatalogTable::fieldWidth(f));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes); // read, never written
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
