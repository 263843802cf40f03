#include "disks/DisksWindows.h"

#include "disks/DisksWindow.h"
#include "platform/widgets/WindowIds.h"
#include "platform/widgets/WindowRegistry.h"

void registerDisksWindows(WindowRegistry& registry)
{
    registry.registerWindow(WindowId::disks, [] { return new DisksWindow; });
}
