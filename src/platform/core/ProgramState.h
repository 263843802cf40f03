#pragma once

#include <QString>
#include <QtGlobal>

// The program-wide state that outlives any one window: the catalog to remember at the end and
// the capture counters. Everything else belongs to a window.
namespace ProgramState {

// The walker's counters: filecount runs 1..1000 within a block, blockcount counts the reopens
// of the catalog file. A run's file count is blockcount * 1000 + filecount.
extern qint32 filecount;
extern qint32 blockcount;

} // namespace ProgramState
