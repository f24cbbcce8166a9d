#include "core/program/AddressCheck.h"

#include "core/base/Operator.h"
#include "core/program/CommandTable.h"

namespace vendra {

namespace {

// The Values indexes that hold jump addresses, by command; count 0 for lines without any.
struct Addresses {
    int first = 0;
    int count = 0;
};

Addresses AddressValues(const ProgramLine& line) {
    switch (line.Command) {
        case CmdDBoardCheckDone:
        case CmdUBoardCheckDone:
        case CmdHBoardCheckDone:
            return {1, 2};
        case CmdAxisBoardCheckDone:
            return {2, 2};
        case CmdLoop:
            return {0, 1};
        case CmdCloop:
            return {1, 1};
        case CmdCompareTemp:
            return {2, 3};
        case CmdUserInput: {
            uint32_t type = line.Values[0];
            if (type == 1 || type == 2 || type == 4) return {1, 2};
            if (type == 3 || type == 5) return {1, 3};
            return {};
        }
        default:
            return {};
    }
}

}  // namespace

AddressCheckResult AddressCheck(const UserProgram& program) {
    AddressCheckResult result;
    uint32_t count = program.LineCount < kMaxProgramLines ? program.LineCount : kMaxProgramLines;
    for (uint32_t i = 0; i < count; ++i) {
        const ProgramLine& line = program.Lines[i];
        if (line.Command == CmdEndProgram) result.EndFound = true;
        Addresses a = AddressValues(line);
        for (int k = 0; k < a.count; ++k) {
            if (line.Values[a.first + k] > program.LineCount) {
                result.Ok = 0;
                result.FaultyLine = static_cast<int32_t>(i);
                result.FaultyLines.push_back(i);
                break;
            }
        }
    }
    if (!result.EndFound) {
        result.Ok = 0;
        result.FaultyLine = static_cast<int32_t>(program.LineCount) - 1;
    }
    return result;
}

int AddressCheck(const UserProgram& program, Operator& op, int32_t& faultyLine) {
    AddressCheckResult result = AddressCheck(program);
    if (!result.EndFound) {
        op.Beep(beep::Stop);
        op.ShowMessageBox("No end_program FOUND!!! Please insert before saving.",
                          "VDWin - User Program Error", mb::StopModal);
    }
    if (!result.Ok) faultyLine = result.FaultyLine;
    return result.Ok;
}

}  // namespace vendra
