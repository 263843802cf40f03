#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QPrinter;
class QWidget;

// The seam through which every message box and common dialog is shown. The program uses the
// real Qt dialogs; tests install an answerer that records what was asked and answers at once.
namespace Dialogs {

struct Message
{
    QString text;
    QString title;                                   // "Vellumark" when a box has none of its own
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

struct FileRequest
{
    QString filter;       // e.g. "Text files *.txt (*.txt)"
    QString initialName;  // the name chosen last time in this chooser, if any
};

struct FolderRequest
{
    QString title;
    QString initialFolder; // where the chooser starts, if anywhere
};

// Shows a message box and waits for it; returns the button pressed (Ok for an OK-only box).
QMessageBox::StandardButton message(QWidget* parent, const Message& message);

// Convenience: OK only, no icon.
void inform(QWidget* parent, const QString& text, const QString& title = QString());

// The open-file dialog; an empty result means the user cancelled.
QString openFileName(QWidget* parent, const FileRequest& request);

// The folder chooser; an empty result means the user cancelled.
QString folderName(QWidget* parent, const FolderRequest& request);

// The printer dialog; false when the user cancelled.
bool choosePrinter(QWidget* parent, QPrinter* printer);

void beep();

// The title of a box that has none of its own.
QString applicationTitle();

// Tests replace the dialogs. Each hook may be empty, in which case the real dialog is shown.
struct Answerer
{
    std::function<QMessageBox::StandardButton(const Message&)> message;
    std::function<QString(const FileRequest&)> openFileName;
    std::function<bool(QPrinter*)> choosePrinter;
    std::function<void()> beep;
    std::function<QString(const FolderRequest&)> folderName;
};
void setAnswerer(const Answerer& answerer);
void clearAnswerer();

} // namespace Dialogs
