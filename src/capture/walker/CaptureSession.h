#pragma once

#include "catalog/CatalogSink.h"

#include <QString>

// One capture run: what it took when it started, where its records go, and whether its walk is
// to stop. The run owns it for as long as it runs; the walker and the capture window (Cancel,
// Quit, closing, the program's end) are handed it.
struct CaptureSession
{
    explicit CaptureSession(FileChannel& channel) : sink(channel) {}

    // The index value of every record, taken when the run started: typing in the index box
    // during the walk changes nothing.
    QString index;
    CatalogSink sink;
    // Cancel, Quit, closing the window and the program's end set it; the walk stops at its
    // next folder, or at once after a report box.
    bool stopRequested = false;

    bool keepGoing() const { return !stopRequested && !sink.failed(); }
};
