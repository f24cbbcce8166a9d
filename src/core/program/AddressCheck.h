// The editor's check of a program's jump addresses before it is saved: every numeric jump target
// must be 0 (next line) or a line of the program, and the program must hold an end_program line.
// Targets given by label name are stored as 0 and always pass; names are not looked up.
// Errors: the result says what is wrong; the plain check shows nothing and changes nothing.
// Thread rule: reads the program only; any thread while the program is not being edited.
#pragma once
#include <cstdint>
#include <vector>

#include "core/program/ProgramModel.h"

namespace vendra {

class Operator;

struct AddressCheckResult {
    int Ok = 1;             // 1 when every address is valid and end_program is present
    bool EndFound = false;  // an end_program line exists
    // The line to show the operator: the last faulty line, or the last line when end_program is
    // missing; -1 when the check passed.
    int32_t FaultyLine = -1;
    std::vector<uint32_t> FaultyLines;  // every line (0-based) with an address past LineCount
};

AddressCheckResult AddressCheck(const UserProgram& program);

// The editor's form: as above, and when end_program is missing, beeps (stop) and shows
// "No end_program FOUND!!! Please insert before saving." / "VDWin - User Program Error" (0x1010).
// Sets faultyLine as the result's FaultyLine when the check fails. Returns 1 ok / 0 faulty.
int AddressCheck(const UserProgram& program, Operator& op, int32_t& faultyLine);

}  // namespace vendra
