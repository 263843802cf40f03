#include "shell/Application.h"

#include "browser/BrowserWindows.h"
#include "capture/CaptureWindows.h"
#include "disks/DisksWindows.h"
#include "platform/widgets/WindowRegistry.h"
#include "shell/ShellWindows.h"

#include <QApplication>
#include "platform/widgets/WindowIds.h"

int runVellumark(int argc, char** argv)
{
    // The resources live in a static library; without this the linker drops them.
    Q_INIT_RESOURCE(vellumark);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    QGuiApplication::setDesktopFileName(QStringLiteral("vellumark"));
    // The run ends only through the database window (ProgramEnd); a message box closed while
    // the splash is already hidden must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    WindowRegistry& registry = WindowRegistry::instance();
    registerBrowserWindows(registry);
    registerCaptureWindows(registry);
    registerDisksWindows(registry);
    registerShellWindows(registry);
    registry.open(WindowId::splash);
    const int status = app.exec();
    registry.reset();
    return status;
}
