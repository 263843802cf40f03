#include "capture/CaptureWindow.h"

#include "capture/CaptureRun.h"
#include "capture/walker/CaptureSession.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/DriveList.h"
#include "platform/widgets/FileList.h"
#include "platform/widgets/FolderList.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/PanelStatusBar.h"
#include "capture/TextFileView.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowLook.h"
#include "platform/widgets/WindowRegistry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include "platform/widgets/WindowIds.h"

namespace {
constexpr int kClientWidth = 9870;
constexpr int kClientHeight = 6645;

QPushButton* button(QWidget* parent, const char* name, const char* caption, int left)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(Twips::rect(left, 5760, 1215, 495));
    return b;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, const QRect& rect)
{
    auto* f = new QGroupBox(QString::fromLatin1(caption), parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(rect);
    return f;
}

// The start of a line, tabs expanded (the printer has no tab stops), that reaches past width:
// the printer cuts off the rest anyway, and laying out megabytes that no one sees would take
// seconds. Longer and longer starts are tried, so the cost follows the width, not the line.
QString printedPart(const QString& line, const QFontMetrics& metrics, int width)
{
    for (qsizetype take = 256;; take *= 2) {
        if (take >= line.size())
            return TextFileView::expandTabs(line);
        const QString part = TextFileView::expandTabs(
            line.left(line.at(take - 1).isHighSurrogate() ? take + 1 : take));
        if (metrics.horizontalAdvance(part) > width)
            return part;
    }
}

} // namespace

CaptureWindow::CaptureWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(WindowId::capture);
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(WindowLook::captureIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    layout->setMenuBar(bar);
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Twips::toPixels(kClientWidth), Twips::toPixels(kClientHeight));
    layout->addWidget(client);

    buildControls(client);
    buildMenus(bar);
    setTabOrder();
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Ending the program from the database window stops a walk before the channel is closed.
    QPointer<CaptureWindow> self(this);
    m_aboutToEndId = ProgramEnd::addAboutToEnd([self] {
        if (self)
            self->stopWalk();
    });
}

CaptureWindow::~CaptureWindow()
{
    stopWalk();
    ProgramEnd::removeAboutToEnd(m_aboutToEndId);
}

void CaptureWindow::buildControls(QWidget* client)
{
    // Frames first, so that they lie behind the controls they frame.
    m_explorerFrame = frame(client, "Frame1", "Explorer", Twips::rect(0, 0, 5295, 5535));
    m_capturedFrame = frame(client, "Frame2", "Captured Files", Twips::rect(5400, 0, 4455, 5535));
    m_optionsFrame = frame(client, "Frame3", "Options", Twips::rect(5400, 5520, 4455, 735));

    m_driveList = new DriveList(client);
    m_driveList->setObjectName(QStringLiteral("Drive1"));
    m_driveList->setGeometry(Twips::rect(120, 240, 2175, 315));
    m_driveList->setAccessibleName(QStringLiteral("Drive"));

    m_folderList = new FolderList(client);
    m_folderList->setObjectName(QStringLiteral("Dir1"));
    m_folderList->setGeometry(Twips::rect(120, 600, 2175, 4815));
    m_folderList->setAccessibleName(QStringLiteral("Folders"));

    m_fileList = new FileList(client);
    m_fileList->setObjectName(QStringLiteral("File1"));
    m_fileList->setGeometry(Twips::rect(2400, 240, 2775, 5160));
    m_fileList->setAccessibleName(QStringLiteral("Files"));

    m_capturedFiles = new TextFileView(client);
    m_capturedFiles->setObjectName(QStringLiteral("rt1"));
    m_capturedFiles->setAccessibleName(QStringLiteral("Captured Files"));
    m_capturedFiles->setGeometry(Twips::rect(5520, 240, 4215, 5175));

    m_indexBox = new QComboBox(client);
    m_indexBox->setObjectName(QStringLiteral("Combo1"));
    m_indexBox->setEditable(true);
    m_indexBox->setInsertPolicy(QComboBox::NoInsert);
    m_indexBox->setMaxVisibleItems(15);
    m_indexBox->setGeometry(Twips::rect(5640, 5760, 1335, 315));
    m_indexBox->setAccessibleName(QStringLiteral("Index value"));

    m_append = new QCheckBox(QStringLiteral("Append File"), client);
    m_append->setObjectName(QStringLiteral("append"));
    m_append->setGeometry(Twips::rect(8160, 5760, 1335, 255));

    m_runButton = button(client, "Command1", "Ru&n", 120);
    m_cancelButton = button(client, "Command2", "&Cancel", 1440);
    m_cancelButton->setEnabled(false);
    m_resetButton = button(client, "Command3", "&Reset", 2760);
    m_quitButton = button(client, "Command4", "&Quit", 4080);

    m_statusBar = new PanelStatusBar(QStringLiteral("Number of Files:"), client);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setGeometry(Twips::rect(0, 6270, kClientWidth, 375));

    // The bar sits on the status bar, to the right of its panels.
    m_progressBar = new QProgressBar(client);
    m_progressBar->setObjectName(QStringLiteral("pb1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setGeometry(Twips::rect(4080, 6360, 5535, 255));
    m_progressBar->setAccessibleName(QStringLiteral("Progress in the current folder"));
    m_progressBar->raise();

    connect(m_driveList, &DriveList::driveChanged, this, &CaptureWindow::onDriveChanged);
    // Direct: the file list must show the new folder before the folder list's setter returns.
    connect(m_folderList, &FolderList::pathChanged, this, &CaptureWindow::onFolderChanged, Qt::DirectConnection);
    connect(m_folderList, &FolderList::pathFailed, this,
            [this](const QString& description) { Dialogs::inform(this, description); });

    // The run may close this window; it holds its own guard and never touches a deleted one.
    connect(m_runButton, &QPushButton::clicked, this, [this] { CaptureRun::run(this); });
    connect(m_cancelButton, &QPushButton::clicked, this, &CaptureWindow::onCancelClicked);
    connect(m_resetButton, &QPushButton::clicked, this, &CaptureWindow::onResetClicked);
    connect(m_quitButton, &QPushButton::clicked, this, &CaptureWindow::onQuitClicked);
}

void CaptureWindow::buildMenus(QMenuBar* bar)
{
    QMenu* fileMenu = bar->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("mnuFile"));
    m_openAction = fileMenu->addAction(QStringLiteral("&Open"));
    m_openAction->setObjectName(QStringLiteral("mnuOpen"));
    m_printAction = fileMenu->addAction(QStringLiteral("&Print"));
    m_printAction->setObjectName(QStringLiteral("mnuPrint"));
    m_exitAction = fileMenu->addAction(QStringLiteral("&Exit"));
    m_exitAction->setObjectName(QStringLiteral("mnuExit"));

    QMenu* helpMenu = bar->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("mnuHelp"));
    m_instructionsAction = helpMenu->addAction(QStringLiteral("Instructions"));
    m_instructionsAction->setObjectName(QStringLiteral("mnuinstr"));
    m_aboutAction = helpMenu->addAction(QStringLiteral("About"));
    m_aboutAction->setObjectName(QStringLiteral("mnuAbout"));

    connect(m_openAction, &QAction::triggered, this, &CaptureWindow::onOpenTriggered);
    connect(m_printAction, &QAction::triggered, this, &CaptureWindow::onPrintTriggered);
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_instructionsAction, &QAction::triggered, this,
            [] { WindowRegistry::instance().open(WindowId::instructions); });
    connect(m_aboutAction, &QAction::triggered, this,
            [] { WindowRegistry::instance().open(WindowId::splash); });
}

void CaptureWindow::setTabOrder()
{
    // The captured files, the lists, Run, Cancel, Reset, the index box, Quit, append; the progress bar,
    // the status bar and the frames take no focus.
    QWidget* const order[] = {m_capturedFiles, m_driveList, m_folderList, m_fileList, m_runButton, m_cancelButton,
                              m_resetButton, m_indexBox, m_quitButton, m_append};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    m_capturedFiles->setFocus();
}

void CaptureWindow::load()
{
    m_progressBar->setMinimum(1);
    m_progressBar->setValue(m_progressBar->minimum());
    m_indexBox->addItem(QStringLiteral("Index Value"));
    for (int i = 1; i <= 100; ++i)
        m_indexBox->addItem(QString::number(i));
    showIndexPrompt();

    // The lists start at the process's current folder (its root if that cannot be listed).
    const QString current = QDir::currentPath();
    if (!m_folderList->setPath(current))
        m_folderList->setPath(QDir::rootPath());
    m_driveList->setDriveOf(m_folderList->path());
    WindowLook::centreOnScreen(this);
}

void CaptureWindow::onDriveChanged(const QString& root)
{
    QString error;
    if (m_folderList->setPath(root, &error))
        return;
    // A drive without a medium, or one that has gone: say so and stay where the lists were.
    Dialogs::inform(this, error);
    m_driveList->setDriveOf(m_folderList->path());
}

void CaptureWindow::onFolderChanged(const QString& path)
{
    m_fileList->showFiles(path, m_folderList->fileNames());
}

void CaptureWindow::beginRun(CaptureSession* session)
{
    m_sessions.append(session);
    m_resetButton->setEnabled(false);
    m_cancelButton->setEnabled(true);
}

void CaptureWindow::endRun(CaptureSession* session)
{
    m_sessions.removeOne(session);
    if (m_sessions.isEmpty())
        setIdleLook();
}

void CaptureWindow::setRunningLook()
{
    setWindowTitle(QString::fromLatin1(kCaptionRunning));
    m_resetButton->setEnabled(false);
    m_cancelButton->setEnabled(true);
    // The walk drives the lists; the user must not move them under it.
    m_driveList->setEnabled(false);
    m_folderList->setEnabled(false);
    m_fileList->setEnabled(false);
    // The run took its index value and its append choice when it started.
    m_indexBox->setEnabled(false);
    m_append->setEnabled(false);
}

void CaptureWindow::setIdleLook()
{
    setWindowTitle(QString::fromLatin1(kCaption));
    m_resetButton->setEnabled(true);
    m_cancelButton->setEnabled(false);
    m_driveList->setEnabled(true);
    m_folderList->setEnabled(true);
    m_fileList->setEnabled(true);
    m_indexBox->setEnabled(true);
    m_append->setEnabled(true);
}

void CaptureWindow::stopWalk()
{
    for (CaptureSession* session : std::as_const(m_sessions))
        session->stopRequested = true;
}

void CaptureWindow::onCancelClicked()
{
    stopWalk();
}

void CaptureWindow::onResetClicked()
{
    m_capturedFiles->clear();
    m_statusBar->setText(QString::fromLatin1(kFilesText));
    showIndexPrompt();
}

void CaptureWindow::showIndexPrompt()
{
    m_indexBox->setCurrentIndex(0);
    m_indexBox->setEditText(m_indexBox->itemText(0));
    // The box is narrower than the prompt in most fonts: show its beginning.
    m_indexBox->lineEdit()->setCursorPosition(0);
}

void CaptureWindow::onQuitClicked()
{
    stopWalk();
    close();
}

void CaptureWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeProgressBar();
}

void CaptureWindow::placeProgressBar()
{
    // The bar lies on the status bar to the right of its text panel. The time, date and text
    // panels are wider in the desktop's font than the design allows for, so the bar starts
    // where a file count of seven digits still shows, and keeps its right edge.
    const QRect design = Twips::rect(4080, 6360, 5535, 255);
    QLabel* text = m_statusBar->panel(3);
    if (!text) {
        m_progressBar->setGeometry(design);
        return;
    }
    m_statusBar->layout()->activate();
    const QPoint at = text->mapTo(m_progressBar->parentWidget(), QPoint(0, 0));
    const int needed = text->fontMetrics().horizontalAdvance(
                           QString::fromLatin1(kFilesText) + QStringLiteral("9999999"))
                       + 2 * text->margin() + 12;
    const int left = std::max(design.left(), at.x() + needed);
    m_progressBar->setGeometry(QRect(QPoint(left, design.top()), QPoint(design.right(), design.bottom())));
}

void CaptureWindow::closeEvent(QCloseEvent* event)
{
    // However the window is closed, a walk in progress stops at its next folder and the run
    // closes the catalog. The deletion may come at the walk's next yield, while the run's
    // handler is still on the stack: the run and the lists guard every access.
    stopWalk();
    QWidget::closeEvent(event);
}

void CaptureWindow::onOpenTriggered()
{
    Dialogs::FileRequest request;
    request.filter = QStringLiteral("Text files (*.txt)");
    request.initialName = m_chosenFileName;
    QPointer<CaptureWindow> self(this);
    const QString name = Dialogs::openFileName(this, request);
    if (!self || name.isEmpty())
        return; // cancelled: nothing to do
    m_chosenFileName = name;
    QString error;
    if (!m_capturedFiles->loadFile(name, &error)) {
        Dialogs::inform(this, error, QStringLiteral("File Open Error"));
        return;
    }
    m_statusBar->setText(QString::fromLatin1(kFilesText));
}

void CaptureWindow::onPrintTriggered()
{
    if (m_capturedFiles->isEmpty()) {
        Dialogs::inform(this, QStringLiteral("There is nothing to print"),
                        QStringLiteral("Print Error"));
        return;
    }
    QString error;
    if (!printText(&error) && !error.isEmpty())
        Dialogs::inform(this, error, QStringLiteral("Printer Error"));
}

bool CaptureWindow::printText(QString* error)
{
    QPrinter printer;
    QPointer<CaptureWindow> self(this);
    if (!Dialogs::choosePrinter(this, &printer) || !self)
        return false; // cancelled: no message
    QPainter painter;
    if (!painter.begin(&printer)) {
        *error = QStringLiteral("The printer could not be started");
        return false;
    }
    // One empty line, then the text line by line, page after page.
    const QFontMetrics metrics(painter.font(), &printer);
    const int lineHeight = metrics.lineSpacing();
    const QRect page = painter.viewport();
    int y = metrics.ascent();
    auto printLine = [&](const QString& line) {
        if (y + metrics.descent() > page.height() && y > metrics.ascent()) {
            if (!printer.newPage())
                return false;
            y = metrics.ascent();
        }
        painter.drawText(0, y, printedPart(line, metrics, page.width()));
        y += lineHeight;
        return true;
    };
    bool ok = printLine(QString());
    for (int i = 0; ok && i < m_capturedFiles->lineCount(); ++i)
        ok = printLine(m_capturedFiles->line(i));
    if (!painter.end() || !ok) {
        *error = QStringLiteral("The printer reported an error while printing");
        return false;
    }
    return true;
}
