#pragma once

// Builds the application object, registers every window with the window registry, opens the
// splash and runs the event loop.
int runVellumark(int argc, char** argv);
