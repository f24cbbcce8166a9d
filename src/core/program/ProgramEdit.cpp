#include "core/program/ProgramEdit.h"

#include <cstring>

#include "core/program/CommandTable.h"

namespace vendra {

void ClearLine(ProgramLine& line) {
    std::memset(static_cast<void*>(&line), 0, sizeof line);
}

void ResetLabelTable(LabelTable& labels) {
    std::memset(static_cast<void*>(labels.Entries.get()), 0, sizeof(LabelEntry) * kMaxLabels);
    CopyField(labels.Entries[0].Name, kNextLineLabel);
    labels.Entries[0].Target = 0;
    labels.LabelCount = 1;
}

void ClearProgram(UserProgram& program, LabelTable& labels) {
    program.LineCount = 0;
    std::memset(static_cast<void*>(program.Lines.get()), 0, sizeof(ProgramLine) * kMaxProgramLines);
    ResetLabelTable(labels);
}

int CopyLine(UserProgram& program, uint32_t from, uint32_t to) {
    if (from >= kMaxProgramLines || to >= kMaxProgramLines) return 0;
    if (from != to) program.Lines[to] = program.Lines[from];
    return 1;
}

int InsertBlankLine(UserProgram& program, LabelTable& labels, uint32_t pos) {
    if (program.LineCount >= kMaxProgramLines || pos > program.LineCount) return 0;
    // From the last line backwards, so nothing is overwritten before it has moved.
    for (uint32_t i = program.LineCount; i > pos; --i) program.Lines[i] = program.Lines[i - 1];
    ++program.LineCount;
    ClearLine(program.Lines[pos]);
    RebuildLabelTable(program, labels);
    return 1;
}

int DeleteLine(UserProgram& program, LabelTable& labels, uint32_t pos) {
    if (program.LineCount == 0 || pos >= program.LineCount) return 0;
    for (uint32_t i = pos; i + 1 < program.LineCount; ++i) program.Lines[i] = program.Lines[i + 1];
    --program.LineCount;
    ClearLine(program.Lines[program.LineCount]);
    RebuildLabelTable(program, labels);
    return 1;
}

void RebuildLabelTable(const UserProgram& program, LabelTable& labels) {
    ResetLabelTable(labels);
    for (uint32_t i = 0; i < program.LineCount && labels.LabelCount < kMaxLabels; ++i) {
        const ProgramLine& line = program.Lines[i];
        if (line.Command != CmdLabel) continue;
        LabelEntry& entry = labels.Entries[labels.LabelCount++];
        CopyField(entry.Name, line.Text);
        entry.Target = static_cast<int32_t>(i + 1);
    }
}

int FindLabel(const LabelTable& labels, const char* name, std::atomic<int32_t>& programPointer) {
    if (name == nullptr) return 0;
    uint32_t count = labels.LabelCount < kMaxLabels ? labels.LabelCount : kMaxLabels;
    for (uint32_t i = 0; i < count; ++i) {
        const LabelEntry& entry = labels.Entries[i];
        if (std::strcmp(entry.Name, name) != 0) continue;
        if (entry.Target != 0) programPointer = entry.Target - 2;
        return 1;
    }
    return 0;
}

}  // namespace vendra
