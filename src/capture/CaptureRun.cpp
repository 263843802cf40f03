#include "capture/CaptureRun.h"

#include "browser/DatabaseWindow.h"
#include "browser/OpenCatalog.h"
#include "capture/walker/CaptureRecord.h"
#include "capture/walker/CaptureSession.h"
#include "capture/walker/DirectoryWalker.h"
#include "capture/walker/IndexValue.h"
#include "capture/CaptureWindow.h"
#include "capture/CaptureWindowLists.h"
#include "platform/core/FileChannel.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/FolderList.h"
#include "platform/widgets/PanelStatusBar.h"
#include "platform/widgets/ProgramEnd.h"
#include "capture/TextFileView.h"
#include "platform/widgets/WindowRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>

#include "platform/widgets/WindowIds.h"

namespace CaptureRun {

namespace {

// One run's hold on the window and the channel. However the run ends, the catalog it opened is
// closed (every written line stays) and, when no other run is active, the window goes back to
// its idle look. A second run started during a walk never closes the first run's catalog.
class RunScope
{
public:
    explicit RunScope(CaptureWindow* target) : window(target), session(FileChannel::instance())
    {
        window->beginRun(&session);
    }
    ~RunScope()
    {
        if (m_opened)
            FileChannel::instance().close();
        if (window)
            window->endRun(&session);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    bool open(const QString& name, FileChannel::Mode mode, QString* error)
    {
        m_opened = FileChannel::instance().open(name, mode, error);
        return m_opened;
    }
    bool close(QString* error)
    {
        m_opened = false;
        return FileChannel::instance().close(error);
    }

    // A failure ends the run with one box holding its description.
    void fail(const QString& description) const
    {
        Dialogs::inform(window, description);
    }

    QPointer<CaptureWindow> window;
    // Handed to the window as soon as the run starts: Cancel, Quit and closing stop it.
    CaptureSession session;

private:
    bool m_opened = false;
};

// Shows the new catalog in the database window through the window's own steps, then closes
// the capture window. False with a description when a step fails (the capture window stays).
bool showInDatabase(const QString& name, QString* failure)
{
    auto* database = WindowRegistry::instance().find<DatabaseWindow>(WindowId::database);
    if (!database) {
        *failure = QStringLiteral("The database window is not open");
        return false;
    }
    // A load that fails part-way is told as File > Open tells it; the records read stay shown.
    const CatalogOpening opening = openCatalog(*database, name, FirstLineCheck::Skip);
    if (opening.result == CatalogOpening::Result::Shown)
        return true;
    *failure = opening.failure;
    return false;
}

// The index value as IndexValue takes it; the box is left alone here and shows the 1 a value
// that is not a number becomes only once the walk starts (a run that ends before it leaves the
// box as the user left it). False with the reason when the value must be refused.
bool takeIndexValue(CaptureWindow* window, QString* index, QString* error)
{
    return IndexValue::take(window->indexBox()->currentText(), index, error);
}

// Writes the disk's line in the catalog's side file once the catalog is closed: what this run
// wrote (the lines from start on), and whether the capture finished. A failure is told with its
// cause; the catalog is never touched.
void recordDisk(QWidget* parent, const CaptureFacts& facts, qint64 start)
{
    QString error;
    if (!CaptureRecord::record(FileChannel::instance(), facts, start, &error) && !ProgramEnd::isEnding())
        Dialogs::inform(parent, error);
}

void closeCaptureWindow(CaptureWindow* window)
{
    WindowRegistry& registry = WindowRegistry::instance();
    if (registry.find(WindowId::capture) == window)
        registry.close(WindowId::capture);
    else
        window->close();
}

} // namespace

void run(CaptureWindow* target)
{
    RunScope scope(target);
    const QPointer<CaptureWindow>& window = scope.window;

    const QString startFolder = window->folderList()->path();

    QString index, error;
    if (!takeIndexValue(window, &index, &error)) {
        scope.fail(error);
        return;
    }

    // The chooser opens in the program's folder unless it remembers a name.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    Dialogs::FileRequest request;
    request.filter = QString::fromLatin1(kChooserFilter);
    request.initialName = window->chosenFileName();
    const QString name = Dialogs::openFileName(window, request);
    if (!window || name.isEmpty())
        return;
    window->setChosenFileName(name);

    const bool appendMode = window->append()->isChecked();
    // A pipe or device would block the walk for good; a folder cannot be a catalog.
    if (!FileChannel::checkRegularFile(name, &error)) {
        scope.fail(error);
        return;
    }
    // Hidden or not, an existing catalog is never overwritten or extended without asking.
    if (QFileInfo::exists(name)) {
        const QString prompt = (appendMode ? QStringLiteral("Append ") : QStringLiteral("Overwrite "))
                               + name + QLatin1Char('?');
        const auto answer = Dialogs::message(
            window, {prompt, QString::fromLatin1(kExistsTitle), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Warning});
        if (!window || answer != QMessageBox::Yes)
            return;
    }

    window->setRunningLook();
    window->statusBar()->setText(QString::fromLatin1(CaptureWindow::kFilesText));

    // This run's records start where the catalog ends now (a line end the channel may add to
    // an unended last line is an empty line to the tally).
    const QFileInfo before(name);
    const qint64 start = appendMode && before.exists() ? before.size() : 0;
    const CaptureFacts disk{name, index, startFolder, 0, 0, /*complete=*/false};

    if (!scope.open(name, appendMode ? FileChannel::Mode::Append : FileChannel::Mode::Output,
                    &error)) {
        scope.fail(error);
        return;
    }
    CaptureSession& session = scope.session;
    session.index = index;
    session.sink.begin(name); // each run counts its own files

    CaptureWindowLists lists(window);
    WalkContext context;
    context.lists = &lists;
    context.session = &session;
    // A report box can stop the walk: Cancel there is Cancel of the window. When the catalog
    // itself is lost the walk is over anyway, and OK is all there is to say.
    context.report = [&window, &lists, &session](const QString& description) {
        lists.showCurrent();
        const auto buttons =
            session.sink.failed() ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel;
        if (Dialogs::message(window, {description, QString(), buttons, QMessageBox::NoIcon})
            != QMessageBox::Cancel)
            return;
        session.stopRequested = true;
        if (window)
            window->onCancelClicked();
    };

    // The walk writes the value it was given; a box that held no number now shows it.
    if (window->indexBox()->currentText() != index)
        window->indexBox()->setEditText(index);
    DirectoryWalker(context).walk(startFolder);
    lists.endWalk();

    if (!window || !session.keepGoing()) {
        // Cancelled, closed, or the catalog was lost (already reported). The next Run starts
        // from the folder this one started from, not where the walk stopped.
        scope.close(nullptr);
        recordDisk(window, disk, start);
        if (window)
            window->folderList()->setPath(startFolder, nullptr);
        return;
    }

    CaptureFacts finished = disk;
    finished.complete = true;
    if (!window->folderList()->setPath(startFolder, &error)) {
        scope.fail(error);
        scope.close(nullptr);
        recordDisk(window, finished, start);
        return;
    }
    window->statusBar()->setText(QString::fromLatin1(CaptureWindow::kFilesText)
                                  + QString::number(session.sink.entryCount()));
    window->progressBar()->setValue(window->progressBar()->minimum());
    if (!scope.close(&error)) {
        scope.fail(error);
        recordDisk(window, disk, start);
        return;
    }
    recordDisk(window, finished, start);
    if (!window)
        return;
    if (!window->capturedFilesView()->loadFile(name, &error)) {
        scope.fail(error);
        return;
    }
    window->setIdleLook();

    const auto answer = Dialogs::message(
        window, {QString::fromLatin1(kViewQuestion), QString::fromLatin1(kSavedTitle),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon});
    if (!window || answer != QMessageBox::Yes)
        return;
    if (!showInDatabase(name, &error)) {
        scope.fail(error);
        return;
    }
    if (window)
        closeCaptureWindow(window);
}

} // namespace CaptureRun
