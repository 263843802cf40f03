#include "browser/BrowserWindows.h"

#include "browser/BrowserActions.h"
#include "browser/Form1.h"
#include "browser/Form2.h"
#include "platform/widgets/WindowRegistry.h"

void registerBrowserWindows(WindowRegistry& registry)
{
    registry.registerWindow(
        QStringLiteral("Form1"),
        [] {
            auto* form = new Form1;
            attachBrowserActions(*form);
            return form;
        },
        [](QWidget* window) { static_cast<Form1*>(window)->load(); });
    registerSearchIndicator(registry);
}
