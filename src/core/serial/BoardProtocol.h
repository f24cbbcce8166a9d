// The host's side of the board command set, defined once: family and reply letters, the frames
// the host builds for discovery, abort, star and baud-rate change, the reply status characters,
// and the supported baud rates with their rate codes. Every caller builds these exchanges from
// here; the simulator implements the boards' side on its own.
//
// Error rule: pure functions; an argument outside its range gives the documented "none" value
// ('\0', -1, 0 or an empty text), never an exception.
// Thread rule: no state; safe from any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/Operator.h"

namespace vendra::protocol {

constexpr char kCR = '\r';

// Global frames (to every unit, no reply awaited).
inline constexpr const char* kStarFrame = "GG*\r";
inline constexpr const char* kAbortFrame = "GG!\r";

// Command texts sent through the board transaction (it adds prefix, unit digit and CR).
inline constexpr const char* kStatusQueryText = "";      // a bare status query
inline constexpr const char* kEncoderBothText = "P";     // both QBoard channels
inline constexpr const char* kReadBackText = "m";        // the number last set with A
inline constexpr const char* kProgramSizeText = "vF\r";  // on-board program size

// Reply buffers of the transaction and the scan hold this many bytes, terminator included.
constexpr size_t kReplyBufferSize = 20;
// Frame buffers: addressed families and raw frames, and the QBoard's smaller one.
constexpr size_t kFrameBufferSize = 150;
constexpr size_t kQBoardFrameBufferSize = 50;

// ---- families ----

// Upper-case frame letter of a BoardFamily code 0..7 (D U H W X Y Z Q); '\0' for any other code.
char FamilyLetter(uint8_t familyCode);
// Lower-case letter of a BoardFamily code 0..7 (d u h w x y z q); '\0' for any other code.
char FamilyLowerLetter(uint8_t familyCode);
// Reply letter of an AxisBoard axis (0 W .. 3 Z): 'w', 'x', 'y', 'z'; '\0' outside 0..3.
char AxisReplyLetter(int axis);
// Axis 0..3 named by a reply letter 'w'..'z'; -1 for any other letter.
int AxisFromReplyLetter(char letter);
// Reply letter that marks a QBoard encoder reading.
constexpr char kEncoderReplyLetter = 'q';

// The five unit groups of discovery, in scan order DBoard, UBoard, HBoard, AxisBoard, QBoard.
// Frame letter: D U H X Q (an AxisBoard unit is queried through its X axis).
char GroupLetter(UnitGroup group);
// BoardFamily code a found unit is filed under: 0, 1, 2, 4 (X axis), 7.
uint8_t GroupFamilyCode(UnitGroup group);
// "DBoard", "UBoard", "HBoard", "AxisBoard", "QBoard".
const char* GroupName(UnitGroup group);
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

}  // namespace vendra::protocol
