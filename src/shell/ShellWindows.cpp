#include "shell/ShellWindows.h"

#include "platform/widgets/WindowRegistry.h"
#include "shell/InstructionsWindow.h"
#include "shell/SplashWindow.h"
#include "platform/widgets/WindowIds.h"

void registerShellWindows(WindowRegistry& registry)
{
    registry.registerWindow(WindowId::splash, [] { return new SplashWindow; });
    registry.registerWindow(
        WindowId::instructions, [] { return new InstructionsWindow; },
        [](QWidget* window) { static_cast<InstructionsWindow*>(window)->load(); });
}
