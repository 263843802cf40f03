#include "browser/CopiesWindow.h"

#include "platform/widgets/FileOpener.h"
#include "platform/widgets/WindowLook.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardItemModel>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

QString CopiesWindow::title(Kind kind)
{
    switch (kind) {
    case Kind::OtherCopies:
        return QStringLiteral("Vellumark - Other Copies");
    case Kind::OnlyOnDisk:
        return QStringLiteral("Vellumark - Only on This Disk");
    case Kind::Duplicates:
        return QStringLiteral("Vellumark - Duplicates");
    }
    return QString();
}

CopiesWindow::CopiesWindow(Kind kind, QWidget* parent) : QWidget(parent, Qt::Window), m_kind(kind)
{
    setObjectName(kind == Kind::OtherCopies  ? CopiesWindowId::otherCopies
                  : kind == Kind::OnlyOnDisk ? CopiesWindowId::onlyOnDisk
                                             : CopiesWindowId::duplicates);
    setWindowTitle(title(kind));
    setWindowIcon(WindowLook::databaseIcon());
    buildControls();
    resize(760, 520);
    WindowLook::centreOnScreen(this);
}

CopiesWindow::~CopiesWindow()
{
    cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void CopiesWindow::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    if (m_kind != Kind::OtherCopies) {
        auto* row = new QHBoxLayout;
        m_diskLabel = new QLabel(tr("&Disk"), this);
        m_diskBox = new QComboBox(this);
        m_diskBox->setObjectName(QStringLiteral("disk"));
        m_diskBox->setAccessibleName(tr("Disk"));
        m_diskBox->setMinimumContentsLength(16);
        m_diskLabel->setBuddy(m_diskBox);
        row->addWidget(m_diskLabel);
        row->addWidget(m_diskBox);
        if (m_kind == Kind::Duplicates) {
            m_minimumLabel = new QLabel(tr("&Minimum size (bytes)"), this);
            m_minimumBox = new QLineEdit(this);
            m_minimumBox->setObjectName(QStringLiteral("minimumSize"));
            m_minimumBox->setAccessibleName(tr("Minimum size in bytes"));
            m_minimumBox->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]{0,18}")), m_minimumBox));
            m_minimumLabel->setBuddy(m_minimumBox);
            row->addWidget(m_minimumLabel);
            row->addWidget(m_minimumBox);
        }
        m_findButton = new QPushButton(tr("&Find"), this);
        m_findButton->setObjectName(QStringLiteral("find"));
        m_findButton->setAccessibleName(tr("Find"));
        connect(m_findButton, &QPushButton::clicked, this, &CopiesWindow::startFind);
        if (m_minimumBox)
            connect(m_minimumBox, &QLineEdit::returnPressed, this, &CopiesWindow::startFind);
        row->addWidget(m_findButton);
        row->addStretch();
        layout->addLayout(row);
    }
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setAccessibleName(tr("Summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(m_summary);

    auto setUpTable = [this](QTableView* view) {
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
        view->verticalHeader()->hide();
        view->setTabKeyNavigation(false);
    };
    if (m_kind == Kind::OnlyOnDisk) {
        m_coverageModel = new QStandardItemModel(0, 5, this);
        m_coverageModel->setHorizontalHeaderLabels(
            {tr("Index"), tr("Label"), tr("Files with a copy there"), tr("Bytes"), tr("Share of files")});
        m_coverage = new QTableView(this);
        m_coverage->setObjectName(QStringLiteral("coverage"));
        m_coverage->setAccessibleName(tr("Copies on other disks"));
        m_coverage->setModel(m_coverageModel);
        setUpTable(m_coverage);
        m_coverage->setMaximumHeight(160);
        m_coverage->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        layout->addWidget(m_coverage);
    }

    m_model = new CopiesListModel(this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("results"));
    m_list->setAccessibleName(tr("Records"));
    m_list->setModel(m_model);
    setUpTable(m_list);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setWordWrap(false);
    QHeaderView* columns = m_list->horizontalHeader();
    columns->resizeSection(CopiesListModel::IndexColumn, 50);
    columns->resizeSection(CopiesListModel::LabelColumn, 110);
    columns->resizeSection(CopiesListModel::FilenameColumn, 440);
    columns->setStretchLastSection(true);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { openCurrentRecord(); });
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);

    auto* bottom = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(tr("Progress"));
    m_progress->setRange(0, 100);
    m_progress->hide();
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancel"));
    m_cancelButton->setAccessibleName(tr("Cancel"));
    m_cancelButton->setEnabled(false);
    connect(m_cancelButton, &QPushButton::clicked, this, &CopiesWindow::cancel);
    m_saveButton = new QPushButton(tr("&Save..."), this);
    m_saveButton->setObjectName(QStringLiteral("save"));
    m_saveButton->setAccessibleName(tr("Save the list"));
    connect(m_saveButton, &QPushButton::clicked, this, &CopiesWindow::saveList);
    m_closeButton = new QPushButton(tr("&Close"), this);
    m_closeButton->setObjectName(QStringLiteral("close"));
    m_closeButton->setAccessibleName(tr("Close"));
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_cancelButton);
    bottom->addStretch();
    bottom->addWidget(m_saveButton);
    bottom->addWidget(m_closeButton);
    layout->addLayout(bottom);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, &CopiesWindow::updateProgress);
}

bool CopiesWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        // Before the view, whose own Ctrl+C would copy the current cell alone.
        if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            copySelection();
            return true;
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrentRecord();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString CopiesWindow::diskName(const QString& index) const
{
    const QString label = m_labels.value(index);
    return label.isEmpty() ? tr("disk %1").arg(index) : tr("disk %1 (%2)").arg(index, label);
}

