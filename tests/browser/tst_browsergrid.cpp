// The database window's grid over a catalog in memory: the model under it, both searches end
// to end through their timers (their different orders of steps on the no-match path, Reset),
// the search indicator's steps, and what opening a row hands over.
#include "browser/BrowserWindows.h"
#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "browser/RecordOpenAction.h"
#include "browser/SearchIndicator.h"
#include "browser/ShowCatalog.h"
#include "platform/widgets/FileOpener.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/DataColumns.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

using Rows = std::vector<QStringList>; // index, file name, size

// Index "04" makes the index list run to 4 while no record has the index "4" exactly; the
// blanks that end the second name belong to it.
const Rows kRows = {
    {"1", "/data/photos/beach.jpg", "100"}, {"1", "/data/photos/BEACH-2.JPG   ", "200"},
    {"1", "/data/music/été.mp3", "300"},    {"2", "/data/docs/it's here.txt", "10"},
    {"2", "/data/docs/100%.txt", "20"},     {"2", "/data/docs/star*file.txt", "30"},
    {"3", "/data/docs/[draft].doc", "40"},  {"3", "/data/docs/ÉTÉ-notes.txt", "50"},
    {"04", "/data/other/x.bin", "60"},      {"3", "/data/other/y.bin", "70"},
};
const int kAll = int(kRows.size());

// Rows to sort, each known by its size text. Equal values: index "1", "02" = "2"; names
// "a.txt", "b.txt"/"B.TXT", "Ärger"/"ärger", the Kelvin sign's "\u212AELVIN"/"kelvin"; sizes
// "007" = "7". Not numbers: "9.5" is, "x" is not, "" is empty.
const Rows kSortRows = {
    {"2", "b.txt", "10"},      {"10", "B.TXT", "9.5"},    {"1", "a.txt", "x"},
    {"2", "Ärger.txt", ""},    {"9.5", "ärger.TXT", "100"}, {"x", "Zebra", "-3"},
    {"", "é", "007"},          {"1", "E", "7"},           {"02", "a.txt", "1e3"},
    {"3", "\u212AELVIN", "5"}, {"3", "kelvin", "6"},
};

const int kFormattedIndexWidth = Twips::toPixels(500);
const int kUserWidth = 77;

CatalogTablePtr makeCatalog(const Rows& rows)
{
    auto records = std::make_shared<CatalogTable>();
    for (const QStringList& row : rows)
        records->appendRecord(row[0].toUtf8(), row[1].toUtf8(), row[2].toUtf8());
    return records;
}

// The file names a grid model shows now, top to bottom.
QStringList gridFileNames(const QAbstractItemModel& model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, 1).data().toString();
    return names;
}

// What a literal, case-blind "contains" finds: the independent description.
QStringList matching(const QString& text)
{
    QStringList names;
    for (const QStringList& row : kRows)
        if (row[1].contains(text, Qt::CaseInsensitive))
            names << row[1];
    return names;
}

// Opens the database window through the registry, as the program does, with nothing loaded.
void closeAllWindows()
{
    WindowRegistry::instance().reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

DatabaseWindow* openDatabaseWindow()
{
    closeAllWindows();
    registerBrowserWindows(WindowRegistry::instance());
    return qobject_cast<DatabaseWindow*>(WindowRegistry::instance().open(WindowId::database));
}

bool indicatorOpen()
{
    return WindowRegistry::instance().isOpen(WindowId::searchIndicator);
}

SearchIndicator* openIndicator()
{
    return qobject_cast<SearchIndicator*>(WindowRegistry::instance().open(WindowId::searchIndicator));
}

// The indicator's label shown, then the names of the armed timers: "0 Timer1" right after
// opening.
QString state(const SearchIndicator& form)
{
    QString text = QString::number(form.visibleLabel());
    for (int i = 0; i < 3; ++i)
        if (form.label(i)->isHidden() == (i == form.visibleLabel()))
            text += " (several labels shown)";
    for (const char* name : {" Timer1", " Timer2", " Timer3"})
        if (form.findChild<QTimer*>(QLatin1String(name + 1))->isActive())
            text += QLatin1String(name);
    return text;
}

struct RecordingOpener : FileOpener
{
    QStringList& names; // what each Open was given
    QString& error;     // when not empty, every Open fails with it
    RecordingOpener(QStringList& n, QString& e) : names(n), error(e) {}
    bool open(QString& fileName, QString* failure) override
    {
        names << fileName;
        if (failure)
            *failure = error;
        return error.isEmpty();
    }
};

void doubleClickRow(QTableView* grid, int row)
{
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    // What a platform delivers: press and release, then the second press as a double-click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace

class TestBrowserGrid : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        FileOpener::setFactory([this] { return std::make_unique<RecordingOpener>(m_opened, m_openError); });
        m_opened.clear();
        m_openError.clear();
        m_dialogs = std::make_unique<DialogRecorder>();
        m_form = openDatabaseWindow();
        QVERIFY(m_form);
        auto* model = m_form->gridModel(); // under the tester whatever the test does
        new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, model);
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

    // Every field as text with the whole value as its tip, not editable.
    void modelShowsFields()
    {
        CatalogGridModel& model = *m_form->gridModel();
        model.setRecordSet(m_records);
        QCOMPARE(model.rowCount(), kAll);
        for (int r = 0; r < kAll; ++r)
            for (int c = 0; c < 3; ++c) {
                QCOMPARE(model.index(r, c).data().toString(), kRows[r][c]);
                QCOMPARE(model.index(r, c).data(Qt::ToolTipRole).toString(), kRows[r][c]);
            }
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    }

    // The window's model (under the model tester from init on) resets once per filter change;
    // a new table replaces the old one, whose queries no longer reach the view.
    void modelFollowsFiltersAndRebinding()
    {
        CatalogGridModel& model = *m_form->gridModel();
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        m_records->setQuery(CatalogQuery::contains(CatalogField::Filename, QStringLiteral("photos")));
        QCOMPARE(resets.size(), 1);
        QCOMPARE(gridFileNames(model), matching("photos"));
        model.setRecordSet(makeCatalog({{"7", "E:\\x", "1"}}));
        m_records->setQuery(CatalogQuery::equals(CatalogField::Index, QStringLiteral("1")));
        QCOMPARE(resets.size(), 2);
        QCOMPARE(gridFileNames(model), QStringList{"E:\\x"});
        model.setRecordSet(CatalogTablePtr()); // no table at all
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!model.headerData(0, Qt::Horizontal).isValid());
    }

    void fileNameSearchFindsLiteralText_data()
    {
        addColumns<QString, int>({"text", "expected"});
        QTest::newRow("plain") << "beach" << 2;
        QTest::newRow("apostrophe inside") << "it's" << 1;
        QTest::newRow("lone quote") << "'" << 1;
        QTest::newRow("folder") << "/docs/" << 5;
        // -1: nothing at all happens; the earlier search's grid stays.
        QTest::newRow("empty box") << "" << -1;
    }

    void fileNameSearchFindsLiteralText()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        if (expected < 0) {
            search("beach");
            m_form->searchBox()->setText(text);
            m_form->searchButton()->click();
            QVERIFY(!indicatorOpen() && !m_form->fileNameSearchTimer()->isActive());
            checkFound(matching("beach"));
            return;
        }
        QCOMPARE(matching(text).size(), expected); // the fixture says what the row claims
        search(text);
        checkFound(matching(text));
        QCOMPARE(m_form->searchBox()->text(), text);
    }

    // The two searches take their steps in different orders: the file-name search lays the
    // grid out before the box, the index search only after it.
    void noMatch_data()
    {
        addColumns<bool, int>({"byIndex", "widthWhileBoxOpen"});
        QTest::newRow("file name") << false << kFormattedIndexWidth;
        QTest::newRow("index") << true << kUserWidth;
    }

    void noMatch()
    {
        QFETCH(bool, byIndex);
        QFETCH(int, widthWhileBoxOpen);
        // A first search leaves a count that the failed one must not touch.
        search("beach");
        QCOMPARE(m_form->recordCountText(), QStringLiteral("Number of Records: 2"));

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
            m_form->indexList()->setCurrentIndex(3);
            emit m_form->indexList()->activated(3);
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
        QCOMPARE(seen, QStringList{QStringLiteral("1 %1 %2 1 ").arg(kAll).arg(widthWhileBoxOpen) +
                                   (byIndex ? "beach" : "no such file")});
        // Afterwards: all records from the first, box emptied, count as before.
        checkAllFromTheFirst();
        QCOMPARE(m_form->recordCountText(), QStringLiteral("Number of Records: 2"));
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
        QVERIFY(!indicatorOpen() && !m_form->fileNameSearchTimer()->isActive()
                && !m_form->indexSearchTimer()->isActive());
        checkAllFromTheFirst();
        QCOMPARE(m_form->indexList()->currentText(), QString());
        QCOMPARE(m_form->recordCountText(), "Number of Records: " + QString::number(kAll));
    }

    // Each step shows the next label and hands over to the next timer, once; the last step
    // returns to one dot and arms nothing, and the sequence does not start again, not even when a
    // second search opens it while it is up. Closing disarms it at once, and the next opening
    // starts again from the first step.
    void indicatorStepsOnce()
    {
        QPointer<SearchIndicator> form = openIndicator();
        QStringList steps = {state(*form)};
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
            // Connected after the window's own handler, so this sees the state after the step.
            connect(form->findChild<QTimer*>(QLatin1String(name)), &QTimer::timeout, this, [&] {
                steps << state(*form);
                if (steps.size() == 2) // brought to the front, not built again
                    QCOMPARE(openIndicator(), form.data());
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 4, 3000);
        QCOMPARE(steps, (QStringList{"0 Timer1", "1 Timer2", "2 Timer3", "0"}));
        QCOMPARE(openIndicator(), form.data());
        QCOMPARE(state(*form), QStringLiteral("0"));
        WindowRegistry::instance().close(WindowId::searchIndicator);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        form = openIndicator();
        QCOMPARE(state(*form), QStringLiteral("0 Timer1"));
        WindowRegistry::instance().close(WindowId::searchIndicator);
        if (form) // not deleted yet
            QCOMPARE(state(*form), QStringLiteral("0"));
    }

    // Double-click and Enter hand the row's file name over as it is; a failure shows the
    // "Open File" box and the window carries on. Other keys still reach the grid.
    void doubleClickOrEnterHandsOverTheRowsFileName()
    {
        QTableView* grid = m_form->grid();
        doubleClickRow(grid, 1);
        m_openError = "There is no application to open it.";
        doubleClickRow(grid, 2);
        QCOMPARE(m_opened, QStringList({kRows[1][1], kRows[2][1]}));
        QCOMPARE(m_dialogs->shown(), QStringList{RecordOpenAction::openErrorTitle() + "|" + m_openError});
        QCOMPARE(grid->currentIndex().row(), 2);
        m_openError.clear();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(m_opened.size(), 3);
        QCOMPARE(m_opened.last(), kRows[0][1]);
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(m_dialogs->messages.size(), 1);
    }

    // A header click sorts by its column and the next click reverses, shown by the header's
    // indicator, with the first row current. Numbers by value, then other texts, then empty
    // values; names case-blind, by code point; equal values in file order both ways.
    void headerClickSorts_data()
    {
        addColumns<int, QList<int>, QList<int>>({"column", "ascending", "descending"});
        QTest::newRow("Index") << 0 << QList<int>{2, 7, 0, 3, 8, 9, 10, 4, 1, 5, 6}
                               << QList<int>{6, 5, 1, 4, 9, 10, 0, 3, 8, 2, 7};
        QTest::newRow("Filename") << 1 << QList<int>{2, 8, 0, 1, 7, 9, 10, 5, 3, 4, 6}
                                  << QList<int>{6, 3, 4, 5, 9, 10, 7, 0, 1, 2, 8};
        QTest::newRow("Size") << 2 << QList<int>{5, 9, 10, 6, 7, 1, 0, 4, 8, 2, 3}
                              << QList<int>{3, 2, 8, 4, 0, 1, 6, 7, 10, 9, 5};
    }
    void headerClickSorts()
    {
        QFETCH(int, column);
        QFETCH(QList<int>, ascending);
        QFETCH(QList<int>, descending);
        showSortRows();
        QHeaderView* header = m_form->grid()->horizontalHeader();
        QCOMPARE(header->sortIndicatorSection(), -1);
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            clickHeader(column);
            QCOMPARE(shownSortRows(), order == Qt::AscendingOrder ? ascending : descending);
            QCOMPARE(header->sortIndicatorSection(), column);
            QCOMPARE(header->sortIndicatorOrder(), order);
            QCOMPARE(m_form->grid()->currentIndex().row(), 0);
        }
    }

    // After a sort, a search, Reset or another open shows file order, the indicator cleared.
    void searchResetOrOpenShowFileOrder_data()
    {
        addColumns<QString, QList<int>>({"step", "expected"});
        QTest::newRow("search") << "search" << QList<int>{0, 1, 2, 3, 4, 8};
        QTest::newRow("index search") << "index" << QList<int>{0, 3};
        QTest::newRow("reset") << "reset" << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        QTest::newRow("open") << "open" << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    }
    void searchResetOrOpenShowFileOrder()
    {
        QFETCH(QString, step);
        QFETCH(QList<int>, expected);
        showSortRows();
        clickHeader(1);
        clickHeader(1);
        if (step == "search") {
            search(".t");
        } else if (step == "index") {
            m_form->indexList()->setCurrentIndex(1); // "2"
            emit m_form->indexList()->activated(1);
            QTRY_VERIFY_WITH_TIMEOUT(!indicatorOpen(), 3000);
        } else if (step == "reset") {
            m_form->resetButton()->click();
        } else {
            QVERIFY(showLoadedCatalog(*m_form, makeCatalog(kSortRows), "/fixture/again.txt"));
        }
        QCOMPARE(shownSortRows(), expected);
        QCOMPARE(m_form->grid()->horizontalHeader()->sortIndicatorSection(), -1);
        QCOMPARE(m_form->grid()->currentIndex().row(), 0);
    }

    // Ctrl+C puts the selected rows on the clipboard as the catalog's own lines, in the order
    // shown; a row with several selected cells once.
    void copyGivesCatalogLines()
    {
        showSortRows();
        clickHeader(2); // by size: 5, 9, 10, 6, ...
        QTableView* grid = m_form->grid();
        auto* model = grid->model();
        grid->selectionModel()->select(QItemSelection(model->index(3, 0), model->index(3, 2)),
                                       QItemSelectionModel::ClearAndSelect);
        grid->selectionModel()->select(QItemSelection(model->index(0, 0), model->index(0, 0)),
                                       QItemSelectionModel::Select);
        grid->selectionModel()->select(QItemSelection(model->index(0, 2), model->index(2, 2)),
                                       QItemSelectionModel::Select);
        QGuiApplication::clipboard()->clear();
        grid->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        const QByteArray expected = "x\tZebra\t-3\r\n"
                                    "3\t\xE2\x84\xAA" "ELVIN\t5\r\n"
                                    "3\tkelvin\t6\r\n"
                                    "\t\xC3\xA9\t007\r\n";
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("text/plain"), expected);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(expected));
    }

    void nothingToOpen()
    {
        m_form->grid()->setCurrentIndex(QModelIndex());
        m_form->findChild<RecordOpenAction*>()->openCurrentRecord();
        closeAllWindows();
        m_form = openDatabaseWindow(); // nothing loaded
        m_form->findChild<RecordOpenAction*>()->openCurrentRecord();
        QCOMPARE(m_dialogs->messages.size(), 2);
        QCOMPARE(m_dialogs->messages[0].text, RecordOpenAction::noCurrentRecordText());
        QCOMPARE(m_dialogs->messages[1].text, RecordOpenAction::noCatalogText());
        QVERIFY(m_opened.isEmpty());
    }

    // The desktop opener: checks the file, then hands a file URL (not a command line) on.
    void desktopOpener()
    {
        QTemporaryDir dir;
        QString name = dir.filePath("report; rm -rf x $(y).txt");
        QVERIFY(QFile(name).open(QIODevice::WriteOnly));
        QList<QUrl> urls;
        bool launched = true;
        DesktopFileOpener opener([&](const QUrl& url) { return urls << url, launched; });
        QString error, padded = name + "   ", missing = dir.filePath("gone.txt"), empty;
        QVERIFY(opener.open(name, &error));
        // Blanks that pad the name are passed over when the padded name does not exist.
        QVERIFY(opener.open(padded, &error));
        QCOMPARE(urls, QList<QUrl>(2, QUrl::fromLocalFile(name)));

        QVERIFY(!opener.open(missing, &error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(missing)), qPrintable(error));
        QVERIFY(!opener.open(empty, &error));
        launched = false;
        QVERIFY(!opener.open(name, &error));
        QCOMPARE(urls.size(), 3);
        FileOpener::setFactory({}); // the default is the desktop opener
        QVERIFY(dynamic_cast<DesktopFileOpener*>(FileOpener::create().get()));
    }

private:
    void showSortRows()
    {
        m_records = makeCatalog(kSortRows);
        QVERIFY(showLoadedCatalog(*m_form, m_records, QStringLiteral("/fixture/sort.txt")));
    }
    // The fixture rows the grid shows, top to bottom, by their place in kSortRows.
    QList<int> shownSortRows() const
    {
        QList<int> rows;
        const QAbstractItemModel& model = *m_form->gridModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QString size = model.index(row, 2).data().toString();
            for (int i = 0; i < int(kSortRows.size()); ++i)
                if (kSortRows[size_t(i)][2] == size)
                    rows << i;
        }
        return rows;
    }
    void clickHeader(int column)
    {
        QHeaderView* header = m_form->grid()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // A search that found names: they alone, counted, the first current, the grid laid out.
    void checkFound(const QStringList& names)
    {
        QCOMPARE(gridFileNames(*m_form->gridModel()), names);
        QCOMPARE(m_form->recordCountText(), "Number of Records: " + QString::number(names.size()));
        QCOMPARE(m_form->grid()->currentIndex().row(), 0);
        QCOMPARE(m_form->grid()->columnWidth(0), kFormattedIndexWidth); // formatGrid ran
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(m_dialogs->beeps, 0);
    }
    // Every record back, no filter, the first current, the search box empty, the grid laid out.
    void checkAllFromTheFirst()
    {
        QCOMPARE(m_form->gridModel()->rowCount(), kAll);
        QVERIFY(m_records->query().isNone());
        QCOMPARE(m_records->currentRow(), 0);
        QCOMPARE(m_form->grid()->currentIndex().row(), 0);
        QCOMPARE(m_form->searchBox()->text(), QString());
        QCOMPARE(m_form->grid()->columnWidth(0), kFormattedIndexWidth);
    }
    void search(const QString& text)
    {
        m_form->searchBox()->setText(text);
        m_form->searchButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!indicatorOpen(), 3000);
    }

    TestEnvironment m_env; // before anything reads settings
    std::unique_ptr<DialogRecorder> m_dialogs;
    DatabaseWindow* m_form = nullptr;
    CatalogTablePtr m_records;
    QStringList m_opened;
    QString m_openError;
};

QTEST_MAIN(TestBrowserGrid)
#include "tst_browsergrid.moc"
