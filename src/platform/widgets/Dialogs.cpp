#include "platform/widgets/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace Dialogs {

namespace {
Answerer& answerer()
{
    static Answerer instance;
    return instance;
}
} // namespace

QString applicationTitle()
{
    return QStringLiteral("Vellumark");
}

QMessageBox::StandardButton message(QWidget* parent, const Message& message)
{
    Message shown = message;
    if (shown.title.isEmpty())
        shown.title = applicationTitle();
    if (answerer().message)
        return answerer().message(shown);

    QMessageBox box(shown.icon, shown.title, shown.text, shown.buttons, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    const int result = box.exec();
    // A box closed without a button (Escape on an OK box) counts as its escape button.
    if (result == 0 || result == QMessageBox::Cancel)
        return shown.buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    return QMessageBox::StandardButton(result);
}

void inform(QWidget* parent, const QString& text, const QString& title)
{
    message(parent, Message{text, title, QMessageBox::Ok, QMessageBox::NoIcon});
}

QString openFileName(QWidget* parent, const FileRequest& request)
{
    if (answerer().openFileName)
        return answerer().openFileName(request);
    // No title of its own and no insisting that the file exists: a capture may type a new name.
    QFileDialog dialog(parent, QString(), request.initialName, request.filter);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QObject::tr("&Open"));
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString folderName(QWidget* parent, const FolderRequest& request)
{
    if (answerer().folderName)
        return answerer().folderName(request);
    QFileDialog dialog(parent, request.title, request.initialFolder);
    dialog.setObjectName(QStringLiteral("folderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool choosePrinter(QWidget* parent, QPrinter* printer)
{
    if (answerer().choosePrinter)
        return answerer().choosePrinter(printer);
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void beep()
{
    if (answerer().beep)
        answerer().beep();
    else
        QApplication::beep();
}

void setAnswerer(const Answerer& replacement)
{
    answerer() = replacement;
}

void clearAnswerer()
{
    answerer() = Answerer();
}

} // namespace Dialogs
