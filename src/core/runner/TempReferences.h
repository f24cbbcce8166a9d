// The "#TEMP<n>#" references of a program line's command, replaced by the register values just
// before the frame goes out.
//
// Error rule: never writes past anything; a reference that names no register is left as typed.
// Thread rule: safe from any thread (the register file is read through atomics).
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "core/runner/TempRegisters.h"

namespace vendra {

// Replaces every "#TEMP<n>#" by register n's value printed as unsigned decimal. Returns true when
// at least one reference was expanded; otherwise the text is left exactly as it was. Characters of
// a pattern that breaks off are kept as typed, and a reference to a register outside the file
// (n > 73) is left as typed.
bool ExpandTempReferences(std::string& text,
                          const std::atomic<uint32_t> (&registers)[kTempRegisters]);

}  // namespace vendra
