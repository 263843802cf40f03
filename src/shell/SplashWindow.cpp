#include "shell/SplashWindow.h"

#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowLook.h"
#include "platform/widgets/WindowRegistry.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QTimer>
#include "platform/widgets/WindowIds.h"

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(WindowId::splash);
    setFixedSize(Twips::toPixels(6015), Twips::toPixels(4500));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setPixmap(QPixmap(QStringLiteral(":/splash.gif")));
    m_image->setGeometry(Twips::rect(0, 0, 6000, 4470));
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setScaledContents(false);
    m_image->setAccessibleName(QStringLiteral("Vellumark"));

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(2000);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::onCloseTimeout);
    m_timer->start();

    WindowLook::centreOnScreen(this);
}

void SplashWindow::onCloseTimeout()
{
    if (m_handedOver)
        return;
    m_handedOver = true;
    hide();
    WindowRegistry::instance().open(WindowId::database);
    close();
}
