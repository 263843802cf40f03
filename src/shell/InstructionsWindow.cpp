#include "shell/InstructionsWindow.h"

#include "platform/widgets/Dialogs.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowLook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include "platform/widgets/WindowIds.h"

InstructionsWindow::InstructionsWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(WindowId::instructions);
    setWindowTitle(QStringLiteral("Vellumark Instructions"));
    setWindowIcon(WindowLook::databaseIcon());
    resize(Twips::toPixels(9405), Twips::toPixels(9435));

    // The controls keep their places when the window is resized.
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("rtb1"));
    m_text->setGeometry(Twips::rect(120, 120, 9135, 8655));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setAccessibleName(QStringLiteral("Instructions"));

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("Command1"));
    m_close->setGeometry(Twips::rect(8040, 8880, 1215, 495));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    QWidget::setTabOrder(m_text, m_close);
    m_text->setFocus();
    WindowLook::centreOnScreen(this);
}

QString InstructionsWindow::helpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help.txt"));
}

void InstructionsWindow::load()
{
    QFile file(helpFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        Dialogs::inform(this, QStringLiteral("Unable to open help file"));
        return;
    }
    // The help text is a plain file in the system's 8-bit code page, like the catalogs.
    QStringDecoder decode(QStringDecoder::System);
    m_text->setPlainText(decode(file.readAll()));
}
