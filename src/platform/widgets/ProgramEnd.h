#pragma once

#include <functional>

// The one way the program ends. Whatever the file channel holds (a capture's catalog) is
// flushed and closed first, so no written line is lost; then every window is hidden and the
// event loop is told to quit. Windows may register work that must happen first (stopping a
// walk). Tests replace the final quit.
namespace ProgramEnd {

void endProgram();
bool isEnding();

// Runs before the channel is closed, in registration order; returns an id for removal.
int addAboutToEnd(std::function<void()> work);
void removeAboutToEnd(int id);

// Replaces the final QCoreApplication::exit(0) (tests); an empty function restores it.
void setQuitHandler(std::function<void()> quit);
void resetForTests();

} // namespace ProgramEnd
