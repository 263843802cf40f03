#pragma once

#include <QString>

// The benchmark's folder tree of `files` files under Bench::dataDir(), generated once; empty
// when it cannot be written.
QString ensureCaptureTree(int files);
