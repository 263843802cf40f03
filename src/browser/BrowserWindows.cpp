#include "browser/BrowserWindows.h"

#include "browser/Form1.h"
#include "platform/widgets/WindowRegistry.h"

void registerBrowserWindows(WindowRegistry& registry)
{
    registry.registerWindow(
        QStringLiteral("Form1"), [] { return new Form1; },
        [](QWidget* window) { static_cast<Form1*>(window)->load(); });
}
