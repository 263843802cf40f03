#include "capture/CaptureWindows.h"

// Replaced by the capture window's registration.
void registerCaptureWindows(WindowRegistry&) {}
