#include "core/base/AtomicFile.h"
#include "core/base/PathNames.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

namespace vendra {

std::string DefinitionFileName(const std::string& path) {
    return HasExtension(path) ? path : path + ".def";
}

int SaveProgramTo(UserProgram& program, const std::string& path, std::string* error) {
    std::string text;
    char line[kLineBufferSize];
    for (uint32_t i = 0; i < program.LineCount && i < kMaxProgramLines; ++i) {
        FormatLine(program, i, LineForm::File, line, sizeof line);
        text += line;
        text += "\r\n";
    }
    return WriteFileAtomically(path, text, error) ? 1 : 0;
}

int SaveProgram(UserProgram& program, SharedText& programPath, std::string* error) {
    std::string path = DefinitionFileName(programPath.Get());
    if (!SaveProgramTo(program, path, error)) return 0;
    programPath.Set(path);
    return 1;
}

}  // namespace vendra
