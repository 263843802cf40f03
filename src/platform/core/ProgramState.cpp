#include "platform/core/ProgramState.h"

namespace ProgramState {
qint32 filecount = 0;
qint32 blockcount = 0;
} // namespace ProgramState
