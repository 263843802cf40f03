#pragma once

// Builds small catalogs in memory and shows them in the database window, for the browser tests.
#include "browser/BrowserWindows.h"
#include "browser/CatalogGridModel.h"
#include "browser/DatabaseWindow.h"
#include "browser/ShowCatalog.h"
#include "catalog/CatalogSource.h"
#include "platform/widgets/WindowRegistry.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTableView>

#include <memory>
#include <vector>
#include "platform/widgets/WindowIds.h"

struct CatalogRow
{
    QString index;
    QString filename;
    QString size;
};

inline void setValue(CatalogTable& table, int field, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    table.setValueUtf8(field, utf8.constData(), utf8.size());
}

inline CatalogTablePtr makeCatalog(const std::vector<CatalogRow>& rows)
{
    auto records = std::make_shared<CatalogTable>();
    for (const CatalogRow& row : rows) {
        records->addNew();
        setValue(*records, 0, row.index);
        setValue(*records, 1, row.filename);
        setValue(*records, 2, row.size);
        records->update();
    }
    return records;
}

// Opens the database window through the registry, as the program does, with nothing loaded.
inline DatabaseWindow* openDatabaseWindow()
{
    WindowRegistry& registry = WindowRegistry::instance();
    registry.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    registerBrowserWindows(registry);
    return qobject_cast<DatabaseWindow*>(registry.open(WindowId::database));
}

inline void closeAllWindows()
{
    WindowRegistry::instance().reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The file names a grid model shows now, top to bottom.
inline QStringList gridFileNames(const QAbstractItemModel& model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, 1).data().toString();
    return names;
}
