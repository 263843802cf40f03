#pragma once

class WindowRegistry;

// Registers the capture window (Form4).
void registerCaptureWindows(WindowRegistry& registry);
