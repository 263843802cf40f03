#include "catalog/CatalogLine.h"

#include <QDir>

namespace CatalogLine {

const char* const kInvalidArgument = "Invalid procedure call or argument";

QString folderPrefix(const QString& folderPath)
{
    if (folderPath.isEmpty())
        return folderPath;
    const QChar last = folderPath.back();
    if (last == QLatin1Char('/') || last == QDir::separator())
        return folderPath;
    return folderPath + QDir::separator();
}

QByteArray format(QStringView index, QStringView fullName, qint64 size)
{
    // The system's 8-bit codec, UTF-8 on Linux; the line goes out as one write.
    const QByteArray indexBytes = index.toLocal8Bit();
    const QByteArray nameBytes = fullName.toLocal8Bit();
    const QByteArray sizeBytes = QByteArray::number(size);
    QByteArray line;
    line.reserve(indexBytes.size() + nameBytes.size() + sizeBytes.size() + 4);
    line.append(indexBytes).append('\t').append(nameBytes).append('\t').append(sizeBytes);
    line.append("\r\n", 2);
    return line;
}

bool isWritableName(QStringView name)
{
    for (const QChar c : name) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

Split split(QByteArrayView line)
{
    Split result;
    QByteArrayView remaining = line;
    for (int f = 0; f < 3; ++f) {
        const qsizetype tab = remaining.indexOf('\t');
        QByteArrayView text = tab >= 0 ? remaining.first(tab) : remaining;
        if (!text.isEmpty() && text.front() == '"') {
            // Drop the last character, then the first. A lone quote leaves nothing to drop
            // the first character from. The last character may be a multi-byte sequence.
            if (text.size() == 1)
                return result;
            qsizetype lastStart = text.size() - 1;
            while (lastStart > 1 && (uchar(text[lastStart]) & 0xC0) == 0x80)
                --lastStart;
            text = text.sliced(1, lastStart - 1);
        }
        result.fields[size_t(f)] = text;
        result.count = f + 1;
        if (tab >= 0)
            remaining = remaining.sliced(tab + 1);
    }
    result.ok = true;
    return result;
}

} // namespace CatalogLine
