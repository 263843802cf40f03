#pragma once

class WindowRegistry;

// Registers the database window (DatabaseWindow) and the search indicator (SearchIndicator).
void registerBrowserWindows(WindowRegistry& registry);
