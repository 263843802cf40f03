#include "capture/CaptureWindows.h"

#include "capture/Form4.h"
#include "platform/widgets/WindowRegistry.h"

void registerCaptureWindows(WindowRegistry& registry)
{
    registry.registerWindow(
        QStringLiteral("Form4"), [] { return new Form4; },
        [](QWidget* window) { static_cast<Form4*>(window)->load(); });
}
