#include "shell/ShellWindows.h"

#include "platform/widgets/WindowRegistry.h"
#include "shell/Form5.h"
#include "shell/Form6.h"

void registerShellWindows(WindowRegistry& registry)
{
    registry.registerWindow(QStringLiteral("Form6"), [] { return new Form6; });
    registry.registerWindow(
        QStringLiteral("Form5"), [] { return new Form5; },
        [](QWidget* window) { static_cast<Form5*>(window)->load(); });
}
