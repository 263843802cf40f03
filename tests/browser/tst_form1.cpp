// The database window: its controls, opening catalogs at start-up and through File > Open,
// the grid layout, and the ways the program ends through it.

#include "browser/CatalogGridModel.h"
#include "browser/Form1.h"
#include "browser/ShowCatalog.h"
#include "catalog/Class1.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LastFileSetting.h"
#include "platform/core/ProgramState.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/StatusBar3.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QByteArray catalogBytes(const QList<QByteArray>& indexes)
{
    QByteArray bytes;
    int n = 0;
    for (const QByteArray& index : indexes) {
        ++n;
        bytes += index + "\tC:\\Disk\\file" + QByteArray::number(n) + ".txt\t" +
                 QByteArray::number(n * 100) + "\r\n";
    }
    return bytes;
}

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList numbersUpTo(int n)
{
    QStringList items;
    for (int i = 1; i <= n; ++i)
        items << QString::number(i);
    return items;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsSitWhereTheLayoutSays_data();
    void controlsSitWhereTheLayoutSays();
    void windowCaptionsMenusAndTabOrder();

    void startUp_data();
    void startUp();

    void fileOpen_data();
    void fileOpen();
    void fileOpenCancelledChangesNothing();
    void fileOpenWhileTheChannelIsBusy();
    void twoOpensInARowOfferOnlyTheSecondsIndexValues();
    void populateFailureStillShowsTheRecordsRead();

    void formatGridAfterEveryBinding();

    void quitAndCloseStoreTheShownCatalog();
    void exitStoresNothing();
    void menuItemsOpenTheirWindows();

private:
    Form1* makeForm();
    QString catalog(const QString& name, const QList<QByteArray>& indexes);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    Form1* m_form = nullptr;
    int m_quits = 0;
};

void TestForm1::initTestCase()
{
    Q_INIT_RESOURCE(vellumark);
    m_env = std::make_unique<TestEnvironment>();
    ProgramEnd::setQuitHandler([this] { ++m_quits; });
}

void TestForm1::init()
{
    ProgramEnd::resetForTests();
    ProgramState::lastfilename.clear();
    LastFileSetting::write(QString());
    m_quits = 0;
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestForm1::cleanup()
{
    delete m_form;
    m_form = nullptr;
    m_dialogs.reset();
    WindowRegistry::instance().reset();
    FileChannel::instance().close();
}

Form1* TestForm1::makeForm()
{
    m_form = new Form1;
    return m_form;
}

QString TestForm1::catalog(const QString& name, const QList<QByteArray>& indexes)
{
    return m_env->writeFile(name, catalogBytes(indexes));
}

void TestForm1::controlsSitWhereTheLayoutSays_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Frame1") << "Frame1" << QRect(120, 120, 9615, 1095) << "client"
                            << "Search ";
    QTest::newRow("Label2") << "Label2" << QRect(120, 240, 495, 255) << "Frame1"
                            << "Index";
    QTest::newRow("Label3") << "Label3" << QRect(1560, 240, 1455, 255) << "Frame1"
                            << "Search String";
    QTest::newRow("Combo1") << "Combo1" << QRect(240, 600, 1215, 315) << "client"
                            << "";
    QTest::newRow("Text1") << "Text1" << QRect(1680, 600, 5655, 375) << "client"
                           << "";
    QTest::newRow("Command3") << "Command3" << QRect(7560, 600, 855, 375) << "client"
                              << "&Search";
    QTest::newRow("Command4") << "Command4" << QRect(8520, 600, 855, 375) << "client"
                              << "&Reset";
    QTest::newRow("Frame2") << "Frame2" << QRect(120, 1320, 9615, 4815) << "client"
                            << "Records";
    QTest::newRow("DataGrid1") << "DataGrid1" << QRect(240, 1560, 9375, 4455) << "client"
                               << "";
    QTest::newRow("Command5") << "Command5" << QRect(8760, 6240, 975, 375) << "client"
                              << "&Quit";
}

void TestForm1::controlsSitWhereTheLayoutSays()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, parentName);
    QFETCH(QString, caption);

    Form1* form = makeForm();
    auto* widget = form->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    if (auto* b = qobject_cast<QPushButton*>(widget))
        QCOMPARE(b->text(), caption);
    else if (auto* l = qobject_cast<QLabel*>(widget))
        QCOMPARE(l->text(), caption);
    else if (auto* g = qobject_cast<QGroupBox*>(widget))
        QCOMPARE(g->title(), caption);
    else
        QVERIFY2(!widget->accessibleName().isEmpty(), "a control without text needs a name");
}

void TestForm1::windowCaptionsMenusAndTabOrder()
{
    Form1* form = makeForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Database"));
    QCOMPARE(form->recordCountText(), QStringLiteral("Number of Records: "));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form->centralWidget()->size(), QSize(Twips::toPixels(9870), Twips::toPixels(6645)));
    QVERIFY(form->StatusBar1()->panel(1)->text().size() > 0); // time
    QVERIFY(form->StatusBar1()->panel(2)->text().size() > 0); // date
    QVERIFY(!form->Timer1()->isActive());
    QVERIFY(!form->Timer2()->isActive());
    QCOMPARE(form->Timer1()->interval(), 500);
    QCOMPARE(form->Timer2()->interval(), 500);
    QVERIFY(form->Combo1()->count() == 0);

    // The menu bar, in order, and no shortcut anywhere.
    QStringList top;
    for (QAction* action : form->menuBar()->actions())
        top << action->text();
    QCOMPARE(top, (QStringList{"Open File", "&File", "&Create Database", "Help"}));
    QVERIFY(!form->findChild<QAction*>("mnuopenfile")->isEnabled());
    const auto* file = form->findChild<QMenu*>("mnuFile");
    const auto* help = form->findChild<QMenu*>("mnuHelp");
    QCOMPARE(file->actions().size(), 2);
    QCOMPARE(file->actions().at(0)->objectName(), QStringLiteral("mnuOpen"));
    QCOMPARE(file->actions().at(1)->objectName(), QStringLiteral("mnuExit"));
    QCOMPARE(help->actions().at(0)->text(), QStringLiteral("Instructions"));
    QCOMPARE(help->actions().at(1)->text(), QStringLiteral("About"));
    for (QAction* action : form->findChildren<QAction*>())
        QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));

    // Tab order among the focusable controls.
    QStringList order;
    QWidget* w = form->Text1();
    do {
        if (w->focusPolicy() & Qt::TabFocus && w->isEnabled() && !w->objectName().isEmpty() &&
            w->window() == form && w != form)
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form->Text1());
    QCOMPARE(order,
             (QStringList{"Text1", "Command3", "Command5", "Command4", "DataGrid1", "Combo1"}));
}

void TestForm1::startUp_data()
{
    QTest::addColumn<QString>("setting");     // name of the remembered file, "" for none
    QTest::addColumn<QByteArray>("contents"); // written when not null
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("highestIndex");

    const QByteArray none;
    QTest::newRow("no setting") << "" << none << QStringList() << 0 << 0;
    QTest::newRow("deleted file") << "gone.txt" << none << QStringList() << 0 << 0;
    QTest::newRow("refused file") << "notes.txt" << QByteArray("Name\tSize\r\nx\t1\r\n")
                                  << QStringList{"File Open Error|Incorrect Format"} << 0 << 0;
    QTest::newRow("empty file")
        << "empty.txt" << QByteArray("")
        << QStringList{"File Open Error|Previously created file is of incorrect format"} << 0 << 0;
    QTest::newRow("good catalog") << "good.txt" << catalogBytes({"1", "1", "2", "3", "3", "4"})
                                  << QStringList() << 6 << 4;
    // The last capture contributed one record, and the catalog ends with it.
    QTest::newRow("last capture one record")
        << "lastone.txt" << catalogBytes({"1", "2", "2", "7"}) << QStringList() << 4 << 7;
    QTest::newRow("one record") << "one.txt" << catalogBytes({"5"}) << QStringList() << 1 << 5;
    QTest::newRow("highest not last")
        << "order.txt" << catalogBytes({"9", "x", "3", "2.5"}) << QStringList() << 4 << 9;
}

void TestForm1::startUp()
{
    QFETCH(QString, setting);
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, boxes);
    QFETCH(int, rows);
    QFETCH(int, highestIndex);

    QString path;
    if (!setting.isEmpty()) {
        path = QDir(m_env->path()).filePath(setting);
        QFile::remove(path);
        if (!contents.isNull())
            m_env->writeFile(setting, contents);
    }
    LastFileSetting::write(path);

    Form1* form = makeForm();
    form->load();

    QCOMPARE(m_dialogs->shown(), boxes);
    QCOMPARE(ProgramState::lastfilename, path); // remembered even when it cannot be opened
    QCOMPARE(form->gridModel()->rowCount(), rows);
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(highestIndex));
    if (rows > 0) {
        QCOMPARE(form->windowTitle(), "Vellumark - Database: " + path);
        QCOMPARE(form->recordCountText(), "Number of Records: " + QString::number(rows));
        QCOMPARE(form->DataGrid1()->currentIndex().row(), 0);
        QCOMPARE(form->recordSet()->absolutePosition(), 0);
        QVERIFY(form->recordSet() == form->objdatasource()->rsCustomers);
    } else {
        QCOMPARE(form->windowTitle(), QStringLiteral("Vellumark - Database"));
        QCOMPARE(form->recordCountText(), QStringLiteral("Number of Records: "));
        QVERIFY(!form->recordSet());
    }
}

void TestForm1::fileOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents"); // null: the file does not exist
    QTest::addColumn<QString>("boxTitle");    // "" for no box
    QTest::addColumn<QString>("boxText");     // "*" for any non-empty text
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("highestIndex");

    QTest::newRow("good") << "a.txt" << catalogBytes({"1", "2", "2", "3"}) << ""
                          << "" << true << 3;
    QTest::newRow("one record") << "single.txt" << catalogBytes({"1"}) << ""
                                << "" << true << 1;
    QTest::newRow("index above 16 bits") << "big.txt" << catalogBytes({"40000", "2"}) << ""
                                         << "" << true << 40000;
    QTest::newRow("refused") << "words.txt" << QByteArray("hello world\r\n") << "File Open Error"
                             << "Incorrect Format" << false << 0;
    QTest::newRow("missing") << "typed-name.txt" << QByteArray() << "File Error"
                             << "*" << false << 0;
}

void TestForm1::fileOpen()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QString, boxTitle);
    QFETCH(QString, boxText);
    QFETCH(bool, shown);
    QFETCH(int, highestIndex);

    // A catalog is on show already; a failed open must leave it there.
    const QString previous = catalog("previous.txt", {"1", "2"});
    QString path = QDir(m_env->path()).filePath(name);
    QFile::remove(path);
    if (!contents.isNull())
        path = m_env->writeFile(name, contents);

    Form1* form = makeForm();
    m_dialogs->queueFileName(previous);
    form->findChild<QAction*>("mnuOpen")->trigger();
    QVERIFY(m_dialogs->messages.isEmpty());
    m_dialogs->clear();

    m_dialogs->queueFileName(path);
    form->findChild<QAction*>("mnuOpen")->trigger();

    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    QCOMPARE(m_dialogs->fileRequests.at(0).filter, QStringLiteral("Text files *.txt (*.txt)"));
    QCOMPARE(QDir::currentPath(), QCoreApplication::applicationDirPath());
    if (boxTitle.isEmpty()) {
        QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->shown().join(", ")));
    } else {
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages.at(0).title, boxTitle);
        QCOMPARE(m_dialogs->messages.at(0).icon, QMessageBox::NoIcon);
        QCOMPARE(m_dialogs->messages.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        if (boxText == QLatin1String("*"))
            QVERIFY(!m_dialogs->messages.at(0).text.isEmpty());
        else
            QCOMPARE(m_dialogs->messages.at(0).text, boxText);
    }

    const QString expected = shown ? path : previous;
    QCOMPARE(ProgramState::lastfilename, expected);
    QCOMPARE(form->windowTitle(), "Vellumark - Database: " + expected);
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(shown ? highestIndex : 2));
    const int rows = shown ? int(contents.count('\n')) : 2;
    QCOMPARE(form->gridModel()->rowCount(), rows);
    QCOMPARE(form->recordCountText(), "Number of Records: " + QString::number(rows));
    QCOMPARE(form->DataGrid1()->model()->index(0, 1).data().toString(),
             QStringLiteral("C:\\Disk\\file1.txt"));
    // Every attempt has its own data source; a refused one holds no record set.
    QVERIFY(form->objdatasource());
    QCOMPARE(bool(form->objdatasource()->rsCustomers), shown);
}

void TestForm1::fileOpenCancelledChangesNothing()
{
    LastFileSetting::write(catalog("kept.txt", {"1", "2", "3"}));
    Form1* form = makeForm();
    form->load();
    const QString before = ProgramState::lastfilename;
    Class1* source = form->objdatasource();
    form->findChild<QAction*>("mnuOpen")->trigger(); // nothing queued: the dialog is cancelled
    QCOMPARE(m_dialogs->fileRequests.size(), 1);
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(ProgramState::lastfilename, before);
    QCOMPARE(form->objdatasource(), source);
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(3));

    // A folder chosen by name is passed over silently as well.
    m_dialogs->queueFileName(m_env->path());
    form->findChild<QAction*>("mnuOpen")->trigger();
    QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->shown().join(", ")));
    QCOMPARE(ProgramState::lastfilename, before);
}

void TestForm1::fileOpenWhileTheChannelIsBusy()
{
    const QString path = catalog("busy.txt", {"1", "2"});
    QString expected;
    FileChannel probe;
    // The channel's own wording for a busy channel.
    QVERIFY(probe.open(m_env->path() + "/writing.txt", FileChannel::Mode::Output));
    QVERIFY(!probe.open(path, FileChannel::Mode::Input, &expected));
    probe.close();

    QVERIFY(
        FileChannel::instance().open(m_env->path() + "/writing.txt", FileChannel::Mode::Output));
    Form1* form = makeForm();
    m_dialogs->queueFileName(path);
    form->findChild<QAction*>("mnuOpen")->trigger();
    QCOMPARE(m_dialogs->shown(), QStringList{"File Error|" + expected});
    QVERIFY(ProgramState::lastfilename.isEmpty());
    QCOMPARE(form->gridModel()->rowCount(), 0);
    FileChannel::instance().close();

    // At start-up the same failure gets the fixed message.
    m_dialogs->clear();
    LastFileSetting::write(path);
    QVERIFY(
        FileChannel::instance().open(m_env->path() + "/writing.txt", FileChannel::Mode::Output));
    Form1 second;
    delete m_form;
    m_form = nullptr;
    second.load();
    QCOMPARE(m_dialogs->shown(),
             QStringList{"File Open Error|Unable to Open Previously Used File"});
    QCOMPARE(second.gridModel()->rowCount(), 0);
}

void TestForm1::twoOpensInARowOfferOnlyTheSecondsIndexValues()
{
    Form1* form = makeForm();
    m_dialogs->queueFileName(catalog("first.txt", {"1", "2", "3"}));
    m_dialogs->queueFileName(catalog("second.txt", {"1", "2"}));
    form->findChild<QAction*>("mnuOpen")->trigger();
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(3));
    form->findChild<QAction*>("mnuOpen")->trigger();
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(2));
    QCOMPARE(form->gridModel()->rowCount(), 2);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestForm1::populateFailureStillShowsTheRecordsRead()
{
    // The third line's index is wider than its field: two records are kept.
    const QString path = m_env->writeFile(
        "cut.txt", catalogBytes({"1", "2"}) + "123456\tC:\\x\t1\r\n" + catalogBytes({"3"}));
    Form1* form = makeForm();
    m_dialogs->queueFileName(path);
    form->findChild<QAction*>("mnuOpen")->trigger();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.at(0).title, QStringLiteral("File Open Error"));
    QCOMPARE(form->gridModel()->rowCount(), 2);
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(2));
    QCOMPARE(ProgramState::lastfilename, path);
}

void TestForm1::formatGridAfterEveryBinding()
{
    Form1* form = makeForm();
    QTableView* grid = form->DataGrid1();
    auto checkLayout = [&](const char* when) {
        QCOMPARE(grid->model()->columnCount(), 3);
        QVERIFY2(grid->columnWidth(0) == Twips::toPixels(500), when);
        QVERIFY2(grid->columnWidth(1) == Twips::toPixels(7274), when);
        QVERIFY2(grid->columnWidth(2) == Twips::toPixels(1000), when);
        QVERIFY2(grid->verticalHeader()->defaultSectionSize() == Twips::toPixels(400), when);
        QVERIFY2(grid->rowHeight(0) == Twips::toPixels(400), when);
        QVERIFY2(grid->verticalHeader()->sectionResizeMode(0) == QHeaderView::Fixed, when);
        QVERIFY2(form->columnWraps(1) && !form->columnWraps(0) && !form->columnWraps(2), when);
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Filename"));
    };
    auto disturb = [&] {
        for (int c = 0; c < 3; ++c)
            grid->setColumnWidth(c, 5);
        grid->verticalHeader()->setDefaultSectionSize(60);
        form->setColumnWraps(1, false);
    };

    m_dialogs->queueFileName(catalog("grid.txt", {"1", "2", "3", "3"}));
    form->findChild<QAction*>("mnuOpen")->trigger();
    checkLayout("after File > Open");

    // A filter change rebinds; FormatGrid (as the search calls it) lays out again.
    disturb();
    QVERIFY(form->recordSet()->setFilter("Index = '3'"));
    QCOMPARE(form->gridModel()->rowCount(), 2);
    FormatGrid();
    checkLayout("after a filter and FormatGrid()");

    // The capture run shows its catalog through the same steps.
    disturb();
    Class1 source;
    source.Populate(catalog("captured.txt", {"4", "4"}));
    QString failure;
    QVERIFY(showLoadedCatalog(*form, source.rsCustomers, source.currentfile, &failure));
    checkLayout("after showLoadedCatalog");
    QCOMPARE(comboItems(form->Combo1()), numbersUpTo(4));
    QCOMPARE(ProgramState::lastfilename, source.currentfile);

    // Nothing loaded: nothing shown, nothing remembered.
    QVERIFY(!showLoadedCatalog(*form, RecordSetPtr(), "nothing.txt", &failure));
    QVERIFY(!failure.isEmpty());
    QCOMPARE(ProgramState::lastfilename, source.currentfile);
}

void TestForm1::quitAndCloseStoreTheShownCatalog()
{
    const QString path = catalog("quit.txt", {"1"});
    Form1* form = makeForm();
    m_dialogs->queueFileName(path);
    form->findChild<QAction*>("mnuOpen")->trigger();
    form->Command5()->click();
    QCOMPARE(LastFileSetting::read(), path);
    QCOMPARE(m_quits, 1);

    // The close box does the same.
    ProgramEnd::resetForTests();
    LastFileSetting::write(QString());
    Form1 other;
    delete m_form;
    m_form = nullptr;
    ProgramState::lastfilename = path;
    other.show();
    QVERIFY(other.close());
    QCOMPARE(LastFileSetting::read(), path);
    QCOMPARE(m_quits, 2);

    // With nothing remembered, Quit stores the empty text.
    ProgramEnd::resetForTests();
    LastFileSetting::write(QStringLiteral("something.txt"));
    ProgramState::lastfilename.clear();
    Form1 empty;
    empty.load();
    empty.Command5()->click();
    QCOMPARE(LastFileSetting::read(), QStringLiteral("something.txt"));
}

void TestForm1::exitStoresNothing()
{
    const QString stored = catalog("stored.txt", {"1", "2"});
    LastFileSetting::write(stored);
    Form1* form = makeForm();
    form->load();
    m_dialogs->queueFileName(catalog("newer.txt", {"1"}));
    form->findChild<QAction*>("mnuOpen")->trigger();
    QCOMPARE(ProgramState::lastfilename, QDir(m_env->path()).filePath("newer.txt"));
    form->findChild<QAction*>("mnuExit")->trigger();
    QCOMPARE(m_quits, 1);
    QCOMPARE(LastFileSetting::read(), stored);
    // The close that follows the end of the program stores nothing either.
    form->close();
    QCOMPARE(LastFileSetting::read(), stored);
    QCOMPARE(m_quits, 1);
    m_form = nullptr;
    delete form;
}

void TestForm1::menuItemsOpenTheirWindows()
{
    WindowRegistry& registry = WindowRegistry::instance();
    for (const char* name : {"Form4", "Form5", "Form6"})
        registry.registerWindow(QString::fromLatin1(name), [name] {
            auto* w = new QWidget;
            w->setObjectName(QString::fromLatin1(name));
            return w;
        });
    Form1* form = makeForm();
    const QList<QPair<const char*, const char*>> items = {
        {"mnuCreate", "Form4"}, {"mnuinstr", "Form5"}, {"mnuAbout", "Form6"}};
    for (const auto& item : items) {
        QVERIFY(!registry.isOpen(item.second));
        form->findChild<QAction*>(item.first)->trigger();
        QVERIFY2(registry.isOpen(item.second), item.first);
        QWidget* first = registry.find(item.second);
        form->findChild<QAction*>(item.first)->trigger();
        QCOMPARE(registry.find(item.second), first); // never a second instance
    }
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
