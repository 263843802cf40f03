#pragma once

#include <QString>
#include <QtGlobal>

// The program-wide state that outlives any one window: the catalog to remember at the end. Everything else belongs to a window.
namespace ProgramState {

// Full path of the catalog the database window remembers; stored by Quit and the close box.
extern QString lastfilename;

} // namespace ProgramState
