// Search and filter in the database window: both searches end to end through their timers,
// their different orders of steps on the no-match path, Reset, and the awkward inputs.
#include "CatalogFixture.h"

#include "platform/widgets/Twips.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include "platform/widgets/WindowIds.h"

namespace {

// Index "04" makes the index list run to 4 while no record has the index "4" exactly.
const std::vector<CatalogRow> kRows = {
    {"1", "/data/photos/beach.jpg", "100"}, {"1", "/data/photos/BEACH-2.JPG", "200"},
    {"1", "/data/music/été.mp3", "300"},    {"2", "/data/docs/it's here.txt", "10"},
    {"2", "/data/docs/100%.txt", "20"},     {"2", "/data/docs/star*file.txt", "30"},
    {"3", "/data/docs/[draft].doc", "40"},  {"3", "/data/docs/ÉTÉ-notes.txt", "50"},
    {"04", "/data/other/x.bin", "60"},      {"3", "/data/other/y.bin", "70"},
};

const int kFormattedIndexWidth = Twips::toPixels(500);
const int kUserWidth = 77;

QString countText(qint64 n)
{
    return QStringLiteral("Number of Records: ") + QString::number(n);
}

// What a literal, case-blind "contains" finds: the independent description.
QStringList matching(const QString& text)
{
    QStringList names;
    for (const CatalogRow& row : kRows)
        if (row.filename.contains(text, Qt::CaseInsensitive))
            names << row.filename;
    return names;
}

bool indicatorOpen()
{
    return WindowRegistry::instance().isOpen(WindowId::searchIndicator);
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_env = std::make_unique<TestEnvironment>(); }
    void init()
    {
        m_dialogs = std::make_unique<DialogRecorder>();
        m_form = openDatabaseWindow();
        QVERIFY(m_form);
        m_records = makeCatalog(kRows);
        QVERIFY(showLoadedCatalog(*m_form, m_records, QStringLiteral("/fixture/catalog.txt")));
        m_dialogs->clear();
    }
    void cleanup()
    {
        closeAllWindows();
        m_records.reset();
        m_dialogs.reset();
    }

    void fileNameSearchFindsLiteralText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "beach" << 2;
        QTest::newRow("apostrophe inside") << "it's" << 1;
        QTest::newRow("lone quote") << "'" << 1;
        QTest::newRow("folder") << "/docs/" << 5;
    }

    void fileNameSearchFindsLiteralText()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(matching(text).size(), expected); // the fixture says what the row claims
        search(text);
        checkFound(matching(text));
        QCOMPARE(m_form->searchBox()->text(), text);
    }

    // The two searches take their steps in different orders: the file-name search lays the
    // grid out before the box, the index search only after it.
    void noMatch_data()
    {
        QTest::addColumn<bool>("byIndex");
        QTest::addColumn<int>("widthWhileBoxOpen");
        QTest::newRow("file name") << false << kFormattedIndexWidth;
        QTest::newRow("index") << true << kUserWidth;
    }

    void noMatch()
    {
        QFETCH(bool, byIndex);
        QFETCH(int, widthWhileBoxOpen);
        // A first search leaves a count that the failed one must not touch.
        search("beach");
        QCOMPARE(m_form->recordCountText(), countText(2));

        QStringList seen; // indicator up, rows shown, first column width, beeps, search text
        m_dialogs->whileOpen = [&](const Dialogs::Message&) {
            seen << QStringLiteral("%1 %2 %3 %4 %5")
                        .arg(indicatorOpen())
                        .arg(m_form->gridModel()->rowCount())
                        .arg(m_form->grid()->columnWidth(0))
                        .arg(m_dialogs->beeps)
                        .arg(m_form->searchBox()->text());
        };
        // The user has dragged the first column wider: only formatGrid puts it back.
        m_form->grid()->setColumnWidth(0, kUserWidth);
        QTimer* timer = byIndex ? m_form->indexSearchTimer() : m_form->fileNameSearchTimer();
        if (byIndex) { // "4" is offered, but the only record near it holds "04"
            chooseIndex(3);
        } else {
            m_form->searchBox()->setText("no such file");
            m_form->searchButton()->click();
        }
        QVERIFY(indicatorOpen() && timer->isActive());
        QVERIFY(!(byIndex ? m_form->fileNameSearchTimer() : m_form->indexSearchTimer())->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!indicatorOpen(), 3000);

        QCOMPARE(m_dialogs->shown(), QStringList{"Filter Status|No Records Found"});
        // While the box waits: the indicator is up, every record is back, the beep came first,
        // the search box still has its text.
        QCOMPARE(seen, QStringList{QStringLiteral("1 10 %1 1 ").arg(widthWhileBoxOpen) +
                                   (byIndex ? "beach" : "no such file")});
        // Afterwards: all records from the first, box emptied, count as before.
        checkAllFromTheFirst();
        QCOMPARE(m_form->recordCountText(), countText(2));
        QVERIFY(!timer->isActive());
        if (byIndex) // the index list keeps the value that found nothing
            QCOMPARE(m_form->indexList()->currentText(), QStringLiteral("4"));
    }

    void resetShowsEverything()
    {
        search("beach");
        m_form->indexList()->setCurrentIndex(1);
        m_form->grid()->setCurrentIndex(m_form->gridModel()->index(1, 1));
        m_form->grid()->setColumnWidth(0, kUserWidth);

        m_form->resetButton()->click();
        QVERIFY(nothingPending());
        checkAllFromTheFirst();
        QCOMPARE(m_form->indexList()->currentText(), QString());
        QCOMPARE(m_form->recordCountText(), countText(10));
    }

private:
    // A search that found names: they alone, counted, the first current, the grid laid out.
    void checkFound(const QStringList& names)
    {
        QCOMPARE(gridFileNames(*m_form->gridModel()), names);
        QCOMPARE(m_form->recordCountText(), countText(names.size()));
        QCOMPARE(m_form->grid()->currentIndex().row(), 0);
        QCOMPARE(m_form->grid()->columnWidth(0), kFormattedIndexWidth); // formatGrid ran
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(m_dialogs->beeps, 0);
    }
    // Every record back, no filter, the first current, the search box empty, the grid laid out.
    void checkAllFromTheFirst()
    {
        QCOMPARE(m_form->gridModel()->rowCount(), 10);
        QVERIFY(m_records->query().isNone());
        QCOMPARE(m_records->currentRow(), 0);
        QCOMPARE(m_form->grid()->currentIndex().row(), 0);
        QCOMPARE(m_form->searchBox()->text(), QString());
        QCOMPARE(m_form->grid()->columnWidth(0), kFormattedIndexWidth);
    }
    bool nothingPending() const
    {
        return !indicatorOpen() && !m_form->fileNameSearchTimer()->isActive() && !m_form->indexSearchTimer()->isActive();
    }
    void chooseIndex(int item)
    {
        m_form->indexList()->setCurrentIndex(item);
        emit m_form->indexList()->activated(item);
    }
    void search(const QString& text)
    {
        m_form->searchBox()->setText(text);
        m_form->searchButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!indicatorOpen(), 3000);
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    DatabaseWindow* m_form = nullptr;
    CatalogTablePtr m_records;
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
