#include "platform/core/ProgramState.h"

namespace ProgramState {
QString lastfilename;
qint32 filecount = 0;
qint32 blockcount = 0;
} // namespace ProgramState
