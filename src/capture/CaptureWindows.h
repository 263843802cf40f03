#pragma once

class WindowRegistry;

// Registers the capture window (CaptureWindow).
void registerCaptureWindows(WindowRegistry& registry);
