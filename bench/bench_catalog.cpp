// Loading and filtering a million-record catalog, side by side with the standard tools that
// read the same file.
#include "Bench.h"
#include "CatalogData.h"

#include "catalog/CatalogSource.h"
#include "platform/core/FileChannel.h"

#include <QFileInfo>

#include <cstdio>

namespace {

QString quoted(const QString& path)
{
    return QLatin1Char('\'') + QString(path).replace(QLatin1String("'"), QLatin1String("'\\''"))
           + QLatin1Char('\'');
}

CatalogTablePtr load(const QString& path)
{
    CatalogSource source;
    QString error;
    QObject::connect(&source, &CatalogSource::failed, [&error](const QString& m) { error = m; });
    source.load(path);
    if (!error.isEmpty())
        qFatal("loading failed: %s", qPrintable(error));
    return source.records();
}

void verdict(const char* what, bool met)
{
    Bench::printLine(QStringLiteral("  target %1: %2").arg(QLatin1String(what),
                                                          met ? QStringLiteral("met")
                                                              : QStringLiteral("MISSED")));
}

int benchLoad(const QStringList&)
{
    const QString path = ensureCatalog();
    const double mb = QFileInfo(path).size() / 1e6;
    Bench::printLine(QStringLiteral("catalog: %1 (%2 MB)").arg(path).arg(mb, 0, 'f', 1));
    qint64 records = 0;
    const double ours = Bench::timeMs([&] { records = load(path)->recordCount(); });
    QByteArray wcOut;
    const double wc = Bench::timeCommandMs("wc -l < " + quoted(path), 3, &wcOut);
    const double grep = Bench::timeCommandMs("grep -c '' " + quoted(path));
    Bench::printRow(QStringLiteral("load (%1 records)").arg(records), ours, "ms",
                    "wc -l (" + QString::fromLatin1(wcOut.trimmed()) + " lines)", wc);
    Bench::printRow(QStringLiteral("load"), ours, "ms", "grep -c ''", grep);
    verdict("load within 6x of wc -l", ours <= 6 * wc);
    verdict("load under 1 s", ours < 1000);
    return records == wcOut.trimmed().toLongLong() ? 0 : 1;
}

// Runs in a fresh process: loads the catalog and reports the peak resident memory.
int benchRssChild(const QStringList& args)
{
    qint64 records = 0;
    if (args.value(0) != QLatin1String("baseline"))
        records = load(ensureCatalog())->recordCount();
    std::printf("%lld %lld\n", static_cast<long long>(Bench::peakRss()),
                static_cast<long long>(records));
    return 0;
}

int benchRss(const QStringList&)
{
    const QString path = ensureCatalog();
    const double fileMb = QFileInfo(path).size() / 1e6;
    const double baseline = Bench::runSelf({"catalog-rss-child", "baseline"}).split(' ')
                                .value(0)
                                .toDouble()
                            / 1e6;
    const double loaded =
        Bench::runSelf({"catalog-rss-child"}).split(' ').value(0).toDouble() / 1e6;
    Bench::printRow(QStringLiteral("peak RSS, process with the loaded set"), loaded, "MB",
                    QStringLiteral("catalog file size"), fileMb);
    Bench::printRow(QStringLiteral("  of which the record set (minus %1 MB idle)")
                        .arg(baseline, 0, 'f', 1),
                    loaded - baseline, "MB", QStringLiteral("catalog file size"), fileMb);
    verdict("peak RSS at most 1.5x the file", loaded <= 1.5 * fileMb);
    return 0;
}

int benchFilter(const QStringList&)
{
    const QString path = ensureCatalog();
    const CatalogTablePtr rs = load(path);
    int status = 0;
    auto compare = [&](const QString& label, const CatalogQuery& query, const QString& tool,
                       const QString& command) {
        qint64 count = 0;
        const double ours = Bench::timeMs([&] {
            rs->setQuery(query);
            count = rs->recordCount();
        });
        QByteArray out;
        const double theirs = Bench::timeCommandMs(command, 3, &out);
        const qint64 toolCount = out.trimmed().toLongLong();
        Bench::printRow(QStringLiteral("%1 (%2 hits)").arg(label).arg(count), ours, "ms",
                        QStringLiteral("%1 (%2)").arg(tool).arg(toolCount), theirs);
        verdict("no slower than the tool", ours <= theirs);
        if (count != toolCount) {
            Bench::printLine(QStringLiteral("  COUNT MISMATCH"));
            status = 1;
        }
    };
    const QString rare = QLatin1String(CatalogData::kRareText);
    const QString common = QLatin1String(CatalogData::kCommonText);
    const auto inName = [](const QString& text) {
        return CatalogQuery::contains(CatalogField::Filename, text);
    };
    compare("file-name filter, rare text", inName(rare.toUpper()), "grep -F -i -c",
            "grep -F -i -c " + quoted(rare.toUpper()) + " " + quoted(path));
    compare("file-name filter, common text", inName(common), "grep -F -i -c",
            "grep -F -i -c " + quoted(common) + " " + quoted(path));
    compare("file-name filter, non-ASCII text", inName(QStringLiteral("ZÜRICH")),
            "grep -F -i -c", "grep -F -i -c 'ZÜRICH' " + quoted(path));
    compare("file-name filter, all non-ASCII text", inName(QStringLiteral("ÉTÉ")),
            "grep -F -i -c", "grep -F -i -c 'ÉTÉ' " + quoted(path));
    compare("index filter, equals '3'", CatalogQuery::equals(CatalogField::Index, QStringLiteral("3")),
            "awk $1==\"3\"", "awk -F'\\t' '$1==\"3\"{n++} END{print n+0}' " + quoted(path));
    rs->setQuery(CatalogQuery());
    return status;
}

} // namespace

VELLUMARK_BENCH("catalog-load", 10, benchLoad);
VELLUMARK_BENCH("catalog-rss", 11, benchRss);
VELLUMARK_BENCH("catalog-filter", 12, benchFilter);
VELLUMARK_BENCH("catalog-rss-child", -10, benchRssChild);
