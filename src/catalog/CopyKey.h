#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

class CatalogTable;

// What makes two records copies of one file: the same file name (the last component of the
// full name, after the last "/" or "\") compared without regard to letter case as the file-name
// search compares it (simple case folding), and the same size text. A name whose bytes are not
// valid UTF-8 (its line was read as Windows-1252) is compared by those exact bytes.
namespace CopyKey {

// The last component of a full name: what follows its last "/" or "\".
QByteArrayView fileNameOf(QByteArrayView fullName);
// The folder part of a full name: what precedes its last separator (empty when there is none).
QByteArrayView folderOf(QByteArrayView fullName);

// The key bytes of one record's file name, built in out (which is reused from call to call):
// the case folding of the name in UTF-8, or, for a name that is not UTF-8, a 0xFF byte (never
// part of UTF-8) followed by its exact bytes. Two names compare equal exactly when their keys
// are equal.
QByteArrayView nameKey(const CatalogTable& table, qint64 record, QByteArray* out);
// The same for a file name given as UTF-8 text.
QByteArrayView nameKey(QByteArrayView utf8Name, QByteArray* out);

// The bytes a Windows-1252 reading (CatalogTable::readAsWindows1252) came from: each of its
// characters stands for one byte.
QByteArray windows1252Bytes(QByteArrayView utf8);

// A 64-bit hash of a name key and a size text.
quint64 hash(QByteArrayView nameKey, QByteArrayView size);
// The hash of one record's name key and size; scratch is reused from call to call. An ASCII
// name is folded as it is hashed, without being copied.
quint64 hashOf(const CatalogTable& table, qint64 record, QByteArray* scratch);

// The size text as a number of bytes: a plain decimal number, else 0.
qint64 bytesOf(QByteArrayView size);

// Reuses the scratch buffers of one thread: whether two records are copies by the rule.
class Comparer
{
public:
    explicit Comparer(const CatalogTable& table) : m_table(table) {}
    bool same(qint64 a, qint64 b);

private:
    const CatalogTable& m_table;
    QByteArray m_a;
    QByteArray m_b;
};

} // namespace CopyKey
