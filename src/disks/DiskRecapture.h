#pragma once

#include "catalog/DiskFacts.h"

#include <QString>

class QWidget;

// Re-capture… of one disk: walks a folder again, as a capture does, into a temporary file
// beside the catalog, shows what would change and, on Replace, rewrites the catalog with the
// disk's new records in place of its old ones (CatalogRewrite). Nothing in the catalog changes
// before Replace; every refusal and failure is told with its cause.
class DiskRecapture
{
public:
    DiskRecapture(QWidget* parent, const QString& catalog, const QString& index);

    // The whole re-capture. True when the catalog was replaced (and shown in the database
    // window).
    bool run();

    static constexpr const char* kTitle = "Re-capture";

private:
    bool catalogCanBeReplaced();
    QString chooseFolder();
    bool sameVolumeOrConfirmed(const QString& folder);
    bool walk(const QString& folder, const QString& newLines);
    bool previewAndReplace(const QString& folder, const QString& newLines);
    void tell(const QString& text) const;

    QWidget* m_parent;
    QString m_catalog;
    QString m_index;
    DiskFacts m_facts; // the side file's line, or an empty one
};
