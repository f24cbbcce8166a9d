// The user program in memory: its lines and its label table.
// Thread rule: only the GUI thread changes the program, and never while the runner runs; the
// runner reads it without locks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace vendra {

constexpr uint32_t kMaxProgramLines = 10000;
constexpr uint32_t kMaxLabels = 1000;  // entry 0 is the built-in "NextLine"
constexpr int kTextSize = 150;         // Text, JumpLabels and Comment: 149 characters + NUL
constexpr int kLabelNameSize = 100;    // label names: 99 characters + NUL
constexpr int kValueCount = 11;
constexpr int kJumpLabelSlots = 4;  // slots 0..2 are used; 3 is carried with the line
constexpr const char* kNextLineLabel = "NextLine";

struct ProgramLine {
    uint8_t Command = 0;
    uint32_t Values[kValueCount] = {};
    char Text[kTextSize] = {};
    char JumpLabels[kJumpLabelSlots][kTextSize] = {};
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

// Starts as a reset table: only entry 0, "NextLine" / 0.
struct LabelTable {
    LabelTable() {
        std::memcpy(Entries[0].Name, "NextLine", sizeof "NextLine");
        LabelCount = 1;
    }
    std::unique_ptr<LabelEntry[]> Entries{new LabelEntry[kMaxLabels]};
    uint32_t LabelCount = 0;
};

// Copies src into a fixed buffer of `size` bytes, cutting what does not fit; always terminates.
// Returns false when the text was cut.
inline bool CopyField(char* dst, size_t size, const char* src) {
    size_t n = std::strlen(src);
    bool fits = n < size;
    if (!fits) n = size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    return fits;
}
template <size_t N>
inline bool CopyField(char (&dst)[N], const char* src) {
    return CopyField(dst, N, src);
}

}  // namespace vendra
