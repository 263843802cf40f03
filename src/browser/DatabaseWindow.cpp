#include "browser/DatabaseWindow.h"

#include "browser/CatalogGridModel.h"
#include "browser/OpenCatalog.h"
#include "browser/GridActions.h"
#include "platform/core/LastFileSetting.h"
#include "platform/widgets/Dialogs.h"
#include "platform/widgets/ProgramEnd.h"
#include "platform/widgets/PanelStatusBar.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowLook.h"
#include "platform/widgets/WindowRegistry.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTextOption>
#include <QTimer>

#include "platform/widgets/WindowIds.h"

namespace {

const QString kFileOpenError = QStringLiteral("File Open Error");
const QString kFileError = QStringLiteral("File Error");
const QString kPreviousFileFailed = QStringLiteral("Unable to Open Previously Used File");

// Paints the grid's cells. A wrapping column breaks a long path anywhere when it has no word
// boundary left, so a full path fills the row's two lines instead of running off the cell; the
// other columns stay on one line. Only painted rows are laid out, which keeps a million-row
// grid as quick as an unwrapped one.
class GridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setWraps(int column, bool wraps)
    {
        if (wraps)
            m_wrapping.insert(column);
        else
            m_wrapping.remove(column);
    }
    bool wraps(int column) const { return m_wrapping.contains(column); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (!wraps(index.column())) {
            opt.features &= ~QStyleOptionViewItem::WrapText;
            const QWidget* widget = opt.widget;
            QStyle* style = widget ? widget->style() : QApplication::style();
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
            return;
        }
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QString text = opt.text;
        opt.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const QRect textRect =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
        textOption.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter->save();
        painter->setClipRect(textRect);
        painter->setFont(opt.font);
        const QPalette::ColorGroup group =
            (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected)
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        painter->drawText(QRectF(textRect), text, textOption);
        painter->restore();
    }

private:
    QSet<int> m_wrapping;
};

QPushButton* button(const QString& name, const QString& caption, QWidget* parent, QRect geometry)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
}

QLabel* label(const QString& name, const QString& caption, QWidget* parent, QRect geometry)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

// A directory listing of the path: a plain file that is not hidden.
bool fileIsListed(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

} // namespace

DatabaseWindow::DatabaseWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(WindowId::database);
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(WindowLook::databaseIcon());
    // Fixed single border: no maximize box, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Twips::toPixels(9870), Twips::toPixels(6645));
    setCentralWidget(client);
    buildControls(client);
    buildMenus();

    // The status bar gets a strip of its own below the controls, so that the Quit button,
    // which reaches into the bottom 375 twips, is never hidden behind it.
    m_statusBar = new PanelStatusBar(QString::fromLatin1(kRecordCountText), this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setFixedHeight(Twips::toPixels(375));
    setStatusBar(m_statusBar);

    // The search waits exactly its 500 ms: a coarse timer may fire up to 25 ms late, which the
    // user waits on top of the search itself.
    m_fileNameSearchTimer = new QTimer(this);
    m_fileNameSearchTimer->setObjectName(QStringLiteral("Timer1"));
    m_fileNameSearchTimer->setInterval(500);
    m_fileNameSearchTimer->setSingleShot(true);
    m_fileNameSearchTimer->setTimerType(Qt::PreciseTimer);
    m_indexSearchTimer = new QTimer(this);
    m_indexSearchTimer->setObjectName(QStringLiteral("Timer2"));
    m_indexSearchTimer->setInterval(500);
    m_indexSearchTimer->setSingleShot(true);
    m_indexSearchTimer->setTimerType(Qt::PreciseTimer);

    setTabOrder();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    WindowLook::centreOnScreen(this);
    m_searchBox->setFocus();
}

DatabaseWindow::~DatabaseWindow() = default;

void DatabaseWindow::buildControls(QWidget* client)
{
    m_searchFrame = new QGroupBox(QStringLiteral("Search "), client);
    m_searchFrame->setObjectName(QStringLiteral("Frame1"));
    m_searchFrame->setGeometry(Twips::rect(120, 120, 9615, 1095));
    m_indexLabel = label(QStringLiteral("Label2"), QStringLiteral("Index"), m_searchFrame,
                     Twips::rect(120, 240, 495, 255));
    m_searchLabel = label(QStringLiteral("Label3"), QStringLiteral("Search String"), m_searchFrame,
                     Twips::rect(1560, 240, 1455, 255));

    // The search controls lie over the group box but belong to the window.
    m_indexList = new QComboBox(client);
    m_indexList->setObjectName(QStringLiteral("Combo1"));
    m_indexList->setGeometry(Twips::rect(240, 600, 1215, 315));
    m_indexList->setEditable(true);
    m_indexList->setInsertPolicy(QComboBox::NoInsert);
    m_indexList->setAccessibleName(QStringLiteral("Index"));
    m_indexLabel->setBuddy(m_indexList);

    m_searchBox = new QLineEdit(client);
    m_searchBox->setObjectName(QStringLiteral("Text1"));
    m_searchBox->setGeometry(Twips::rect(1680, 600, 5655, 375));
    m_searchBox->setAccessibleName(QStringLiteral("Search String"));
    m_searchLabel->setBuddy(m_searchBox);

    m_searchButton = button(QStringLiteral("Command3"), QStringLiteral("&Search"), client,
                        Twips::rect(7560, 600, 855, 375));
    m_resetButton = button(QStringLiteral("Command4"), QStringLiteral("&Reset"), client,
                        Twips::rect(8520, 600, 855, 375));

    m_recordsFrame = new QGroupBox(QStringLiteral("Records"), client);
    m_recordsFrame->setObjectName(QStringLiteral("Frame2"));
    m_recordsFrame->setGeometry(Twips::rect(120, 1320, 9615, 4815));

    m_model = new CatalogGridModel(this);
    m_grid = new QTableView(client);
    m_grid->setObjectName(QStringLiteral("DataGrid1"));
    m_grid->setGeometry(Twips::rect(240, 1560, 9375, 4455));
    m_grid->setAccessibleName(QStringLiteral("Catalog records"));
    QFont gridFont(QStringLiteral("MS Sans Serif"));
    gridFont.setStyleHint(QFont::SansSerif);
    gridFont.setPointSizeF(8.25);
    m_grid->setFont(gridFont);
    m_grid->setItemDelegate(new GridDelegate(m_grid));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Whole rows are selected, as many as wanted, for Ctrl+C.
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setCornerButtonEnabled(false);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Row heights are fixed: nothing ever measures the rows of a large catalog.
    QHeaderView* rows = m_grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(Twips::toPixels(400));
    rows->hide();
    QHeaderView* columns = m_grid->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    m_grid->setModel(m_model);
    addGridActions(*m_grid, *m_model);

    m_quitButton = button(QStringLiteral("Command5"), QStringLiteral("&Quit"), client,
                        Twips::rect(8760, 6240, 975, 375));
    connect(m_quitButton, &QPushButton::clicked, this, &DatabaseWindow::quit);
}

void DatabaseWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    bar->setNativeMenuBar(false);

    m_openAction = bar->addAction(QStringLiteral("Open File"));
    m_openAction->setObjectName(QStringLiteral("mnuopenfile"));
    m_openAction->setEnabled(false);

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->menuAction()->setObjectName(QStringLiteral("mnuFileAction"));
    QAction* open = file->addAction(QStringLiteral("&Open"));
    open->setObjectName(QStringLiteral("mnuOpen"));
    connect(open, &QAction::triggered, this, &DatabaseWindow::onOpenTriggered);
    QAction* exit = file->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &DatabaseWindow::exitWithoutStoring);

    QAction* create = bar->addAction(QStringLiteral("&Create Database"));
    create->setObjectName(QStringLiteral("mnuCreate"));
    connect(create, &QAction::triggered, this,
            [] { WindowRegistry::instance().open(WindowId::capture); });

    QAction* disks = bar->addAction(QStringLiteral("&Disks"));
    disks->setObjectName(QStringLiteral("mnuDisks"));
    connect(disks, &QAction::triggered, this,
            [] { WindowRegistry::instance().open(WindowId::disks); });

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    help->menuAction()->setObjectName(QStringLiteral("mnuHelpAction"));
    QAction* instructions = help->addAction(QStringLiteral("Instructions"));
    instructions->setObjectName(QStringLiteral("mnuinstr"));
    connect(instructions, &QAction::triggered, this,
            [] { WindowRegistry::instance().open(WindowId::instructions); });
    QAction* about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this,
            [] { WindowRegistry::instance().open(WindowId::splash); });
}

void DatabaseWindow::setTabOrder()
{
    const QList<QWidget*> order = {m_searchBox, m_searchButton, m_quitButton, m_resetButton, m_grid, m_indexList};
    for (int i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void DatabaseWindow::bindGrid()
{
    m_model->setRecordSet(m_holder);
}

QString DatabaseWindow::recordCountText() const
{
    return m_statusBar->text();
}

void DatabaseWindow::setRecordCountText(const QString& text)
{
    m_statusBar->setText(text);
}

void DatabaseWindow::setColumnWraps(int column, bool wraps)
{
    auto* delegate = static_cast<GridDelegate*>(m_grid->itemDelegate());
    delegate->setWraps(column, wraps);
    m_grid->setWordWrap(wraps || delegate->wraps(0) || delegate->wraps(1) || delegate->wraps(2));
    m_grid->viewport()->update();
}

bool DatabaseWindow::columnWraps(int column) const
{
    return static_cast<GridDelegate*>(m_grid->itemDelegate())->wraps(column);
}

void DatabaseWindow::load()
{
    QCoreApplication::processEvents();
    reopenRememberedCatalog();
}

void DatabaseWindow::reopenRememberedCatalog()
{
    QCoreApplication::processEvents();

    // The remembered path stays remembered even when it cannot be opened now.
    m_lastFileName = LastFileSetting::read();
    const QString remembered = m_lastFileName;
    if (remembered.isEmpty() || !fileIsListed(remembered))
        return;

    // Whatever the remembered file holds, the program starts. A refusal or a failed load has
    // been told already; a file that could not be read or shown gets the fixed words.
    using Result = CatalogOpening::Result;
    const CatalogOpening opening = openCatalog(*this, remembered, FirstLineCheck::Check);
    if (opening.result == Result::Unreadable || opening.result == Result::NotShown)
        Dialogs::inform(this, kPreviousFileFailed, kFileOpenError);
    else if (opening.result == Result::OutOfMemory)
        Dialogs::inform(this, opening.failure, kFileOpenError);
}

void DatabaseWindow::onOpenTriggered()
{
    // The dialog opens in the program's own folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    Dialogs::FileRequest request;
    request.filter = QString::fromLatin1(kFileFilter);
    const QString chosen = Dialogs::openFileName(this, request);
    if (chosen.isEmpty())
        return; // cancelled

    using Result = CatalogOpening::Result;
    const CatalogOpening opening = openCatalog(*this, chosen, FirstLineCheck::Check);
    // A folder chosen by name is a path access error, which the command passes over silently.
    if ((opening.result == Result::Unreadable && !QFileInfo(chosen).isDir())
        || opening.result == Result::NotShown)
        Dialogs::inform(this, opening.failure, kFileError);
    else if (opening.result == Result::OutOfMemory)
        Dialogs::inform(this, opening.failure, kFileOpenError);
}

void DatabaseWindow::quit()
{
    LastFileSetting::write(m_lastFileName);
    ProgramEnd::endProgram();
}

void DatabaseWindow::exitWithoutStoring()
{
    ProgramEnd::endProgram();
}

void DatabaseWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window is Quit; a close that comes from the program ending stores nothing.
    if (!ProgramEnd::isEnding())
        quit();
    event->accept();
}
