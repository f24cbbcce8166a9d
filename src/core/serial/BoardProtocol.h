// The host's side of the board command set, defined once: the table of board families (letters,
// reply letters, names, error titles, frame buffers, unit groups), the frames the host builds for
// discovery, abort, star and baud-rate change, the reply status characters, and the supported
// baud rates with their rate codes. Every caller builds these exchanges from
// here; the simulator implements the boards' side on its own.
//
// Error rule: pure functions; an argument outside its range gives the documented "none" value
// ('\0', -1, 0 or an empty text), never an exception.
// Thread rule: no state; safe from any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/UnitGroup.h"

namespace vendra {

// BoardFamily codes: which unit kind a frame goes to and how its reply is handled.
namespace family {
constexpr uint8_t DBoard = 0, UBoard = 1, HBoard = 2, AxisW = 3, AxisX = 4, AxisY = 5, AxisZ = 6,
                  QBoard = 7, AxisUnit = 100, RawNoRead = 90, RawRead = 99;
// Raw text whose reply is awaited and left unread (vsendna); any code RawNoRead..RawRead-1 is.
constexpr uint8_t RawUnread = 98;
// A QBoard channel's link code while no motor is linked to it.
constexpr uint8_t NotLinked = 255;
}  // namespace family

}  // namespace vendra

namespace vendra::protocol {

// Global frames (to every unit, no reply awaited).
inline constexpr const char* kStarFrame = "GG*\r";
inline constexpr const char* kAbortFrame = "GG!\r";

// The on-board program size query (the transaction adds prefix and unit digit).
inline constexpr const char* kProgramSizeText = "vF\r";

// Reply buffers of the transaction and the scan hold this many bytes, terminator included.
constexpr size_t kReplyBufferSize = 20;

// ---- families ----

// One board family as the host addresses it. Every place that needs a family's letters, name,
// error title, frame buffer or unit group looks it up here.
struct BoardFamilyInfo {
    uint8_t code;            // BoardFamily code 0..7
    char letter;             // first character of its frames: D U H W X Y Z Q
    char replyLetter;        // first character of its replies: D U H w x y z Q (D U H: or any
                             // other letter but another family's, see ReplyMatches)
    char lowerLetter;        // its lower-case letter (on-board listings end "<lower><unit>c")
    const char* name;        // "DBoard", ..., "AxisBoard" for the four axes, "QBoard"
    const char* errorTitle;  // title of its board-error message box
    size_t frameBufferSize;  // its frame buffer, terminator included
    UnitGroup group;         // the main window's unit group
    int axis;                // 0..3 (W X Y Z) for an AxisBoard axis, -1 otherwise
};

inline constexpr BoardFamilyInfo kBoardFamilies[] = {
    {family::DBoard, 'D', 'D', 'd', "DBoard", "Vendra DBoard Error", 150, UnitGroup::DBoard, -1},
    {family::UBoard, 'U', 'U', 'u', "UBoard", "Vendra UBoard Error", 150, UnitGroup::UBoard, -1},
    {family::HBoard, 'H', 'H', 'h', "HBoard", "Vendra HBoard Error", 150, UnitGroup::HBoard, -1},
    {family::AxisW, 'W', 'w', 'w', "AxisBoard", "Vendra AxisBoard Error", 150, UnitGroup::AxisBoard,
     0},
    {family::AxisX, 'X', 'x', 'x', "AxisBoard", "Vendra AxisBoard Error", 150, UnitGroup::AxisBoard,
     1},
    {family::AxisY, 'Y', 'y', 'y', "AxisBoard", "Vendra AxisBoard Error", 150, UnitGroup::AxisBoard,
     2},
    {family::AxisZ, 'Z', 'z', 'z', "AxisBoard", "Vendra AxisBoard Error", 150, UnitGroup::AxisBoard,
     3},
    {family::QBoard, 'Q', 'Q', 'q', "QBoard", "Vendra QBoard Error", 50, UnitGroup::QBoard, -1},
};
constexpr size_t kBoardFamilyCount = sizeof kBoardFamilies / sizeof kBoardFamilies[0];

// The QBoard's reply letter of an encoder reading ("q0>12,34").
constexpr char kEncoderReplyLetter = 'q';
// Frame buffer of the families without an entry (the AxisBoard unit as a whole, raw text).
constexpr size_t kFrameBufferSize = 150;

// The entry of a BoardFamily code 0..7; nullptr for any other code.
constexpr const BoardFamilyInfo* FindFamily(uint8_t code) {
    return code < kBoardFamilyCount ? &kBoardFamilies[code] : nullptr;
}
// The entry of AxisBoard axis `axis` (0..3: W X Y Z); nullptr for any other.
constexpr const BoardFamilyInfo* FindAxis(int axis) {
    for (const BoardFamilyInfo& f : kBoardFamilies)
        if (f.axis >= 0 && f.axis == axis) return &f;
    return nullptr;
}
// The entry of the axis whose reply letter is `letter` ('w'..'z'); nullptr for any other letter.
constexpr const BoardFamilyInfo* FindAxisByReplyLetter(char letter) {
    for (const BoardFamilyInfo& f : kBoardFamilies)
        if (f.axis >= 0 && f.replyLetter == letter) return &f;
    return nullptr;
}
// The family a unit group's units are found and filed under: D, U, H, X (an AxisBoard unit is
// queried through its X axis), Q.
constexpr const BoardFamilyInfo& GroupFamily(UnitGroup group) {
    switch (group) {
        case UnitGroup::UBoard:
            return kBoardFamilies[family::UBoard];
        case UnitGroup::HBoard:
            return kBoardFamilies[family::HBoard];
        case UnitGroup::AxisBoard:
            return kBoardFamilies[family::AxisX];
        case UnitGroup::QBoard:
            return kBoardFamilies[family::QBoard];
        default:
            return kBoardFamilies[family::DBoard];
    }
}
// "DBoard", "UBoard", "HBoard", "AxisBoard", "QBoard".
constexpr const char* GroupName(UnitGroup group) {
    return GroupFamily(group).name;
}
// Name of any motor's family: the entry's name; the AxisBoard unit as a whole "AxisBoard".
constexpr const char* FamilyName(uint8_t code) {
    const BoardFamilyInfo* f = FindFamily(code);
    return f ? f->name : "AxisBoard";
}
// Title of the board-error box for any BoardFamily code: the family's own; raw text with a reply
// "Vendra Board Error"; the AxisBoard unit as a whole (and anything else) the AxisBoard's.
constexpr const char* ErrorTitle(uint8_t code) {
    if (const BoardFamilyInfo* f = FindFamily(code)) return f->errorTitle;
    return code == family::RawRead ? "Vendra Board Error" : "Vendra AxisBoard Error";
}

// Unit digit as one upper-case hexadecimal character; '\0' above 15.
char UnitDigit(unsigned address);

// ---- frames ----

// Identity query of one unit: "<letter><digit>v<item>\r", e.g. "D3v0\r", "X1v3\r".
// Empty when the address is above 15.
std::string IdentityFrame(UnitGroup group, unsigned address, unsigned item);
// Information item text "v%1X\r" (item 29 is "v1D\r"), with the axis letter first when axisLetter
// is not '\0' ("Xv1D\r"). The transaction adds the prefix and unit digit.
std::string InformationItemText(unsigned item, char axisLetter = '\0');
// Baud-rate change frame "GGc%u\r" for a rate code 0..6; empty for any other code.
std::string ChangeBaudFrame(int rateCode);

// ---- baud rates ----

constexpr size_t kSupportedBaudCount = 7;
// The supported rates in rising order (also the baud scan's rate chain).
extern const uint32_t kSupportedBauds[kSupportedBaudCount];
bool IsSupportedBaud(uint32_t baud);
// Rate code on the wire: 9600 -> 0 .. 460800 -> 6; -1 for anything else (0 included).
int RateCode(uint32_t baud);
// Rate of a code 0..6; 0 for any other code.
uint32_t RateForCode(int code);
// Item of the baud-rate dialog: 460800 -> 0 .. 9600 -> 6, 0 ("No Comm") -> 7; -1 when unlisted.
int BaudDialogIndex(uint32_t baud);
// Rate of a dialog item 0..7 (7 gives 0); 0 for any other index.
uint32_t BaudForDialogIndex(int index);
// Next rate of the scan's chain; 0 when there is none (460800 or an unlisted rate).
uint32_t NextScanRate(uint32_t baud);

// ---- replies ----

struct ReplyStatusEntry {
    char status;
    const char* text;
    bool success;
};
constexpr size_t kReplyStatusCount = 15;
// The status characters the boards report, with their texts and whether each means success.
extern const ReplyStatusEntry ReplyStatusTable[kReplyStatusCount];

struct ReplyStatus {
    std::string text;
    bool success;
};
// Text and result of a status character; an unknown character gives "?? '<c>'" and success.
ReplyStatus LookupReplyStatus(char status);
// True for the statuses a board reports while its motor still moves: 'w', 'b', 'a'.
bool IsBusyStatus(char status);

// One reply line as read (without CR): letter, unit digit, status, value text from the fourth
// character. Fields of a short line are '\0' / empty.
struct ReplyLine {
    char letter = '\0';
    char unitDigit = '\0';
    char status = '\0';
    std::string value;
};
ReplyLine ParseReply(const char* reply);
// The discovery test: the reply's second character equals the frame's second character.
bool ReplyFromAddressOf(const char* frame, const char* reply);

// ---- pairing replies with their frames ----
// A reply that arrives late, or comes from another unit, must never pass for the answer to the
// frame just sent; these tests decide whether a reply line can be that answer.

// The BoardFamily code whose frames begin with `letter` (D U H W X Y Z Q); -1 for any other.
int FamilyOfLetter(char letter);
// Value of an upper-case hexadecimal unit digit; -1 for any other character.
int UnitOfDigit(char digit);
// True when `reply` can answer a frame to unit `unit` of family `code` (0..7, 100): its second
// character is the unit digit and its first a reply letter of the family. An AxisBoard axis or
// unit accepts every axis letter ('w' 'x' 'y' 'z': one frame may name several axes); a QBoard
// accepts 'Q' and its reading letter 'q'; a DBoard, UBoard or HBoard accepts any letter but the
// letters of the other families (D U H W X Y Z Q in either case), since their boards answer in
// upper or lower case. False for any other code.
bool ReplyMatches(uint8_t code, unsigned unit, const char* reply);
// Raw text has no family to check. When it begins with a family letter and a unit digit
// ("D3A100") it names its unit, and the reply must carry that unit digit; the reply letter is
// not checked, since a raw command may be one the family answers in another letter. Text that
// names no unit accepts any reply.
bool RawReplyMatches(const char* text, const char* reply);
// The unit a reply line comes from, by its reply letter and unit digit (an axis letter names the
// AxisBoard unit; 'd', 'u', 'h' name their families as 'D', 'U', 'H' do); false when the line
// names none.
bool ReplySender(const char* reply, UnitGroup& group, unsigned& unit);
// The unit a frame of family `code` to `unit` expects its answer from; for raw text (90..99) the
// unit its text names, if any. False when the answer has no unit to come from.
bool AnswerSender(uint8_t code, unsigned unit, const char* frame, UnitGroup& group,
                  unsigned& answerUnit);
// The scan's test for an identity frame "<letter><digit>v...": ReplyMatches with the frame's
// family and unit; a frame that names neither falls back to ReplyFromAddressOf.
bool ReplyAnswersFrame(const char* frame, const char* reply);

}  // namespace vendra::protocol
