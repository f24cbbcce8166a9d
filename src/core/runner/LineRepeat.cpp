#include "core/runner/LineRepeat.h"

#include <cstring>
#include <string_view>

#include "core/program/CommandTable.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {
namespace {

std::string_view WithoutCr(std::string_view text) {
    while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

// A unit's command text that asks: empty (the status query) or a "v" information item.
bool Asks(std::string_view command) {
    return command.empty() || command[0] == 'v';
}

bool IsAxisLetter(char c) {
    return c == 'W' || c == 'X' || c == 'Y' || c == 'Z';
}

// An AxisBoard text: every comma-separated part an axis letter and a query ("X", "Xv0,Yv0").
bool AxisTextAsks(std::string_view text) {
    if (text.empty()) return true;
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        if (part.empty() || !IsAxisLetter(part[0]) || !Asks(part.substr(1))) return false;
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

// Raw text names its unit itself ("D3v0", "X1v0"): a family or axis letter, the unit digit, then
// a query.
bool RawTextAsks(std::string_view text) {
    if (text.size() < 2 || std::strchr("DUHQWXYZ", text[0]) == nullptr) return false;
    return protocol::UnitOfDigit(text[1]) >= 0 && Asks(text.substr(2));
}

}  // namespace

bool LineOnlyAsks(const ProgramLine& line) {
    const std::string_view text = WithoutCr({line.Text, strnlen(line.Text, sizeof line.Text)});
    const uint8_t command = line.Command;
    switch (command) {
        case CmdVsend:
        case CmdVsendna:
            return RawTextAsks(text);
        case CmdDBoard:
        case CmdUBoard:
        case CmdHBoard:
        case CmdQBoard:
            // A text with 'G' in its first two characters goes to every unit.
            return text.find('G') > 1 && Asks(text);
        case CmdAxisBoard:
            return AxisTextAsks(text);
        default:
            break;
    }
    // The set-position commands move; the checks and waits of every family only ask.
    for (uint8_t first :
         {kDBoardFirstCode, kUBoardFirstCode, kHBoardFirstCode, kAxisBoardFirstCode})
        if (command == first + 1) return false;
    return true;
}

}  // namespace vendra
