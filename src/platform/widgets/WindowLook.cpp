#include "platform/widgets/WindowLook.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowLook {

namespace {
// Every size the resources hold, so a screen that scales by 2 or more gets a sharp one.
QIcon iconFrom(const QString& base)
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/%1-%2.png").arg(base).arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
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
