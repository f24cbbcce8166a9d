#include "core/base/AtomicFile.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

namespace vendra {

namespace {

std::string BaseNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string DefinitionFileName(const std::string& path) {
    std::string base = BaseNameOf(path);
    size_t dot = base.find_last_of('.');
    bool hasExtension = dot != std::string::npos && dot > 0;
    return hasExtension ? path : path + ".def";
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
