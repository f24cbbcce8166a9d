// The user program in memory: its lines and its label table.
// Thread rule: only the GUI thread changes the program, and never while the runner runs; the
// runner reads it without locks.
#pragma once
#include <cstdint>
#include <memory>

namespace vendra {

constexpr uint32_t kMaxProgramLines = 10000;
constexpr uint32_t kMaxLabels = 1000;  // entry 0 is the built-in "NextLine"
constexpr int kTextSize = 150;         // Text, JumpLabels and Comment: 149 characters + NUL
constexpr int kLabelNameSize = 100;    // label names: 99 characters + NUL

struct ProgramLine {
    uint8_t Command = 0;
    uint32_t Values[11] = {};
    char Text[kTextSize] = {};
    char JumpLabels[4][kTextSize] = {};
    char Comment[kTextSize] = {};
};

struct UserProgram {
    std::unique_ptr<ProgramLine[]> Lines{new ProgramLine[kMaxProgramLines]};
    uint32_t LineCount = 0;
};

struct LabelEntry {
    char Name[kLabelNameSize] = {};
    int32_t Target = 0;
};

struct LabelTable {
    std::unique_ptr<LabelEntry[]> Entries{new LabelEntry[kMaxLabels]};
    uint32_t LabelCount = 0;
};

}  // namespace vendra
