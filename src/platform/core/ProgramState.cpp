#include "platform/core/ProgramState.h"

namespace ProgramState {
QString lastfilename;
} // namespace ProgramState
