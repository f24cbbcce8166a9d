// bench-program: load and save of a 10,000-line program file, and formatting all 10,000 lines as
// the editor does after every change. Prints the median of several rounds of each, in ms.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/program/CommandTable.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

using namespace vendra;

namespace {

constexpr int kRounds = 15;

// A program of every kind of line, with comments and labels, filling the whole array.
void BuildProgram(UserProgram& p) {
    for (uint32_t i = 0; i < kMaxProgramLines; ++i) {
        ProgramLine& l = p.Lines[i];
        l = ProgramLine{};
        l.Command = static_cast<uint8_t>(i % kCommandCount);
        if (l.Command == CmdEndProgram) l.Command = CmdNoOp;  // reading would stop there
        for (int v = 0; v < 8; ++v) l.Values[v] = (i * 7 + v) % 16;
        if (l.Command == CmdLinkMe || l.Command == CmdSetAxisBoardPosition) l.Values[1] = MotorX;
        if (l.Command == CmdUserInput) l.Values[0] = i % 6;
        std::snprintf(l.Text, sizeof l.Text, "A%u, then; B%u", i * 10, i);
        if (l.Command == CmdLabel) std::snprintf(l.Text, sizeof l.Text, "label_%u", i);
        if (i % 3 == 0 && (l.Command == CmdLoop || l.Command == CmdCompareTemp)) {
            std::snprintf(l.JumpLabels[0], sizeof l.JumpLabels[0], "label_%u", 43u);
        }
        std::snprintf(l.Comment, sizeof l.Comment, "step %u of the cycle", i);
    }
    p.Lines[kMaxProgramLines - 1].Command = CmdEndProgram;
    p.LineCount = kMaxProgramLines;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(uint64_t startUs) {
    return (TickUs() - startUs) / 1000.0;
}

}  // namespace

int main() {
    auto state = std::make_unique<SystemState>();
    BuildProgram(state->Program);

    char dirTemplate[] = "/tmp/bench-program-XXXXXX";
    if (::mkdtemp(dirTemplate) == nullptr) return 1;
    std::string path = std::string(dirTemplate) + "/program.def";

    std::vector<double> save, write, load, format;
    static char buffer[kLineBufferSize];
    size_t chars = 0;
    for (int round = 0; round < kRounds; ++round) {
        uint64_t t = TickUs();
        if (!SaveProgramTo(state->Program, path)) return 1;
        save.push_back(Ms(t));

        // The same lines written without the temporary file, rename and sync: what the safety of
        // the save costs is the difference.
        t = TickUs();
        std::FILE* plain = std::fopen((path + ".plain").c_str(), "wb");
        if (plain == nullptr) return 1;
        for (uint32_t i = 0; i < state->Program.LineCount; ++i) {
            FormatLine(state->Program, i, LineForm::File, buffer, sizeof buffer);
            std::fputs(buffer, plain);
            std::fputs("\r\n", plain);
        }
        std::fclose(plain);
        write.push_back(Ms(t));

        LoadReport report;
        t = TickUs();
        if (!LoadProgram(*state, path, report) || state->Program.LineCount != kMaxProgramLines) {
            return 1;
        }
        load.push_back(Ms(t));

        t = TickUs();
        for (uint32_t i = 0; i < state->Program.LineCount; ++i) {
            FormatLine(state->Program, i, LineForm::Display, buffer, sizeof buffer);
            chars += buffer[0] != '\0';
        }
        format.push_back(Ms(t));
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    long bytes = 0;
    if (f != nullptr) {
        std::fseek(f, 0, SEEK_END);
        bytes = std::ftell(f);
        std::fclose(f);
    }
    ::unlink(path.c_str());
    ::unlink((path + ".plain").c_str());
    ::rmdir(dirTemplate);

    std::printf("lines: %u\n", kMaxProgramLines);
    std::printf("file_bytes: %ld\n", bytes);
    std::printf("load_ms: %.2f\n", Median(load));
    std::printf("save_ms: %.2f\n", Median(save));
    std::printf("plain_write_ms: %.2f\n", Median(write));
    std::printf("format_ms: %.2f\n", Median(format));
    return chars == 0 ? 1 : 0;
}
