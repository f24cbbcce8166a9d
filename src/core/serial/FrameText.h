// Text transformations applied to a command before it goes on the line, and the number rule of
// reply values.
//
// Error rule: pure functions on std::string, never writing past anything; a register reference
// that names no register is left as typed. Thread rule: safe from any thread (the register file is
// read through atomics).
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/TempRegisters.h"

namespace vendra {

// Appends a CR when the text contains none anywhere.
void EnsureCarriageReturn(std::string& text);

// Replaces every "#TEMP<n>#" by register n's value printed as unsigned decimal. Returns true when
// at least one reference was expanded; otherwise the text is left exactly as it was. Characters of
// a pattern that breaks off are kept as typed, and a reference to a register outside the file
// (n > 73) is left as typed.
bool ExpandTempReferences(std::string& text,
                          const std::atomic<uint32_t> (&registers)[kTempRegisters]);

// The frame of an AxisBoard command: the text with the unit digit inserted after every W, X, Y or
// Z that is the first character or follows a ','. Example: unit 5, "XA100,YA200" ->
// "X5A100,Y5A200".
std::string InsertAxisAddress(char unitDigit, std::string_view text);

// The C library's atol rule on a reply value: optional blanks and sign, then the leading digits;
// none gives 0. The result wraps to 32 bits as the board's counters do.
int32_t ReplyNumber(std::string_view text);

}  // namespace vendra
