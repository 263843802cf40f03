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
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct OpenerLog
{
    QStringList names; // what each Open was given
    int alive = 0;     // openers not yet released
    int made = 0;
    bool succeed = true;
    QString error;
};

class RecordingOpener : public FileOpener
{
public:
    explicit RecordingOpener(OpenerLog& log) : m_log(log)
    {
        ++m_log.alive;
        ++m_log.made;
    }
    ~RecordingOpener() override { --m_log.alive; }
    bool Open(QString& fileName, QString* error) override
    {
        m_log.names << fileName;
        if (!m_log.succeed && error)
            *error = m_log.error;
        return m_log.succeed;
    }

private:
    OpenerLog& m_log;
};

const std::vector<CatalogRow> kRows = {
    {"1", "/data/a/first.txt", "1"},
    {"1", "/data/a/second name.txt   ", "2"}, // blanks at the end belong to the value
    {"2", "/data/b/third.TXT", "3"},
};

void doubleClickRow(QTableView* grid, int row)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    // What a platform delivers: press and release, then the second press as a double-click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
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
        QVERIFY(m_form);
        m_action = m_form->findChild<RecordOpenAction*>();
        QVERIFY(m_action);
    }

    void cleanup()
    {
        closeAllWindows();
        m_dialogs.reset();
        FileOpener::setFactory({});
    }

    void load()
    {
        QVERIFY(showLoadedCatalog(*m_form, makeCatalog(kRows), "/fixture/catalog.txt"));
        QCOMPARE(m_form->gridModel()->rowCount(), 3);
    }

    void doubleClickHandsOverTheRowsFileName()
    {
        load();
        doubleClickRow(m_form->DataGrid1(), 1);
        doubleClickRow(m_form->DataGrid1(), 2);
        QCOMPARE(m_log.names, QStringList({"/data/a/second name.txt   ", "/data/b/third.TXT"}));
        // One opener per action; the previous one is released, the last one is kept.
        QCOMPARE(m_log.made, 2);
        QCOMPARE(m_log.alive, 1);
        QVERIFY(m_action->fileOpener());
        QVERIFY(m_dialogs->messages.isEmpty());
        // The action changes nothing else.
        QCOMPARE(m_form->gridModel()->rowCount(), 3);
        QCOMPARE(m_form->DataGrid1()->currentIndex().row(), 2);
    }

    void enterOnTheCurrentRowOpensItToo()
    {
        load();
        QTableView* grid = m_form->DataGrid1();
        grid->setCurrentIndex(grid->model()->index(2, 0));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(m_log.names, QStringList{"/data/b/third.TXT"});
        // Other keys still reach the grid.
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(m_log.names.size(), 1);
    }

    void actsOnTheNarrowedGrid()
    {
        load();
        m_form->Text1()->setText("third");
        m_form->Command3()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!WindowRegistry::instance().isOpen("Form2"), 3000);
        QCOMPARE(m_form->gridModel()->rowCount(), 1);
        // The search leaves the first matching record current, so the action has a row.
        m_action->openCurrentRecord();
        QCOMPARE(m_log.names, QStringList{"/data/b/third.TXT"});
    }

    void columnFoundWhateverTheCase()
    {
        load();
        QCOMPARE(RecordOpenAction::columnNamed(*m_form->DataGrid1(), "filename"), 1);
        QCOMPARE(RecordOpenAction::columnNamed(*m_form->DataGrid1(), "FILENAME"), 1);
        QCOMPARE(RecordOpenAction::columnNamed(*m_form->DataGrid1(), "size (BYTES)"), 2);
        QCOMPARE(RecordOpenAction::columnNamed(*m_form->DataGrid1(), "file"), -1);
    }

    void nothingLoaded()
    {
        m_action->openCurrentRecord();
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, RecordOpenAction::noCatalogText());
        QCOMPARE(m_dialogs->messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(m_log.names.isEmpty());
    }

    void noCurrentRow()
    {
        load();
        m_form->DataGrid1()->setCurrentIndex(QModelIndex());
        m_action->openCurrentRecord();
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, RecordOpenAction::noCurrentRecordText());
        QVERIFY(m_log.names.isEmpty());
    }

    void openerFailureIsShownAndTheWindowCarriesOn()
    {
        load();
        m_log.succeed = false;
        m_log.error = "There is no application to open it.";
        doubleClickRow(m_form->DataGrid1(), 0);
        QCOMPARE(m_log.names, QStringList{"/data/a/first.txt"});
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, m_log.error);
        QCOMPARE(m_dialogs->messages[0].title, RecordOpenAction::openErrorTitle());
        QVERIFY(m_form->isVisible());

        m_log.succeed = true;
        doubleClickRow(m_form->DataGrid1(), 2);
        QCOMPARE(m_log.names.size(), 2);
        QCOMPARE(m_dialogs->messages.size(), 1);
    }

    void openFileMenuItemStaysUnavailable()
    {
        QAction* item = m_form->findChild<QAction*>("mnuopenfile");
        QVERIFY(item);
        QVERIFY(!item->isEnabled());
        load();
        m_form->Command4()->click();
        QVERIFY(!item->isEnabled());
        item->trigger(); // a disabled action does not fire
        QVERIFY(m_log.names.isEmpty());
    }

    // The desktop opener: checks the file, then hands a file URL (not a command line) on.
    void desktopOpener()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("report; rm -rf x $(y).txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QList<QUrl> urls;
        bool launched = true;
        DesktopFileOpener opener([&](const QUrl& url) {
            urls << url;
            return launched;
        });

        QString name = path;
        QString error;
        QVERIFY(opener.Open(name, &error));
        QCOMPARE(urls, QList<QUrl>{QUrl::fromLocalFile(path)});

        // Blanks that pad the name are passed over when the padded name does not exist.
        QString padded = path + "   ";
        QVERIFY(opener.Open(padded, &error));
        QCOMPARE(urls.last(), QUrl::fromLocalFile(path));

        QString missing = dir.filePath("gone.txt");
        QVERIFY(!opener.Open(missing, &error));
        QVERIFY2(error.contains("does not exist") &&
                     error.contains(QDir::toNativeSeparators(missing)),
                 qPrintable(error));
        QCOMPARE(urls.size(), 2);

        QString empty;
        QVERIFY(!opener.Open(empty, &error));
        QVERIFY(!error.isEmpty());

        launched = false;
        error.clear();
        QVERIFY(!opener.Open(name, &error));
        QVERIFY2(error.contains("no application"), qPrintable(error));
    }

    void defaultFactoryMakesTheDesktopOpener()
    {
        FileOpener::setFactory({});
        QVERIFY(dynamic_cast<DesktopFileOpener*>(FileOpener::create().get()));
        FileOpener::setFactory([this] { return std::make_unique<RecordingOpener>(m_log); });
        QVERIFY(dynamic_cast<RecordingOpener*>(FileOpener::create().get()));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    OpenerLog m_log;
    Form1* m_form = nullptr;
    RecordOpenAction* m_action = nullptr;
};

QTEST_MAIN(TestOpenAction)
#include "tst_openaction.moc"
