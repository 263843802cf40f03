#include "browser/OpenCatalog.h"

#include "browser/DatabaseWindow.h"
#include "browser/ShowCatalog.h"
#include "catalog/CatalogSource.h"
#include "platform/core/FileChannel.h"
#include "platform/widgets/Dialogs.h"

#include <new>

CatalogRead readCatalog(const QString& path, FirstLineCheck check, FileChannel& channel)
{
    CatalogRead read;
    CatalogSource source(channel);
    QObject::connect(&source, &CatalogSource::failed,
                     [&read](const QString& message) { read.failures << message; });
    if (check == FirstLineCheck::Check && !source.validate(path, &read.unreadable))
        return read;
    source.load(path);
    read.records = source.records();
    return read;
}

CatalogOpening openCatalog(DatabaseWindow& window, const QString& path, FirstLineCheck check)
{
    CatalogOpening opening;
    try {
        const CatalogRead read = readCatalog(path, check, FileChannel::instance());
        for (const QString& message : read.failures)
            Dialogs::inform(&window, message, QStringLiteral("File Open Error"));
        opening.records = read.records;
        if (!read.unreadable.isEmpty()) {
            opening.result = CatalogOpening::Result::Unreadable;
            opening.failure = read.unreadable;
        } else if (!read.records) {
            opening.result = CatalogOpening::Result::NotLoaded;
            opening.failure = QObject::tr("The catalog could not be read.");
        } else if (!showLoadedCatalog(window, read.records, path, &opening.failure)) {
            opening.result = CatalogOpening::Result::NotShown;
        } else {
            opening.result = CatalogOpening::Result::Shown;
        }
    } catch (const std::bad_alloc&) {
        opening.result = CatalogOpening::Result::OutOfMemory;
        opening.failure = QStringLiteral("Not enough memory to open %1").arg(path);
    }
    return opening;
}
