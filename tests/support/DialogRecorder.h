#pragma once

#include "platform/widgets/Dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>

// Answers every message box and dialog at once and records what was asked, so window tests
// never block in a modal exec(). Queue answers before the action; unqueued boxes get OK (or
// Yes for Yes/No boxes) and unqueued file dialogs are cancelled.
class DialogRecorder
{
public:
    DialogRecorder();
    ~DialogRecorder();

    void queueButton(QMessageBox::StandardButton button) { m_buttons.push_back(button); }
    void queueFileName(const QString& path) { m_fileNames.push_back(path); }
    void queuePrinter(bool accept) { m_printers.push_back(accept); }

    QList<Dialogs::Message> messages;
    QList<Dialogs::FileRequest> fileRequests;
    int beeps = 0;
    int printerRequests = 0;

    // Texts of the messages shown so far ("title|text"), handy for comparisons.
    QStringList shown() const;
    void clear();

    // Runs inside every message box, as if the user did something while it was open.
    std::function<void(const Dialogs::Message&)> whileOpen;

private:
    std::deque<QMessageBox::StandardButton> m_buttons;
    std::deque<QString> m_fileNames;
    std::deque<bool> m_printers;
};
