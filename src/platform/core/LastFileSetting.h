#pragma once

#include <QString>

// The one setting the program keeps between runs: the catalog that was shown last.
// Stored per user under application "vellumark", section "lastfile", key "recent files".
namespace LastFileSetting {
QString read();
void write(const QString& path);
} // namespace LastFileSetting
