#pragma once

#include "catalog/CatalogTable.h"

#include <QObject>
#include <QString>

class FileChannel;

// The catalog data source: checks a catalog file, loads it into a catalog table of three text
// fields ("Index" 5, "Filename" 32767, "Size (bytes)" 30 characters) and reports every failure
// through failed(), which is delivered synchronously, before the failing call returns.
// Each load replaces its records with a new table.
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

    // The table the last load built (null before any), and the file it was asked for.
    const CatalogTablePtr& records() const { return m_records; }
    const QString& path() const { return m_path; }

    // First-line check. On refusal emits failed() ("Incorrect Format" or "Previously created
    // file is of incorrect format") and returns false. A file that cannot be opened at all is
    // not reported through failed(): false is returned and *failure gets the description.
    bool validate(const QString& path, QString* failure = nullptr);

    // Builds new records from the file. Always returns normally; a failure emits failed() with
    // its description, and the records read before it stay. Running out of memory emits "Not
    // enough memory to open <file>" and leaves the records as they were.
    void load(const QString& path);

    static const char* const kIncorrectFormat;
    static const char* const kPreviouslyCreatedIncorrect;

signals:
    void failed(const QString& message);

private:
    FileChannel* m_channel;
    CatalogTablePtr m_records;
    QString m_path;
};
