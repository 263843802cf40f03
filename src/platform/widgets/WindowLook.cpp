#include "platform/widgets/WindowLook.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowLook {

namespace {
QIcon iconFrom(const QString& base)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/%1-32.png").arg(base), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/%1-16.png").arg(base), QSize(16, 16));
    return icon;
}
} // namespace

QIcon databaseIcon()
{
    return iconFrom(QStringLiteral("database"));
}

QIcon captureIcon()
{
    return iconFrom(QStringLiteral("capture"));
}

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before the first show the frame is unknown; the client size is close enough.
    const QSize size = window->frameGeometry().size().expandedTo(window->size());
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

} // namespace WindowLook
