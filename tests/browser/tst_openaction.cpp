// The record open action: what reaches the FileOpener, and the boxes when there is nothing to
// open; plus the desktop opener's own checks.
#include "CatalogFixture.h"

#include "browser/RecordOpenAction.h"
#include "platform/widgets/FileOpener.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct OpenerLog
{
    QStringList names; // what each Open was given
    QString error;     // when not empty, every Open fails with it
};

struct RecordingOpener : FileOpener
{
    OpenerLog& log;
    explicit RecordingOpener(OpenerLog& l) : log(l) {}
    bool open(QString& fileName, QString* error) override
    {
        log.names << fileName;
        if (error)
            *error = log.error;
        return log.error.isEmpty();
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

class TestOpenAction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_env = std::make_unique<TestEnvironment>(); }
    void init()
    {
        m_log = OpenerLog();
        FileOpener::setFactory([this] { return std::make_unique<RecordingOpener>(m_log); });
        m_dialogs = std::make_unique<DialogRecorder>();
        m_form = openDatabaseWindow();
        QVERIFY(m_form && m_form->findChild<RecordOpenAction*>());
        // Blanks at the end of a name belong to the value.
        QVERIFY(showLoadedCatalog(*m_form,
                                  makeCatalog({{"1", "/data/a/first.txt", "1"},
                                               {"1", "/data/a/second name.txt   ", "2"},
                                               {"2", "/data/b/third.TXT", "3"}}),
                                  "/fixture/catalog.txt"));
    }
    void cleanup()
    {
        closeAllWindows();
        m_dialogs.reset();
        FileOpener::setFactory({});
    }

    // Double-click and Enter hand the row's file name over as it is; a failure shows the
    // "Open File" box and the window carries on. Other keys still reach the grid.
    void doubleClickOrEnterHandsOverTheRowsFileName()
    {
        QTableView* grid = m_form->grid();
        doubleClickRow(grid, 1);
        m_log.error = "There is no application to open it.";
        doubleClickRow(grid, 2);
        QCOMPARE(m_log.names, QStringList({"/data/a/second name.txt   ", "/data/b/third.TXT"}));
        QCOMPARE(m_dialogs->shown(), QStringList{RecordOpenAction::openErrorTitle() + "|" + m_log.error});
        QCOMPARE(grid->currentIndex().row(), 2);
        m_log.error.clear();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(m_log.names.size(), 3);
        QCOMPARE(m_log.names.last(), QStringLiteral("/data/a/first.txt"));
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(m_dialogs->messages.size(), 1);
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
        QVERIFY(m_log.names.isEmpty());
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
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    OpenerLog m_log;
    DatabaseWindow* m_form = nullptr;
};

QTEST_MAIN(TestOpenAction)
#include "tst_openaction.moc"
