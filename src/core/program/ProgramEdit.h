// Operations that keep the user program and its label table consistent while a program is
// loaded, edited and run.
// Errors: operations that can be refused return 0 and change nothing; the others cannot fail.
// Thread rule: the editing operations run on the GUI thread while no runner runs; FindLabel is
// called by the runner (it reads the table and writes only the atomic ProgramPointer).
#pragma once
#include <atomic>
#include <cstdint>

#include "core/program/ProgramModel.h"

namespace vendra {

// Command 0, all values 0, every text empty.
void ClearLine(ProgramLine& line);
// Empties every entry, then entry 0 = "NextLine" / 0 and LabelCount = 1.
void ResetLabelTable(LabelTable& labels);
// LineCount 0, all 10000 lines cleared, label table reset.
void ClearProgram(UserProgram& program, LabelTable& labels);
// Copies every field of line `from` onto line `to`. 0 when either index is 10000 or more.
int CopyLine(UserProgram& program, uint32_t from, uint32_t to);
// Opens a blank line at pos, moving pos.. down by one. 0 when the program is full or pos is past
// the end (pos == LineCount appends).
int InsertBlankLine(UserProgram& program, LabelTable& labels, uint32_t pos);
// Removes line pos, moving the following lines up and clearing the freed last slot. 0 when the
// program is empty or pos is not a line of it.
int DeleteLine(UserProgram& program, LabelTable& labels, uint32_t pos);
// Enters every `label` line in program order (name cut to 99 characters, at most 999 lines).
void RebuildLabelTable(const UserProgram& program, LabelTable& labels);
// Looks name up in entries 0..LabelCount-1 (exact, case-sensitive; the first match wins). On a
// match whose Target is not 0, programPointer = Target - 2 (the runner's increment then lands on
// the label line). Returns 1 on a match (moved or not), 0 otherwise.
int FindLabel(const LabelTable& labels, const char* name, std::atomic<int32_t>& programPointer);

}  // namespace vendra
