#pragma once

#include "catalog/CatalogTable.h"
#include "platform/core/VbBool.h"

#include <QObject>
#include <QString>

class FileChannel;

// The catalog data source: checks a catalog file, loads it into a catalog table of three text
// fields ("Index" 5, "Filename" 32767, "Size (bytes)" 30 characters) and reports every failure
// through OpenError, which is delivered synchronously, before the failing call returns.
// It owns rsCustomers; each Populate replaces it with a new table.
class CatalogSource : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIndexWidth = CatalogTable::kIndexWidth;
    static constexpr int kFilenameWidth = CatalogTable::kFilenameWidth;
    static constexpr int kSizeWidth = CatalogTable::kSizeWidth;

    // The channel defaults to the program-wide one.
    explicit CatalogSource(QObject* parent = nullptr);
    explicit CatalogSource(FileChannel& channel, QObject* parent = nullptr);

    CatalogTablePtr rsCustomers;
    QString currentfile;

    // First-line check. On refusal raises OpenError ("Incorrect Format" or "Previously created
    // file is of incorrect format") and returns VbFalse. A file that cannot be opened at all is
    // not an OpenError: the call fails, VbFalse is returned and *failure gets the description.
    VbBool Validate(const QString& filename, QString* failure = nullptr);

    // Builds a new rsCustomers from the file. Always returns normally; a failure raises
    // OpenError with its description, and the records read before it stay. Running out of
    // memory raises "Not enough memory to open <file>" and leaves rsCustomers as it was.
    void Populate(const QString& mvarfilename);

    bool ProperFileType() const { return m_properFileType; }
    void setProperFileType(bool value) { m_properFileType = value; }

    // Data-member lookup: rsCustomers whatever name is asked for.
    CatalogTablePtr GetDataMember(const QString& dataMember) const;

    static const char* const kIncorrectFormat;
    static const char* const kPreviouslyCreatedIncorrect;

signals:
    void OpenError(const QString& Message);

private:
    FileChannel* m_channel;
    bool m_properFileType = false;
};
