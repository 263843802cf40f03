#include "cli/RecordFormat.h"

#include "catalog/CatalogLine.h"

namespace RecordFormat {

namespace {

// The record's fields in the line's own bytes.
void ownBytes(const CatalogScan::LineFields& line, QByteArrayView raw, QByteArrayView fields[3])
{
    if (line.plain) {
        for (int f = 0; f < 3; ++f)
            fields[f] = line.fields[f];
        return;
    }
    const CatalogLine::Split split = CatalogLine::split(raw, line.utf8);
    for (int f = 0; f < 3; ++f)
        fields[f] = split.fields[size_t(f)];
}

void csvField(QByteArray* out, QByteArrayView text)
{
    const bool quote = text.contains(',') || text.contains('"') || text.contains('\r')
                       || text.contains('\n') || (!text.isEmpty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        out->append(text);
        return;
    }
    out->append('"');
    for (const char c : text) {
        if (c == '"')
            out->append('"');
        out->append(c);
    }
    out->append('"');
}

void jsonString(QByteArray* out, QByteArrayView text)
{
    static const char hex[] = "0123456789abcdef";
    out->append('"');
    for (const char c : text) {
        const uchar u = uchar(c);
        if (c == '"' || c == '\\') {
            out->append('\\').append(c);
        } else if (u < 0x20) {
            out->append("\\u00", 4).append(hex[u >> 4]).append(hex[u & 15]);
        } else {
            out->append(c);
        }
    }
    out->append('"');
}

} // namespace

bool parse(const QString& name, Kind* kind)
{
    static const char* const names[] = {"lines", "tsv", "csv", "json"};
    for (int k = 0; k < 4; ++k) {
        if (name == QLatin1String(names[k])) {
            *kind = Kind(k);
            return true;
        }
    }
    return false;
}

QByteArray head(Kind kind)
{
    switch (kind) {
    case Kind::Lines:
        return {};
    case Kind::Tsv:
        return "index\tname\tsize\n";
    case Kind::Csv:
        return "index,name,size\r\n";
    case Kind::Json:
        return "[\n";
    }
    return {};
}

QByteArray tail(Kind kind, bool anyRecord)
{
    if (kind != Kind::Json)
        return {};
    return anyRecord ? "\n]\n" : "]\n";
}

int separatorLength(Kind kind)
{
    return kind == Kind::Json ? 2 : 0;
}

void append(QByteArray* out, Kind kind, const CatalogScan::LineFields& line, QByteArrayView raw)
{
    switch (kind) {
    case Kind::Lines:
    case Kind::Tsv: {
        QByteArrayView fields[3];
        ownBytes(line, raw, fields);
        out->append(fields[0]).append('\t').append(fields[1]).append('\t').append(fields[2]).append('\n');
        return;
    }
    case Kind::Csv:
        csvField(out, line.fields[0]);
        out->append(',');
        csvField(out, line.fields[1]);
        out->append(',');
        csvField(out, line.fields[2]);
        out->append("\r\n", 2);
        return;
    case Kind::Json: {
        out->append(",\n{\"index\":", 11);
        jsonString(out, line.fields[0]);
        out->append(",\"name\":", 8);
        jsonString(out, line.fields[1]);
        out->append(",\"size\":", 8);
        jsonString(out, line.fields[2]);
        if (!line.utf8) {
            QByteArrayView fields[3];
            ownBytes(line, raw, fields);
            out->append(",\"name_bytes\":\"", 15).append(fields[1].toByteArray().toHex()).append('"');
        }
        out->append('}');
        return;
    }
    }
}

} // namespace RecordFormat
