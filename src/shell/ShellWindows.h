#pragma once

class WindowRegistry;

// Registers the splash/About window (SplashWindow) and the instructions window (InstructionsWindow).
void registerShellWindows(WindowRegistry& registry);
