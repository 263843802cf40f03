#include "capture/CaptureWindows.h"

#include "capture/CaptureWindow.h"
#include "platform/widgets/WindowRegistry.h"
#include "platform/widgets/WindowIds.h"

void registerCaptureWindows(WindowRegistry& registry)
{
    registry.registerWindow(
        WindowId::capture, [] { return new CaptureWindow; },
        [](QWidget* window) { static_cast<CaptureWindow*>(window)->load(); });
}
