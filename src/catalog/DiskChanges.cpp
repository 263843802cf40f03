#include "catalog/DiskChanges.h"

#include <QHash>

#include <algorithm>

DiskChanges DiskChanges::between(const std::vector<CatalogRewrite::Record>& before,
                                 const std::vector<CatalogRewrite::Record>& after)
{
    // Each name's old records, by position; a matched one is taken out.
    QHash<QByteArrayView, std::vector<size_t>> old;
    old.reserve(qsizetype(before.size()));
    for (size_t i = 0; i < before.size(); ++i)
        old[QByteArrayView(before[i].name)].push_back(i);
    std::vector<bool> matched(before.size(), false);

    DiskChanges changes;
    auto text = [](const QByteArray& bytes) { return QString::fromUtf8(bytes); };
    for (const CatalogRewrite::Record& record : after) {
        const auto found = old.find(QByteArrayView(record.name));
        if (found == old.end() || found->empty()) {
            changes.added.push_back({text(record.name), QString(), text(record.size)});
            continue;
        }
        // Same size first, so a name captured twice matches its unchanged copy.
        std::vector<size_t>& candidates = *found;
        auto pick = std::find_if(candidates.begin(), candidates.end(),
                                 [&](size_t i) { return before[i].size == record.size; });
        if (pick == candidates.end())
            pick = candidates.begin();
        const size_t i = *pick;
        candidates.erase(pick);
        matched[i] = true;
        if (before[i].size == record.size) {
            ++changes.unchanged;
            changes.unchangedNames.push_back(text(record.name));
        } else {
            changes.changed.push_back({text(record.name), text(before[i].size), text(record.size)});
        }
    }
    for (size_t i = 0; i < before.size(); ++i) {
        if (!matched[i])
            changes.removed.push_back({text(before[i].name), text(before[i].size), QString()});
    }
    return changes;
}
