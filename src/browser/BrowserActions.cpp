#include "browser/BrowserActions.h"

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
    targets.Text1 = form.Text1();
    targets.Combo1 = form.Combo1();
    targets.Command3 = form.Command3();
    targets.Command4 = form.Command4();
    targets.Timer1 = form.Timer1();
    targets.Timer2 = form.Timer2();
    targets.grid = form.DataGrid1();
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
            FormatGrid(*window);
    };

    BrowserActions actions;
    actions.search = new SearchController(std::move(targets), &form);
    actions.search->setObjectName(QStringLiteral("search"));
    actions.open = new RecordOpenAction(form.DataGrid1(), &form);
    actions.open->setObjectName(QStringLiteral("recordOpenAction"));
    return actions;
}
