#include "serial/ReplyStatus.h"

namespace vendra {

const ReplyStatusEntry ReplyStatusTable[15] = {
    {'>', "OK", true},
    {'a', "Aborting last command", true},
    {'b', "Motor Busy", true},
    {'f', "Motor finished movement command", true},
    {'s', "Motor Homed, but not moved", true},
    {'u', "Updating Motor Move Parameters", true},
    {'w', "Waiting for last command to complete", true},
    {'!', "Parameter Error", false},
    {'#', "Syntax Error", false},
    {'e', "Encoder ERROR", false},
    {'h', "Motor NOT Homed", false},
    {'l', "RTOS Software limit reached", false},
    {'n', "IEEPROM not erased", false},
    {'E', "Watchdog Error", false},
    {'t', "TMC246 Error", false},
};

bool DecodeReplyStatus(char status, std::string& text) {
    for (const ReplyStatusEntry& e : ReplyStatusTable) {
        if (e.status == status) {
            text = e.text;
            return e.success;
        }
    }
    text = "?? '";
    text += status;
    text += '\'';
    return true;
}

}  // namespace vendra
