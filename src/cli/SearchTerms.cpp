#include "cli/SearchTerms.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace SearchTerms {

namespace {
constexpr quint64 kMost = std::numeric_limits<quint64>::max();
}

bool sizeValue(const QString& text, quint64* bytes)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]+(?:\\.[0-9]+)?)([kKmMgGtT]?)[bB]?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const QString unit = match.captured(2).toLower();
    const int power = unit.isEmpty() ? 0 : int(QStringLiteral("kmgt").indexOf(unit)) + 1;
    const QString digits = match.captured(1);
    if (!digits.contains(QLatin1Char('.'))) {
        const std::optional<quint64> whole = RecordFilter::number(digits.toLatin1());
        const quint64 scale = quint64(1) << (10 * power);
        *bytes = *whole > kMost / scale ? kMost : *whole * scale;
        return true;
    }
    const long double value = std::ldexp(digits.toDouble(), 10 * power);
    *bytes = value >= 1.8e19L ? kMost : quint64(std::floor(value));
    return true;
}

namespace {

using Term = RecordFilter::Term;
constexpr quint64 kLargest = std::numeric_limits<quint64>::max();

// One term as written: its prefix (kind and sign) and its text, quoted or not.
struct Written
{
    QString whole;  // as the user wrote it, for messages
    bool negated = false;
    QString kind;   // "path", "ext", "size", "disk" or empty
    QString text;
};

// Splits an argument into written terms at blanks outside quotes. A quote opens a quoted text
// only at the start of a term's text (after "-" and a kind); "" inside it is one quote.
bool split(const QString& argument, QList<Written>* terms, QString* error)
{
    static const QStringList kinds{QStringLiteral("path"), QStringLiteral("ext"),
                                   QStringLiteral("size"), QStringLiteral("disk")};
    qsizetype at = 0;
    const qsizetype n = argument.size();
    while (at < n) {
        if (argument.at(at).isSpace()) {
            ++at;
            continue;
        }
        const qsizetype start = at;
        Written term;
        if (argument.at(at) == QLatin1Char('-') && at + 1 < n && !argument.at(at + 1).isSpace()) {
            term.negated = true;
            ++at;
        }
        for (const QString& kind : kinds) {
            if (argument.mid(at, kind.size() + 1).compare(kind + QLatin1Char(':'), Qt::CaseInsensitive) == 0) {
                term.kind = kind;
                at += kind.size() + 1;
                break;
            }
        }
        if (at < n && argument.at(at) == QLatin1Char('"')) {
            ++at;
            bool closed = false;
            while (at < n) {
                if (argument.at(at) == QLatin1Char('"')) {
                    if (at + 1 < n && argument.at(at + 1) == QLatin1Char('"')) {
                        term.text += QLatin1Char('"');
                        at += 2;
                        continue;
                    }
                    closed = true;
                    ++at;
                    break;
                }
                term.text += argument.at(at++);
            }
            if (!closed || (at < n && !argument.at(at).isSpace())) {
                while (at < n && !argument.at(at).isSpace())
                    ++at;
                *error = QStringLiteral("cannot read the term %1: a quoted text ends with a "
                                        "double quote and a blank")
                             .arg(argument.mid(start, at - start));
                return false;
            }
        } else {
            while (at < n && !argument.at(at).isSpace())
                term.text += argument.at(at++);
        }
        term.whole = argument.mid(start, at - start);
        terms->append(term);
    }
    return true;
}

bool sizeRanges(const QString& text, Term* term)
{
    quint64 a = 0, b = 0;
    auto range = [&](quint64 low, quint64 high) {
        if (low <= high)
            term->ranges.emplace_back(low, high);
        return true; // an empty range is read, and holds for no record
    };
    if (text.startsWith(QLatin1String(">=")))
        return sizeValue(text.mid(2), &a) && range(a, kLargest);
    if (text.startsWith(QLatin1String("<=")))
        return sizeValue(text.mid(2), &a) && range(0, a);
    if (text.startsWith(QLatin1Char('>')))
        return sizeValue(text.mid(1), &a) && (a == kLargest || range(a + 1, kLargest));
    if (text.startsWith(QLatin1Char('<')))
        return sizeValue(text.mid(1), &a) && (a == 0 || range(0, a - 1));
    const qsizetype dots = text.indexOf(QLatin1String(".."));
    if (dots < 0)
        return sizeValue(text, &a) && range(a, a);
    const QString low = text.left(dots), high = text.mid(dots + 2);
    if (low.isEmpty() && high.isEmpty())
        return false;
    return (low.isEmpty() || sizeValue(low, &a)) && (high.isEmpty() || sizeValue(high, &b))
           && range(low.isEmpty() ? 0 : a, high.isEmpty() ? kLargest : b);
}

bool diskRanges(const QString& text, Term* term)
{
    static const QRegularExpression item(QStringLiteral("^([0-9]+)(?:-([0-9]+))?$"));
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = item.match(part);
        if (!match.hasMatch())
            return false;
        const quint64 low = *RecordFilter::number(match.captured(1).toLatin1());
        const quint64 high = match.captured(2).isEmpty()
                                 ? low
                                 : *RecordFilter::number(match.captured(2).toLatin1());
        if (low > high)
            return false;
        term->ranges.emplace_back(low, high);
    }
    return true;
}

bool extensions(const QString& text, Term* term)
{
    for (QString part : text.split(QLatin1Char(','))) {
        if (part.startsWith(QLatin1Char('.')))
            part.remove(0, 1);
        if (part.isEmpty() || part.contains(QLatin1Char('.')) || part.contains(QLatin1Char('/')))
            return false;
        term->texts.push_back(std::make_shared<CaseBlind::FieldText>(part));
    }
    return true;
}

} // namespace

bool parse(const QString& argument, RecordFilter* filter, QString* error)
{
    QList<Written> written;
    if (!split(argument, &written, error))
        return false;
    for (const Written& w : written) {
        Term term;
        term.negated = w.negated;
        bool read = !w.text.isEmpty();
        if (w.kind.isEmpty() || w.kind == QLatin1String("path")) {
            term.kind = w.kind.isEmpty() ? Term::Kind::Contains : Term::Kind::PathStart;
            term.texts.push_back(std::make_shared<CaseBlind::FieldText>(w.text));
        } else if (w.kind == QLatin1String("ext")) {
            term.kind = Term::Kind::Extension;
            read = read && extensions(w.text, &term);
        } else if (w.kind == QLatin1String("size")) {
            term.kind = Term::Kind::Size;
            read = read && sizeRanges(w.text, &term);
        } else {
            term.kind = Term::Kind::Disk;
            read = read && diskRanges(w.text, &term);
        }
        if (!read) {
            *error = QStringLiteral("cannot read the term %1").arg(w.whole);
            return false;
        }
        filter->add(std::move(term));
    }
    return true;
}

} // namespace SearchTerms
