#pragma once

#include <QIcon>

class QWidget;

// Shared look of the program's windows: their icons (from the program's resources) and the
// placement every window gets when it first appears.
namespace WindowLook {

// The database and instructions windows share one icon; the capture window has its own.
QIcon databaseIcon();
QIcon captureIcon();

// Moves a window so that its frame is centred on the screen it is on (the primary screen
// before it has been shown).
void centreOnScreen(QWidget* window);

} // namespace WindowLook
