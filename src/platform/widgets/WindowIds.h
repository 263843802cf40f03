#pragma once

#include <QString>

// The windows' names: the id each window is registered and opened under in the WindowRegistry,
// and its Qt objectName.
namespace WindowId {
inline const QString database = QStringLiteral("Form1");        // DatabaseWindow
inline const QString searchIndicator = QStringLiteral("Form2"); // SearchIndicator
inline const QString capture = QStringLiteral("Form4");         // CaptureWindow
inline const QString instructions = QStringLiteral("Form5");    // InstructionsWindow
inline const QString splash = QStringLiteral("Form6");          // SplashWindow
inline const QString disks = QStringLiteral("DisksWindow");     // DisksWindow
} // namespace WindowId
