#include "core/serial/BoardProtocol.h"

#include <cstdio>
#include <cstring>

namespace vendra::protocol {

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
// Every family's frame letter; a reply letter names a family in either case.
constexpr char kFamilyLetters[] = "DUHWXYZQ";
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

const uint32_t kSupportedBauds[kSupportedBaudCount] = {9600,   19200,  38400, 57600,
                                                       115200, 230400, 460800};

const ReplyStatusEntry ReplyStatusTable[kReplyStatusCount] = {
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

char UnitDigit(unsigned address) {
    return address < 16 ? kHexDigits[address] : '\0';
}

std::string IdentityFrame(UnitGroup group, unsigned address, unsigned item) {
    if (static_cast<int>(group) < 0 || static_cast<int>(group) >= kUnitGroups || address > 15)
        return {};
    char letter = GroupFamily(group).letter;
    char frame[32];
    std::snprintf(frame, sizeof frame, "%c%1Xv%X\r", letter, address, item);
    return frame;
}

std::string InformationItemText(unsigned item, char axisLetter) {
    char text[32];
    if (axisLetter != '\0')
        std::snprintf(text, sizeof text, "%cv%1X\r", axisLetter, item);
    else
        std::snprintf(text, sizeof text, "v%1X\r", item);
    return text;
}

std::string ChangeBaudFrame(int rateCode) {
    if (rateCode < 0 || rateCode > 6) return {};
    char frame[16];
    std::snprintf(frame, sizeof frame, "GGc%u\r", static_cast<unsigned>(rateCode));
    return frame;
}

bool IsSupportedBaud(uint32_t baud) {
    return RateCode(baud) >= 0;
}

int RateCode(uint32_t baud) {
    for (size_t i = 0; i < kSupportedBaudCount; ++i)
        if (kSupportedBauds[i] == baud) return static_cast<int>(i);
    return -1;
}

uint32_t RateForCode(int code) {
    return code >= 0 && code < static_cast<int>(kSupportedBaudCount) ? kSupportedBauds[code] : 0;
}

int BaudDialogIndex(uint32_t baud) {
    if (baud == 0) return 7;
    int code = RateCode(baud);
    return code < 0 ? -1 : 6 - code;
}

uint32_t BaudForDialogIndex(int index) {
    if (index == 7) return 0;
    return index >= 0 && index < 7 ? RateForCode(6 - index) : 0;
}

uint32_t NextScanRate(uint32_t baud) {
    int code = RateCode(baud);
    return code < 0 ? 0 : RateForCode(code + 1);
}

ReplyStatus LookupReplyStatus(char status) {
    for (const auto& e : ReplyStatusTable)
        if (e.status == status) return {e.text, e.success};
    char text[16];
    std::snprintf(text, sizeof text, "?? '%c'", status);
    return {text, true};
}

bool IsBusyStatus(char status) {
    return status == 'w' || status == 'b' || status == 'a';
}

ReplyLine ParseReply(const char* reply) {
    ReplyLine line;
    if (reply == nullptr) return line;
    size_t n = std::strlen(reply);
    if (n > 0) line.letter = reply[0];
    if (n > 1) line.unitDigit = reply[1];
    if (n > 2) line.status = reply[2];
    if (n > 3) line.value.assign(reply + 3);
    return line;
}

bool ReplyFromAddressOf(const char* frame, const char* reply) {
    if (frame == nullptr || reply == nullptr) return false;
    if (std::strlen(frame) < 2 || std::strlen(reply) < 2) return false;
    return reply[1] == frame[1];
}

int FamilyOfLetter(char letter) {
    for (const BoardFamilyInfo& f : kBoardFamilies)
        if (f.letter == letter) return f.code;
    return -1;
}

int UnitOfDigit(char digit) {
    const char* p = digit == '\0' ? nullptr : std::strchr(kHexDigits, digit);
    return p ? static_cast<int>(p - kHexDigits) : -1;
}

bool ReplyMatches(uint8_t code, unsigned unit, const char* reply) {
    if (reply == nullptr || reply[0] == '\0' || unit > 15 || reply[1] != UnitDigit(unit))
        return false;
    const char letter = reply[0];
    if (code == family::AxisUnit) return FindAxisByReplyLetter(letter) != nullptr;
    const BoardFamilyInfo* f = FindFamily(code);
    if (f == nullptr) return false;
    if (f->axis >= 0) return FindAxisByReplyLetter(letter) != nullptr;
    if (code == family::QBoard) return letter == f->replyLetter || letter == kEncoderReplyLetter;
    // The D, U and H boards' reply letter is not fixed ("D3>" or "d3>"): any letter answers but
    // one that names another family, which can only be another unit's answer.
    const char named = Upper(letter);
    return named == f->letter || std::strchr(kFamilyLetters, named) == nullptr;
}

bool RawReplyMatches(const char* text, const char* reply) {
    if (text == nullptr || reply == nullptr) return false;
    if (text[0] == '\0' || FamilyOfLetter(text[0]) < 0 || UnitOfDigit(text[1]) < 0) return true;
    return reply[0] != '\0' && reply[1] == text[1];
}

bool ReplySender(const char* reply, UnitGroup& group, unsigned& unit) {
    if (reply == nullptr || reply[0] == '\0') return false;
    int digit = UnitOfDigit(reply[1]);
    if (digit < 0) return false;
    const BoardFamilyInfo* f = FindAxisByReplyLetter(reply[0]);
    if (f == nullptr && reply[0] == kEncoderReplyLetter) f = FindFamily(family::QBoard);
    for (size_t i = 0; f == nullptr && i < kBoardFamilyCount; ++i)
        if (kBoardFamilies[i].axis < 0 && kBoardFamilies[i].letter == Upper(reply[0]))
            f = &kBoardFamilies[i];
    if (f == nullptr) return false;
    group = f->group;
    unit = static_cast<unsigned>(digit);
    return true;
}

bool AnswerSender(uint8_t code, unsigned unit, const char* frame, UnitGroup& group,
                  unsigned& answerUnit) {
    if (code >= family::RawNoRead && code <= family::RawRead) {
        if (frame == nullptr || frame[0] == '\0') return false;
        int named = FamilyOfLetter(frame[0]);
        int digit = named < 0 ? -1 : UnitOfDigit(frame[1]);
        if (digit < 0) return false;
        group = FindFamily(static_cast<uint8_t>(named))->group;
        answerUnit = static_cast<unsigned>(digit);
        return true;
    }
    if (unit > 15) return false;
    if (code == family::AxisUnit) {
        group = UnitGroup::AxisBoard;
    } else if (const BoardFamilyInfo* f = FindFamily(code)) {
        group = f->group;
    } else {
        return false;
    }
    answerUnit = unit;
    return true;
}

bool ReplyAnswersFrame(const char* frame, const char* reply) {
    if (frame == nullptr || reply == nullptr) return false;
    int code = frame[0] == '\0' ? -1 : FamilyOfLetter(frame[0]);
    int unit = code < 0 ? -1 : UnitOfDigit(frame[1]);
    if (unit < 0) return ReplyFromAddressOf(frame, reply);
    return ReplyMatches(static_cast<uint8_t>(code), static_cast<unsigned>(unit), reply);
}

}  // namespace vendra::protocol
