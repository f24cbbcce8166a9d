#include "core/program/CommandTable.h"

#include <cstring>

namespace vendra {

const char CommandTable[kCommandCount][kKeywordSlotSize] = {
    "no_op",
    "vsend",
    "vsendna",
    "DBoard",
    "set_DBoard_position",
    "DBoard_check_done",
    "wait_DBoard_done",
    "wait_DBoard_response",
    "UBoard",
    "set_UBoard_position",
    "UBoard_check_done",
    "wait_UBoard_done",
    "wait_UBoard_response",
    "HBoard",
    "set_HBoard_position",
    "HBoard_check_done",
    "wait_HBoard_done",
    "wait_HBoard_response",
    "AxisBoard",
    "set_AxisBoard_position",
    "AxisBoard_check_done",
    "wait_AxisBoard_done",
    "wait_AxisBoard_response",
    "qboard",
    "link_me",
    "delay",
    "sdelay",
    "loop",
    "cloop",
    "set_temp",
    "inc_temp",
    "dec_temp",
    "compare_temp",
    "move_resp_temp",
    "move_temp_temp",
    "user_input",
    "user_wait",
    "user_value",
    "enable_comm_debug",
    "disable_comm_debug",
    "enable_qe_data_logger",
    "pause_qe_data_logger",
    "disable_qe_data_logger",
    "label",
    "end_program",
};

int FindCommand(const char* keyword, uint8_t& code) {
    if (keyword == nullptr) return 0;
    for (int i = 0; i < kCommandCount; ++i) {
        if (std::strcmp(keyword, CommandTable[i]) == 0) {
            code = static_cast<uint8_t>(i);
            return 1;
        }
    }
    return 0;
}

const char* CommandKeyword(uint8_t code) {
    return code < kCommandCount ? CommandTable[code] : "";
}

uint32_t MotorCode(char letter) {
    switch (letter) {
        case 'S':
            return MotorS;
        case 'U':
            return MotorU;
        case 'H':
            return MotorH;
        case 'W':
            return MotorW;
        case 'X':
            return MotorX;
        case 'Y':
            return MotorY;
        case 'Z':
            return MotorZ;
        case 'Q':
            return MotorQ;
        case 'A':
            return MotorA;
        default:
            return MotorS;
    }
}

char MotorLetter(uint32_t code) {
    switch (code) {
        case MotorS:
            return 'S';
        case MotorU:
            return 'U';
        case MotorH:
            return 'H';
        case MotorW:
            return 'W';
        case MotorX:
            return 'X';
        case MotorY:
            return 'Y';
        case MotorZ:
            return 'Z';
        case MotorQ:
            return 'Q';
        case MotorA:
            return 'A';
        default:
            return 'S';
    }
}

}  // namespace vendra
