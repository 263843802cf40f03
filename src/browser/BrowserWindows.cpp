#include "browser/BrowserWindows.h"

#include "browser/BrowserActions.h"
#include "browser/CopiesMenu.h"
#include "browser/DatabaseWindow.h"
#include "browser/SearchIndicator.h"
#include "platform/widgets/WindowRegistry.h"
#include "platform/widgets/WindowIds.h"

void registerBrowserWindows(WindowRegistry& registry)
{
    registry.registerWindow(
        WindowId::database,
        [] {
            auto* form = new DatabaseWindow;
            attachBrowserActions(*form);
            return form;
        },
        [](QWidget* window) { static_cast<DatabaseWindow*>(window)->load(); });
    registerSearchIndicator(registry);
    registerCopiesWindows(registry);
}
