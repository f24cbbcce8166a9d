// What the communications debugger shows for a double click on a log line: the program line whose
// run sent the frame (the runner's line number the line carries), as the definition editor lists
// it ("%04u - ..."), or why there is none.
// Error rule: none; every line gives a text (empty for a line of no known form).
// Thread rule: reads the program without writing it; called on the GUI thread, where the program
// is edited.
#pragma once
#include <string>
#include <string_view>

#include "core/program/ProgramModel.h"

namespace vendra {

std::string CommDebugSourceLine(const UserProgram& program, bool programLoaded,
                                std::string_view logLine);

}  // namespace vendra
