#include "browser/BrowserActions.h"

#include "browser/CopiesMenu.h"
#include "browser/DatabaseWindow.h"
#include "browser/RecordOpenAction.h"
#include "browser/SearchController.h"
#include "browser/ShowCatalog.h"

#include <QPointer>
#include <QPushButton>

BrowserActions attachBrowserActions(DatabaseWindow& form)
{
    QPointer<DatabaseWindow> window(&form);
    SearchTargets targets;
    targets.window = &form;
    targets.searchBox = form.searchBox();
    targets.indexList = form.indexList();
    targets.searchButton = form.searchButton();
    targets.resetButton = form.resetButton();
    targets.fileNameSearchTimer = form.fileNameSearchTimer();
    targets.indexSearchTimer = form.indexSearchTimer();
    targets.grid = form.grid();
    targets.records = [window] { return window ? window->recordSet() : CatalogTablePtr(); };
    targets.bindGrid = [window] {
        if (window)
            window->bindGrid();
    };
    targets.setRecordCountText = [window](const QString& text) {
        if (window)
            window->setRecordCountText(text);
    };
    targets.formatGrid = [window] {
        if (window)
            formatGrid(*window);
    };

    BrowserActions actions;
    actions.search = new SearchController(std::move(targets), &form);
    actions.search->setObjectName(QStringLiteral("search"));
    actions.open = new RecordOpenAction(form.grid(), &form);
    actions.open->setObjectName(QStringLiteral("recordOpenAction"));
    attachCopiesMenu(form);
    return actions;
}
