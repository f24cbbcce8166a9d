#include "core/program/CommDebugSource.h"

#include "core/program/LineFormat.h"
#include "core/serial/CommDebugLine.h"

namespace vendra {

std::string CommDebugSourceLine(const UserProgram& program, bool programLoaded,
                                std::string_view logLine) {
    const CommDebugLineParts parts = ParseCommDebugLine(logLine);
    if (!parts.valid) return {};
    if (!parts.sent) return "Replies and discarded bytes carry no program line.";
    const std::string line = std::to_string(parts.programLine);
    if (!programLoaded) return "Sent at line " + line + ": no program is loaded.";
    if (parts.programLine < 1 || static_cast<unsigned long>(parts.programLine) > program.LineCount)
        return "Sent at line " + line + ", which the loaded program does not have.";
    const uint32_t index = static_cast<uint32_t>(parts.programLine - 1);
    return FormatLineCopy(program.Lines[index], index, LineForm::Display);
}

}  // namespace vendra
