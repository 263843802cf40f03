#pragma once

#include <QString>

// vellumark-cli capture: the capture window's run without the window. The same walker on the
// lists without a window writes the same bytes for the same folder and index value; what it
// cannot catalogue is reported on standard error, one report per folder. An existing catalog
// is only appended to or overwritten when asked. Returns the exit status: 0 done, 1 done with
// reports, 2 failed (nothing refused is written; after a write failure every line in the
// catalog is whole).
struct CaptureRequest
{
    enum class Existing { Refuse, Append, Overwrite };

    QString folder;
    QString catalog;
    // As typed in the index-value box; the box starts with a text that is not a number.
    QString index = QStringLiteral("Index Value");
    Existing existing = Existing::Refuse;
};

int runCapture(const CaptureRequest& request);
