#pragma once

#include <QByteArray>
#include <QString>

// The benchmark's catalog: 1,000,000 records (or as many as asked) of realistic paths (about
// 100 characters on average, some over 200, some non-ASCII), index values 1 to 5, sizes from
// bytes to gigabytes. Generated once, deterministically, into Bench::dataDir(); later calls
// return the same file.
namespace CatalogData {
constexpr int kRecords = 1000000;
}
QString ensureCatalog(int records = CatalogData::kRecords);

namespace CatalogData {
// A folder name found in about one record in ten thousand, and one found in about half.
constexpr const char* kRareText = "Quarterly-Ledger";
constexpr const char* kCommonText = "project";
} // namespace CatalogData
