#include "shell/Application.h"

#include <QApplication>
#include <QMainWindow>

int runVellumark(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vellumark - Database"));
    window.show();
    return app.exec();
}
