// The Disks window: its rows against the catalog and its side file, editing in place, showing a
// disk in the database window, and re-capturing a disk whose tree changed since its capture.
#include "browser/BrowserWindows.h"
#include "browser/DatabaseWindow.h"
#include "browser/OpenCatalog.h"
#include "catalog/DiskFacts.h"
#include "disks/DisksModel.h"
#include "disks/DisksWindow.h"
#include "disks/DisksWindows.h"
#include "disks/RecapturePreview.h"
#include "platform/core/FileChannel.h"
#include "platform/core/LastFileSetting.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/CaptureTree.h"
#include "support/DialogRecorder.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {

const QByteArray kCatalog = "3\t/p/a.jpg\t1500000\r\n3\t/p/b.txt\t24\r\nx\t/odd\t1\r\n"
                            "12\t/srv/c\t7\r\n3\t/p/late\t1\r\n";
const QByteArray kSide = "index\tlabel\tfiles\tnote\n99\tforeign\t5\t\n12\tgrey\t10\tstale count\n";

// name -> size of every line of a catalog's bytes, for one index value.
QMap<QString, QString> recordsOf(const QByteArray& bytes, const QByteArray& index)
{
    QMap<QString, QString> records;
    for (const QByteArray& line : bytes.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() == 3 && fields[0] == index)
            records.insert(QString::fromUtf8(fields[1]), QString::fromUtf8(fields[2]));
    }
    return records;
}

QStringList rowTexts(const DisksModel* model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

} // namespace

class TestDisksWindow : public QObject
{
    Q_OBJECT

    TestEnvironment m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
    int m_files = 0;

    DatabaseWindow* database() const
    {
        return WindowRegistry::instance().find<DatabaseWindow>(WindowId::database);
    }

    // The database window showing catalog bytes, and the Disks window opened from its menu.
    DisksWindow* openOn(const QByteArray& bytes, QString* path, const QByteArray* side = nullptr)
    {
        *path = m_env.writeFile(QStringLiteral("cat%1.txt").arg(++m_files), bytes);
        if (side)
            m_env.writeFile(QFileInfo(DiskFactsFile::pathFor(*path)).fileName(), *side);
        WindowRegistry::instance().open(WindowId::database);
        openCatalog(*database(), *path, FirstLineCheck::Check);
        const QList<QAction*> menus = database()->menuBar()->actions();
        const int create = int(menus.indexOf(database()->findChild<QAction*>("mnuCreate")));
        QAction* disks = menus.value(create + 1);
        if (!disks || disks->text() != QLatin1String("&Disks") || disks->menu())
            return nullptr;
        disks->trigger();
        return WindowRegistry::instance().find<DisksWindow>(WindowId::disks);
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(vellumark);
        ProgramEnd::setQuitHandler([] {});
    }
    void init()
    {
        LastFileSetting::write(QString());
        m_dialogs = std::make_unique<DialogRecorder>();
        WindowRegistry::instance().reset();
        registerBrowserWindows(WindowRegistry::instance());
        registerDisksWindows(WindowRegistry::instance());
    }
    void cleanup()
    {
        WindowRegistry::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FileChannel::instance().close();
        m_dialogs.reset();
    }

    // One row per index value of the catalog, in index order, counted from the catalog; the
    // side file adds labels and notes, and its foreign line shows nowhere.
    void rows()
    {
        QString catalog;
        DisksWindow* window = openOn(kCatalog, &catalog, &kSide);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), "Vellumark - Disks: " + catalog);
        const DisksModel* model = window->model();
        QCOMPARE(rowTexts(model, DisksModel::Index), (QStringList{"3", "12", "x"}));
        QCOMPARE(rowTexts(model, DisksModel::Label), (QStringList{"", "grey", ""}));
        QCOMPARE(rowTexts(model, DisksModel::Note), (QStringList{"", "stale count", ""}));
        QCOMPARE(rowTexts(model, DisksModel::Files), (QStringList{"3", "1", "1"}));
        QCOMPARE(rowTexts(model, DisksModel::Size), (QStringList{"1.5 MB", "7 bytes", "1 bytes"}));
        QCOMPARE(model->index(0, DisksModel::Size).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("1,500,025 bytes"));
        QCOMPARE(model->index(1, DisksModel::Files).data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("1 records in the catalog; the last capture wrote 10"));
        QCOMPARE(window->totalsLabel()->text(), QStringLiteral("3 disks, 5 records, 1.5 MB (1,500,033 bytes)"));
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(window))
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    // Typing on a Label or Note cell edits it; Enter saves it to the side file at once. A side
    // file that cannot be written is told with its cause and the text stays as it was.
    void editing_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("saved") << false;
        QTest::newRow("side file cannot be written") << true;
    }
    void editing()
    {
        QFETCH(bool, blocked);
        QString catalog;
        DisksWindow* window = openOn(kCatalog, &catalog);
        QVERIFY(window);
        if (blocked)
            QVERIFY(QDir().mkdir(DiskFactsFile::pathFor(catalog)));
        QTableView* table = window->table();
        table->setFocus();
        table->setCurrentIndex(window->model()->index(1, DisksModel::Note));
        QTest::keyClick(table, Qt::Key_I); // a key on the cell opens its editor with it
        auto* editor = table->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, "n box 3");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the delegate commits on its next turn
        const DiskFactsFile side = DiskFactsFile::read(catalog);
        if (blocked) {
            QCOMPARE(m_dialogs->messages.size(), 1);
            QVERIFY(m_dialogs->messages.first().text.contains("cannot be read: it is not a regular file"));
            QCOMPARE(window->model()->index(1, DisksModel::Note).data().toString(), QString());
        } else {
            QCOMPARE(m_dialogs->shown(), QStringList());
            QVERIFY2(side.find("12"), readAll(DiskFactsFile::pathFor(catalog)).constData());
            QCOMPARE(side.find("12")->note, QStringLiteral("in box 3"));
            QCOMPARE(side.disks().size(), 1);
        }
    }

    // Enter on a row shows that disk's records, as its value chosen in the Index list does.
    void activatingShowsTheDisk()
    {
        QString catalog;
        DisksWindow* window = openOn(kCatalog, &catalog);
        QVERIFY(window);
        window->table()->setFocus();
        window->table()->setCurrentIndex(window->model()->index(0, DisksModel::Index));
        QTest::keyClick(window->table(), Qt::Key_Return);
        QCOMPARE(database()->indexList()->currentText(), QStringLiteral("3"));
        QTRY_COMPARE(database()->recordSet()->recordCount(), 3);
        QCOMPARE(database()->recordSet()->valueAt(2, 1), QStringLiteral("/p/late"));
    }

    // A disk captured, its tree then changed (files added, deleted, resized), re-captured
    // through the window: the preview's counts and the new catalog against a prediction made
    // from the two trees; or, by row, a re-capture that stops and leaves the catalog alone.
    void recapture_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("told"); // part of the one box shown, "" for none
        QTest::newRow("replaced") << "replace" << "";
        QTest::newRow("preview cancelled") << "cancel preview" << "";
        QTest::newRow("walk cancelled in a report") << "cancel report" << "could not be catalogued";
        QTest::newRow("catalog being written") << "busy" << "cannot be re-captured: a capture is writing it";
        QTest::newRow("catalog gone before the walk") << "gone" << "is not a catalog file that can be rewritten";
    }
    void recapture()
    {
        QFETCH(QString, how);
        QFETCH(QString, told);
        QTemporaryDir trees;
        const QString root = trees.filePath("disk");
        QVERIFY(QDir().mkpath(root));
        QList<QPair<QString, QByteArray>> first = {
            {"keep.txt", "same"}, {"grow.bin", "12"}, {"gone.txt", "x"}, {"sub/old.txt", "o"},
            {"sub/deep/été.txt", "abc"}, {"Later/z.txt", "zz"}};
        QVERIFY(writeTree(treeOf(first), root));
        const QByteArray before = expectedCatalog(treeOf(first), root, "2");
        QByteArray old = "1\t/other/a\t5\r\n" + before + "3\t/third\t7\n2\t/stale/dup\t1\r\n1\t/other/b\t6";

        // The tree changes: one file deleted, one grown, two added (one in a new folder).
        QVERIFY(QFile::remove(root + "/gone.txt"));
        QList<QPair<QString, QByteArray>> second = first;
        second.removeAt(2);
        second[1].second = "123456";
        second << qMakePair(QString("new.txt"), QByteArray("n")) << qMakePair(QString("Added/b c.txt"), QByteArray("bc"));
        QVERIFY(writeTree(treeOf(second), root));
        const QByteArray after = expectedCatalog(treeOf(second), root, "2");
        if (how == "cancel report")
            QVERIFY(QFile::link(root + "/nowhere", root + "/sub/dangling"));

        QString catalog;
        DisksWindow* window = openOn(old, &catalog);
        QVERIFY(window);
        QCOMPARE(window->model()->indexAt(1), QStringLiteral("2"));
        window->table()->selectRow(1);
        if (how == "busy")
            QVERIFY(FileChannel::instance().open(catalog, FileChannel::Mode::Append));
        if (how == "gone")
            QVERIFY(QFile::remove(catalog));
        m_dialogs->queueFolderName(root);
        if (how == "cancel report")
            m_dialogs->queueButton(QMessageBox::Cancel);

        // What the preview must count, from the two trees' lines alone.
        const QMap<QString, QString> was = recordsOf(before + "2\t/stale/dup\t1\r\n", "2");
        const QMap<QString, QString> now = recordsOf(after, "2");
        int added = 0, removed = 0, changed = 0, same = 0;
        for (auto it = now.begin(); it != now.end(); ++it)
            (!was.contains(it.key()) ? added : was[it.key()] != it.value() ? changed : same)++;
        for (auto it = was.begin(); it != was.end(); ++it)
            removed += now.contains(it.key()) ? 0 : 1;
        QString summary;
        int addedListed = -1;
        QTimer watch; // answers the preview once it is open; the walk's progress comes first
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, [&] {
            auto* preview = qobject_cast<RecapturePreview*>(QApplication::activeModalWidget());
            if (!preview)
                return;
            watch.stop();
            summary = preview->summary()->text();
            addedListed = int(preview->lists()->widget(0)->findChild<QAbstractItemModel*>()->rowCount());
            (how == "replace" ? preview->replaceButton() : preview->cancelButton())->click();
        });
        watch.start();
        window->recaptureButton()->click();

        const bool replaced = how == "replace";
        const bool previewed = replaced || how == "cancel preview";
        QCOMPARE(m_dialogs->folderRequests.size(), how == "busy" || how == "gone" ? 0 : 1);
        if (previewed) {
            QCOMPARE(summary, QStringLiteral("Re-capturing disk 2 would change its records: %1 added, %2 removed, "
                                             "%3 changed in size, %4 unchanged. The catalog changes only when you press Replace.")
                                  .arg(added).arg(removed).arg(changed).arg(same));
            QCOMPARE(addedListed, added);
        }
        QCOMPARE(m_dialogs->messages.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty())
            QVERIFY2(m_dialogs->messages.first().text.contains(told), qPrintable(m_dialogs->messages.first().text));
        if (how == "gone")
            return;
        FileChannel::instance().close();
        // The busy row's capture ended the unended last line when it opened the catalog.
        const QByteArray expected = replaced ? "1\t/other/a\t5\r\n" + after + "3\t/third\t7\n1\t/other/b\t6"
                                             : old + (how == "busy" ? "\r\n" : "");
        QCOMPARE(readAll(catalog), expected);
        QCOMPARE(QDir(m_env.path()).entryList(QDir::Hidden | QDir::Files).filter(".recapture."), QStringList());
        if (!replaced)
            return;
        // The database window shows the new catalog, the side file has the disk's new counts.
        QCOMPARE(database()->recordSet()->totalRecordCount(), qint64(3 + now.size()));
        const DiskFactsFile side = DiskFactsFile::read(catalog);
        const DiskFacts* facts = side.find("2");
        QVERIFY(facts);
        QCOMPARE(facts->files, qint64(now.size()));
        QCOMPARE(facts->root, root);
        window->followDatabaseWindow();
        QCOMPARE(window->model()->index(1, DisksModel::Files).data().toString(), QString::number(now.size()));
    }
};

QTEST_MAIN(TestDisksWindow)
#include "tst_diskswindow.moc"
