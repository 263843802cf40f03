// The copies windows as a user reaches them from the database window's grid: the context
// menu, the lists they show, opening, copying and saving a list, and a save that fails.
#include "browser/BrowserWindows.h"
#include "browser/CopiesMenu.h"
#include "browser/CopiesWindow.h"
#include "browser/DatabaseWindow.h"
#include "catalog/DiskFacts.h"
#include "disks/DisksModel.h"
#include "disks/DisksWindow.h"
#include "disks/DisksWindows.h"
#include "platform/core/FileChannel.h"
#include "platform/widgets/FileOpener.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/DialogRecorder.h"
#include "support/FailingFile.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {

// Disk 1 holds a, b and c; disk 2 a copy of a (other case) and d; disk 3 a copy of a and b.
const QByteArray kCatalog = "1\t/one/a.txt\t10\r\n1\t/one/b.txt\t20\r\n1\t/one/sub/c.txt\t30\r\n"
                            "2\t/two/A.TXT\t10\r\n2\t/two/d.txt\t40\r\n"
                            "3\t/three/a.txt\t10\r\n3\t/three/b.txt\t20\r\n";

struct RecordingOpener : FileOpener
{
    explicit RecordingOpener(QStringList& opened) : m_opened(opened) {}
    bool open(QString& fileName, QString*) override { return m_opened << fileName, true; }
    QStringList& m_opened;
};

QStringList column(const CopiesWindow& window, int column)
{
    QStringList values;
    const CopiesListModel* model = window.listModel();
    for (int row = 0; row < model->rowCount(); ++row)
        values << model->data(model->index(row, column)).toString();
    return values;
}

} // namespace

class TestCopiesWindow : public QObject
{
    Q_OBJECT

    TestEnvironment m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    DatabaseWindow* m_form = nullptr;
    QStringList m_opened;
    QString m_catalog;

    // The menu's action named name, triggered on the grid row row.
    CopiesWindow* choose(const QString& name, int row, const QString& id)
    {
        m_form->grid()->setCurrentIndex(m_form->grid()->model()->index(row, 1));
        std::unique_ptr<QMenu> menu(copiesMenu(*m_form));
        QAction* action = menu->findChild<QAction*>(name);
        if (!action || !action->isEnabled())
            return nullptr;
        action->trigger();
        auto* window = WindowRegistry::instance().find<CopiesWindow>(id);
        if (window && !QTest::qWaitFor([&] { return !window->isWorking(); }, 5000))
            return nullptr;
        return window;
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(vellumark);
        FileOpener::setFactory([this] { return std::make_unique<RecordingOpener>(m_opened); });
    }
    void init()
    {
        m_dialogs = std::make_unique<DialogRecorder>();
        registerBrowserWindows(WindowRegistry::instance());
        m_form = qobject_cast<DatabaseWindow*>(WindowRegistry::instance().open(WindowId::database));
        registerDisksWindows(WindowRegistry::instance());
        m_catalog = m_env.writeFile(QStringLiteral("disks.txt"), kCatalog);
        QFile::remove(DiskFactsFile::pathFor(m_catalog));
        m_dialogs->queueFileName(m_catalog);
        m_form->onOpenTriggered();
        QCOMPARE(m_form->grid()->model()->rowCount(), 7);
        m_opened.clear();
    }
    void cleanup()
    {
        WindowRegistry::instance().reset();
        m_dialogs.reset();
        FileChannel::instance().close();
    }

    void menuOnTheGrid()
    {
        QCOMPARE(m_form->grid()->contextMenuPolicy(), Qt::CustomContextMenu);
        m_form->grid()->setCurrentIndex(m_form->grid()->model()->index(0, 0));
        std::unique_ptr<QMenu> menu(copiesMenu(*m_form));
        QStringList texts;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            QVERIFY(action->shortcut().isEmpty());
        }
        QCOMPARE(texts, (QStringList{"Other Copies", "Only on This Disk\u2026", "Duplicates\u2026"}));
    }

    void otherCopiesOpenAndCopy()
    {
        CopiesWindow* window = choose(QStringLiteral("otherCopies"), 0, CopiesWindowId::otherCopies);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Vellumark - Other Copies"));
        QCOMPARE(column(*window, 2), (QStringList{"/two/A.TXT", "/three/a.txt"}));
        QCOMPARE(column(*window, 0), (QStringList{"2", "3"}));

        window->list()->setCurrentIndex(window->listModel()->index(1, 0));
        QTest::keyClick(window->list(), Qt::Key_Return);
        QCOMPARE(m_opened, QStringList{"/three/a.txt"});

        window->list()->selectAll();
        QTest::keyClick(window->list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("2\t/two/A.TXT\t10\r\n3\t/three/a.txt\t10\r\n"));

        // Every control can be told apart by a screen reader.
        for (QWidget* child : window->findChildren<QWidget*>()) {
            if (child->focusPolicy() != Qt::NoFocus && child->isVisibleTo(window)
                && !child->parentWidget()->inherits("QAbstractScrollArea"))
                QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
        }
    }

    void onlyOnThisDisk()
    {
        CopiesWindow* window = choose(QStringLiteral("onlyOnDisk"), 1, CopiesWindowId::onlyOnDisk);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Vellumark - Only on This Disk"));
        // c.txt alone is at risk, under its folder's heading; a heading opens nothing.
        QCOMPARE(column(*window, 2), (QStringList{"/one/sub: 1 file only here", "/one/sub/c.txt"}));
        QCOMPARE(column(*window, 3), (QStringList{"30", "30"}));
        window->list()->setCurrentIndex(window->listModel()->index(0, 0));
        window->openCurrentRecord();
        QVERIFY(m_opened.isEmpty());
        // Disk 2 holds one of disk 1's three files, disk 3 two of them.
        const QStandardItemModel* coverage = window->coverage();
        QCOMPARE(coverage->rowCount(), 2);
        QCOMPARE(coverage->item(0, 2)->text(), QStringLiteral("1"));
        QCOMPARE(coverage->item(1, 2)->text(), QStringLiteral("2"));
        QCOMPARE(coverage->item(1, 3)->text(), QStringLiteral("30"));
        QCOMPARE(window->diskBox()->currentData().toString(), QStringLiteral("1"));
    }

    void duplicatesFilteredAndSaved()
    {
        CopiesWindow* window = choose(QStringLiteral("duplicates"), 0, CopiesWindowId::duplicates);
        QVERIFY(window);
        // b.txt twice and a.txt three times waste 20 bytes each: the larger file comes first.
        QCOMPARE(column(*window, 3), (QStringList{"20", "20", "20", "10", "10", "10", "10"}));
        window->minimumSizeBox()->setText(QStringLiteral("15"));
        window->diskBox()->setCurrentIndex(window->diskBox()->findData(QStringLiteral("3")));
        window->findButton()->click();
        QVERIFY(QTest::qWaitFor([&] { return !window->isWorking(); }, 5000));
        QCOMPARE(column(*window, 2).mid(1), (QStringList{"/one/b.txt", "/three/b.txt"}));

        const QString saved = m_env.path() + QStringLiteral("/list.txt");
        m_dialogs->queueFileName(saved);
        window->saveList();
        QCOMPARE(readAll(saved), QByteArray("Index\tLabel\tFilename\tSize (bytes)\r\n"
                                            "\t\tb.txt: 2 copies on 2 disks, 20 bytes more than one\t20\r\n"
                                            "1\t\t/one/b.txt\t20\r\n3\t\t/three/b.txt\t20\r\n"));
        // A folder that is not there: the message names the file and the reason.
        m_dialogs->clear();
        m_dialogs->queueFileName(m_env.path() + QStringLiteral("/missing/list.txt"));
        window->saveList();
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages[0].text.contains(QStringLiteral("/missing/list.txt: ")));
    }

    // From the Disks window, on its selected disk, with the labels of the side file.
    void fromTheDisksWindow()
    {
        QString error;
        for (const auto& [index, label] : {std::pair{"1", "Blue box"}, std::pair{"3", "Office"}})
            QVERIFY2(updateDiskFacts(m_catalog, QString::fromLatin1(index),
                                     [&](DiskFacts& facts) { facts.label = QString::fromLatin1(label); }, &error),
                     qPrintable(error));
        auto* disks = qobject_cast<DisksWindow*>(WindowRegistry::instance().open(WindowId::disks));
        QVERIFY(disks);
        disks->table()->selectRow(0); // disk 1
        auto* only = disks->findChild<QPushButton*>(QStringLiteral("onlyOnDiskButton"));
        QVERIFY(only && only->isEnabled() && !only->accessibleName().isEmpty());
        only->click();
        auto* window = WindowRegistry::instance().find<CopiesWindow>(CopiesWindowId::onlyOnDisk);
        QVERIFY(window && QTest::qWaitFor([&] { return !window->isWorking(); }, 5000));
        QCOMPARE(column(*window, 1), (QStringList{"", "Blue box"}));
        QCOMPARE(window->coverage()->item(1, 1)->text(), QStringLiteral("Office"));
        QVERIFY(window->summary()->text().startsWith(QStringLiteral("disk 1 (Blue box): 1 of 3 files")));

        // Other Copies acts on the database window's current file.
        m_form->grid()->setCurrentIndex(m_form->grid()->model()->index(4, 1)); // /two/d.txt
        disks->findChild<QPushButton*>(QStringLiteral("otherCopiesButton"))->click();
        window = WindowRegistry::instance().find<CopiesWindow>(CopiesWindowId::otherCopies);
        QVERIFY(window && QTest::qWaitFor([&] { return !window->isWorking(); }, 5000));
        QCOMPARE(window->listModel()->rowCount(), 0);
        QVERIFY(window->summary()->text().startsWith(QStringLiteral("No other disk holds a copy of /two/d.txt")));
    }

    void saveStopsAtAFailedWrite()
    {
        CopiesWindow* window = choose(QStringLiteral("duplicates"), 0, CopiesWindowId::duplicates);
        QVERIFY(window);
        FailingFile device(m_env.path() + QStringLiteral("/full.txt"), FailingFile::Fault::Write, 10);
        QVERIFY(device.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY(!window->listModel()->writeTabSeparated(device, &error));
        QCOMPARE(error, QStringLiteral("No space left on device"));
    }
};

QTEST_MAIN(TestCopiesWindow)
#include "tst_copieswindow.moc"
