// The text form of a program line: what the program file holds and what the editor lists.
// Errors: none; an index outside the program gives an empty text. Output never overruns the
// caller's buffer (it is cut, and kLineBufferSize always holds a whole line).
// Thread rule: FormatLine writes the fixed comments into the line, so it runs where the program
// may be changed (GUI thread, no runner running).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/program/ProgramModel.h"

namespace vendra {

// Large enough for the longest line: keyword, three 149-character targets, a quoted 149-character
// text, the comment part and the display prefix.
constexpr size_t kLineBufferSize = 1024;

enum class LineForm { File, Display };

// Formats line `index` into out (size bytes). The file form is the command part followed by
// "      ;" and the comment; the display form prefixes "%04u - " with the 1-based line number.
// For the eight commands with a fixed comment, the line's Comment is first overwritten with it.
// Each jump target is written from its label slot when that slot is non-empty, else as its number.
// A command code outside the table is written as no_op, so the line keeps its place.
// Returns 1 when the line is a `label` line, 0 otherwise.
int FormatLine(UserProgram& program, uint32_t index, LineForm form, char* out, size_t size);
std::string FormatLine(UserProgram& program, uint32_t index, LineForm form);
// The same text for a copy of `line` as line `index`, leaving the program untouched (the fixed
// comment goes into the copy): for readers that must not write, such as the debugger.
std::string FormatLineCopy(const ProgramLine& line, uint32_t index, LineForm form);

// The fixed comment of a command, or null when the command keeps its own comment.
const char* FixedComment(uint8_t command);

}  // namespace vendra
