#pragma once

class WindowRegistry;

// Registers the database window (Form1) and the search indicator (Form2).
void registerBrowserWindows(WindowRegistry& registry);
