#include "disks/RecapturePreview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QStringListModel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString count(qint64 n)
{
    return QLocale().toString(n);
}

// A list of names, read-only, quick with a hundred thousand lines.
QListView* listOf(QStringList lines, const QString& name, QWidget* parent)
{
    auto* view = new QListView(parent);
    view->setObjectName(name);
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setModel(new QStringListModel(std::move(lines), view));
    return view;
}

QStringList names(const std::vector<DiskChanges::Change>& changes)
{
    QStringList lines;
    lines.reserve(qsizetype(changes.size()));
    for (const DiskChanges::Change& change : changes) {
        const QString size = change.newSize.isEmpty() ? change.oldSize : change.newSize;
        lines << QStringLiteral("%1  (%2 bytes)").arg(change.name, size);
    }
    return lines;
}

QStringList resized(const std::vector<DiskChanges::Change>& changes)
{
    QStringList lines;
    lines.reserve(qsizetype(changes.size()));
    for (const DiskChanges::Change& change : changes)
        lines << QStringLiteral("%1  (%2 → %3 bytes)").arg(change.name, change.oldSize, change.newSize);
    return lines;
}

} // namespace

RecapturePreview::RecapturePreview(const QString& index, const QString& label,
                                   const DiskChanges& changes, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("recapturePreview"));
    const QString disk = label.isEmpty() ? QStringLiteral("disk %1").arg(index)
                                         : QStringLiteral("disk %1 (%2)").arg(index, label);
    setWindowTitle(QStringLiteral("Vellumark - Re-capture %1").arg(disk));
    setAccessibleName(windowTitle());

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("recaptureSummary"));
    m_summary->setText(QStringLiteral("Re-capturing %1 would change its records: %2 added, %3 "
                                      "removed, %4 changed in size, %5 unchanged. The catalog "
                                      "changes only when you press Replace.")
                           .arg(disk, count(qint64(changes.added.size())),
                                count(qint64(changes.removed.size())),
                                count(qint64(changes.changed.size())), count(changes.unchanged)));
    m_summary->setWordWrap(true);
    m_summary->setAccessibleName(QStringLiteral("Summary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

    m_lists = new QTabWidget(this);
    m_lists->setObjectName(QStringLiteral("recaptureLists"));
    m_lists->setAccessibleName(QStringLiteral("Changed records"));
    const struct
    {
        const char* name;
        const char* title;
        QStringList lines;
    } tabs[] = {
        {"addedList", "Added", names(changes.added)},
        {"removedList", "Removed", names(changes.removed)},
        {"changedList", "Changed in size", resized(changes.changed)},
        {"unchangedList", "Unchanged", QStringList(changes.unchangedNames.begin(), changes.unchangedNames.end())},
    };
    for (const auto& tab : tabs) {
        const qsizetype n = tab.lines.size();
        QListView* view = listOf(tab.lines, QString::fromLatin1(tab.name), m_lists);
        const QString title = QStringLiteral("%1 (%2)").arg(QLatin1String(tab.title), count(n));
        view->setAccessibleName(title);
        m_lists->addTab(view, title);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("recaptureButtons"));
    m_replace = buttons->addButton(QStringLiteral("Replace"), QDialogButtonBox::AcceptRole);
    m_replace->setObjectName(QStringLiteral("replaceButton"));
    m_replace->setAccessibleName(QStringLiteral("Replace"));
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    // Replacing is the step that cannot be taken back: Enter alone must not take it.
    m_cancel->setDefault(true);
    m_replace->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_lists, 1);
    layout->addWidget(buttons);
    resize(720, 480);
    m_lists->setFocus();
}
