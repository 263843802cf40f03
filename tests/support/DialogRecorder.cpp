#include "support/DialogRecorder.h"

DialogRecorder::DialogRecorder()
{
    Dialogs::Answerer answerer;
    answerer.message = [this](const Dialogs::Message& message) {
        messages.append(message);
        if (whileOpen)
            whileOpen(message);
        if (!m_buttons.empty()) {
            const auto button = m_buttons.front();
            m_buttons.pop_front();
            return button;
        }
        return message.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    };
    answerer.openFileName = [this](const Dialogs::FileRequest& request) {
        fileRequests.append(request);
        if (m_fileNames.empty())
            return QString();
        const QString name = m_fileNames.front();
        m_fileNames.pop_front();
        return name;
    };
    answerer.choosePrinter = [this](QPrinter*) {
        ++printerRequests;
        if (m_printers.empty())
            return false;
        const bool accept = m_printers.front();
        m_printers.pop_front();
        return accept;
    };
    answerer.beep = [this] { ++beeps; };
    Dialogs::setAnswerer(answerer);
}

DialogRecorder::~DialogRecorder()
{
    Dialogs::clearAnswerer();
}

QStringList DialogRecorder::shown() const
{
    QStringList result;
    for (const auto& message : messages)
        result << message.title + QLatin1Char('|') + message.text;
    return result;
}

void DialogRecorder::clear()
{
    messages.clear();
    fileRequests.clear();
    beeps = 0;
    printerRequests = 0;
}
