// The .def reader on any bytes: the program it loads stays inside every limit, lists as the editor
// shows it, passes through the address check, and saves and loads back to the very same program.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "core/program/AddressCheck.h"
#include "core/program/CommandTable.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

using namespace vendra;

namespace {

struct Loaded {
    UserProgram program;
    LabelTable labels;
    LoadReport report;
};

bool Load(Loaded& into, const void* data, size_t size) {
    // fmemopen wants at least one byte; an empty file is a file of no bytes all the same.
    static char empty = '\0';
    std::FILE* file =
        size > 0 ? fmemopen(const_cast<void*>(data), size, "rb") : fmemopen(&empty, 1, "rb");
    if (file == nullptr) return false;
    if (size == 0) std::fgetc(file);
    int result = LoadProgram(into.program, into.labels, file, into.report);
    std::fclose(file);
    return result == 1;
}

std::string Saved(UserProgram& program) {
    std::string out;
    char line[kLineBufferSize];
    for (uint32_t i = 0; i < program.LineCount; ++i) {
        FormatLine(program, i, LineForm::File, line, sizeof line);
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Two programs for the whole run: a load clears them anyway, and fresh ones cost page faults.
    static auto first = std::make_unique<Loaded>();
    static auto second = std::make_unique<Loaded>();
    if (!Load(*first, data, size)) return 0;
    UserProgram& p = first->program;
    FUZZ_CHECK(p.LineCount <= kMaxProgramLines);
    FUZZ_CHECK(first->labels.LabelCount >= 1 && first->labels.LabelCount <= kMaxLabels);
    for (uint32_t i = 0; i < p.LineCount; ++i) {
        const ProgramLine& l = p.Lines[i];
        FUZZ_CHECK(l.Command < kCommandCount);
        FUZZ_CHECK(strnlen(l.Text, kTextSize) < size_t(kTextSize));
        FUZZ_CHECK(strnlen(l.Comment, kTextSize) < size_t(kTextSize));
        for (const auto& j : l.JumpLabels)
            FUZZ_CHECK(strnlen(j, kTextSize) < size_t(kLabelNameSize));
    }

    // The listing, and the address check with the lines it names.
    char line[kLineBufferSize];
    for (uint32_t i = 0; i < p.LineCount; ++i) {
        int n = FormatLine(p, i, LineForm::Display, line, sizeof line);
        FUZZ_CHECK(std::strlen(line) < sizeof line);
        (void)n;
    }
    AddressCheckResult check = AddressCheck(p);
    for (uint32_t faulty : check.FaultyLines) FUZZ_CHECK(faulty < p.LineCount);
    FUZZ_CHECK(check.Ok == (check.FaultyLines.empty() && check.EndFound ? 1 : 0));

    // Save and load back: the same program, the same labels, and the same text once more.
    std::string saved = Saved(p);
    FUZZ_CHECK(Load(*second, saved.data(), saved.size()));
    const UserProgram& q = second->program;
    // Everything loaded fits when written back (only a surplus of label lines stays a surplus).
    FUZZ_CHECK(second->report.FieldsCut == 0 && !second->report.LinesDropped);
    FUZZ_CHECK(second->report.NulLines.empty());
    FUZZ_CHECK(second->report.RunOnLines.empty());  // every line written ends in its comment
    FUZZ_CHECK(second->report.LabelsDropped == first->report.LabelsDropped);
    FUZZ_CHECK(q.LineCount == p.LineCount);
    for (uint32_t i = 0; i < p.LineCount; ++i) {
        const ProgramLine& a = p.Lines[i];
        const ProgramLine& b = q.Lines[i];
        FUZZ_CHECK(a.Command == b.Command);
        FUZZ_CHECK(std::memcmp(a.Values, b.Values, sizeof a.Values) == 0);
        FUZZ_CHECK(std::strcmp(a.Text, b.Text) == 0);
        FUZZ_CHECK(std::strcmp(a.Comment, b.Comment) == 0);
        for (int k = 0; k < kJumpLabelSlots; ++k)
            FUZZ_CHECK(std::strcmp(a.JumpLabels[k], b.JumpLabels[k]) == 0);
    }
    FUZZ_CHECK(second->labels.LabelCount == first->labels.LabelCount);
    for (uint32_t i = 0; i < first->labels.LabelCount; ++i) {
        FUZZ_CHECK(std::strcmp(second->labels.Entries[i].Name, first->labels.Entries[i].Name) == 0);
        FUZZ_CHECK(second->labels.Entries[i].Target == first->labels.Entries[i].Target);
    }
    FUZZ_CHECK(Saved(second->program) == saved);
    return 0;
}
