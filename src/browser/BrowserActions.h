#pragma once

class DatabaseWindow;
class RecordOpenAction;
class SearchController;

// Gives a freshly built database window its search, filter and open actions. Both objects are
// children of the window and live as long as it does.
struct BrowserActions
{
    SearchController* search = nullptr;
    RecordOpenAction* open = nullptr;
};
BrowserActions attachBrowserActions(DatabaseWindow& form);
