#pragma once

class WindowRegistry;

// Registers the Disks window's factory.
void registerDisksWindows(WindowRegistry& registry);
