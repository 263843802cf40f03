#include "browser/BrowserWindows.h"

// Replaced by the database window's registration.
void registerBrowserWindows(WindowRegistry&) {}
