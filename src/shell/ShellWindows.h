#pragma once

class WindowRegistry;

// Registers the splash/About window (Form6) and the instructions window (Form5).
void registerShellWindows(WindowRegistry& registry);
