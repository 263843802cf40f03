#pragma once

#include "platform/widgets/Dialogs.h"

#include <QList>
#include <QStringList>

#include <deque>

// Answers every message box and dialog at once and records what was asked, so window tests
// never block in a modal exec(). Queue answers before the action; unqueued boxes get OK (or
// Yes for Yes/No boxes), unqueued file, folder and printer dialogs are cancelled.
class DialogRecorder
{
public:
    DialogRecorder()
    {
        Dialogs::Answerer answerer;
        answerer.message = [this](const Dialogs::Message& message) {
            messages.append(message);
            if (whileOpen)
                whileOpen(message);
            const bool yesNo = message.buttons.testFlag(QMessageBox::Yes);
            return take(m_buttons, yesNo ? QMessageBox::Yes : QMessageBox::Ok);
        };
        answerer.openFileName = [this](const Dialogs::FileRequest& request) {
            fileRequests.append(request);
            return take(m_fileNames, QString());
        };
        answerer.choosePrinter = [this](QPrinter* printer) { return choosePrinter && choosePrinter(printer); };
        answerer.beep = [this] { ++beeps; };
        answerer.folderName = [this](const Dialogs::FolderRequest& request) {
            folderRequests.append(request);
            return take(m_folderNames, QString());
        };
        Dialogs::setAnswerer(answerer);
    }
    ~DialogRecorder() { Dialogs::clearAnswerer(); }

    void queueButton(QMessageBox::StandardButton button) { m_buttons.push_back(button); }
    void queueFileName(const QString& path) { m_fileNames.push_back(path); }
    void queueFolderName(const QString& path) { m_folderNames.push_back(path); }

    QList<Dialogs::Message> messages;
    QList<Dialogs::FileRequest> fileRequests;
    QList<Dialogs::FolderRequest> folderRequests;
    int beeps = 0;

    // Texts of the messages shown so far ("title|text"), handy for comparisons.
    QStringList shown() const
    {
        QStringList result;
        for (const auto& message : messages)
            result << message.title + QLatin1Char('|') + message.text;
        return result;
    }
    void clear()
    {
        messages.clear();
        fileRequests.clear();
        beeps = 0;
    }

    // Runs inside every message box, as if the user did something while it was open.
    std::function<void(const Dialogs::Message&)> whileOpen;
    // Answers the printer dialog when set.
    std::function<bool(QPrinter*)> choosePrinter;

private:
    template <typename T, typename Fallback> static T take(std::deque<T>& queue, Fallback fallback)
    {
        if (queue.empty())
            return fallback;
        const T front = queue.front();
        queue.pop_front();
        return front;
    }

    std::deque<QMessageBox::StandardButton> m_buttons;
    std::deque<QString> m_fileNames;
    std::deque<QString> m_folderNames;
};
