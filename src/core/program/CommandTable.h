// The command set of user programs: keywords and their codes, and the motor letters of program
// lines. Errors: lookups report "not found" through their result; nothing throws.
// Thread rule: the tables are constant; every function is safe from any thread.
#pragma once
#include <cstdint>

#include "core/serial/BoardProtocol.h"

namespace vendra {

constexpr int kCommandCount = 45;
constexpr int kKeywordSlotSize = 30;  // each keyword lives in a NUL-padded slot of this size

// Index of a keyword in CommandTable, stored in every program line.
enum CommandCode : uint8_t {
    CmdNoOp = 0,
    CmdVsend = 1,
    CmdVsendna = 2,
    CmdDBoard = 3,
    CmdSetDBoardPosition = 4,
    CmdDBoardCheckDone = 5,
    CmdWaitDBoardDone = 6,
    CmdWaitDBoardResponse = 7,
    CmdUBoard = 8,
    CmdSetUBoardPosition = 9,
    CmdUBoardCheckDone = 10,
    CmdWaitUBoardDone = 11,
    CmdWaitUBoardResponse = 12,
    CmdHBoard = 13,
    CmdSetHBoardPosition = 14,
    CmdHBoardCheckDone = 15,
    CmdWaitHBoardDone = 16,
    CmdWaitHBoardResponse = 17,
    CmdAxisBoard = 18,
    CmdSetAxisBoardPosition = 19,
    CmdAxisBoardCheckDone = 20,
    CmdWaitAxisBoardDone = 21,
    CmdWaitAxisBoardResponse = 22,
    CmdQBoard = 23,
    CmdLinkMe = 24,
    CmdDelay = 25,
    CmdSdelay = 26,
    CmdLoop = 27,
    CmdCloop = 28,
    CmdSetTemp = 29,
    CmdIncTemp = 30,
    CmdDecTemp = 31,
    CmdCompareTemp = 32,
    CmdMoveRespTemp = 33,
    CmdMoveTempTemp = 34,
    CmdUserInput = 35,
    CmdUserWait = 36,
    CmdUserValue = 37,
    CmdEnableCommDebug = 38,
    CmdDisableCommDebug = 39,
    CmdEnableQeDataLogger = 40,
    CmdPauseQeDataLogger = 41,
    CmdDisableQeDataLogger = 42,
    CmdLabel = 43,
    CmdEndProgram = 44,
};

// The four motor-board families each own five consecutive codes in this order.
constexpr uint8_t kDBoardFirstCode = CmdDBoard, kUBoardFirstCode = CmdUBoard,
                  kHBoardFirstCode = CmdHBoard, kAxisBoardFirstCode = CmdAxisBoard;

extern const char CommandTable[kCommandCount][kKeywordSlotSize];

// Exact, case-sensitive match against slots 0..44; the first equal slot gives the code.
// Returns 1 and sets code when found, 0 otherwise (code untouched). keyword may be null (0).
int FindCommand(const char* keyword, uint8_t& code);

// The keyword of a code, or "" for a code outside the table.
const char* CommandKeyword(uint8_t code);

// Motor selector codes of program lines: the board-family codes of the transaction, so that a
// line's code goes to the board unchanged.
constexpr uint32_t MotorS = family::DBoard, MotorU = family::UBoard, MotorH = family::HBoard,
                   MotorW = family::AxisW, MotorX = family::AxisX, MotorY = family::AxisY,
                   MotorZ = family::AxisZ, MotorQ = family::QBoard, MotorA = family::AxisUnit;
// Letter to code: the nine upper-case letters S U H W X Y Z Q A; any other character gives 0
// (MotorS), as the parameter dialogs store a letter they do not know.
uint32_t MotorCode(char letter);
// Code to letter: the nine codes above; any other code gives 'S', the letter that reads back as
// what the reader makes of an unknown letter, so saved files hold only letters every reader knows.
char MotorLetter(uint32_t code);

}  // namespace vendra
