// One exchange with one board unit, as a question and an answer: the frame is built from a
// command text and a unit selector, sent on the line session, its reply paired and decoded, and
// what was found comes back as a value. Nothing here changes what the host knows of the boards
// (positions, statuses, statistics, registers): that is the caller's (the runner's board-command
// step files all of it; a tool files what it needs).
//
// Families (BoardFamily codes): 0 DBoard "D%X%s", 1 UBoard "U%X%s", 2 HBoard "H%X%s", 3..6 the
// W, X, Y, Z axes of an AxisBoard unit and 100 the unit as a whole (text with the unit digit
// inserted after each axis letter), 7 QBoard "Q%X%s", 90..99 raw text plus CR (99 reads and
// decodes the reply, 90..98 only wait for it to begin), any other code raw text with no reply. A
// text with 'G' in its first two characters always goes the AxisBoard way (code 100). A unit that
// did not answer at initialisation is sent its frame but not waited for.
//
// Error rule: nothing is shown here; the answer says what happened (a board-reported error, a
// reply too short to carry a status, a refused frame, a time-out, a lost line) and
// ShowBoardError / ShowLineFailure are the one way any activity reports them.
// Thread rule: on the thread that holds the session.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/LineSession.h"

namespace vendra {

// A frame built for one unit.
struct BoardFrame {
    unsigned unit = 0;
    uint8_t family = 0;   // the code it goes as (a 'G' text goes as AxisUnit)
    std::string text;     // the frame, CR included (raw text without a reply: as given)
    std::string refusal;  // why it cannot be sent ("" when it can)
    bool Addressed() const;
    bool Raw() const;      // 90..99
    bool NoReply() const;  // any other code: raw text that awaits nothing
};

// Builds the frame of `text` (registers already expanded) for `unit` of `family`. A unit above 15,
// or a frame too long for its family's buffer (150 bytes, QBoard 50, end included), is refused.
BoardFrame BuildBoardFrame(unsigned unit, uint8_t family, std::string_view text);

struct BoardAnswer {
    enum class Result {
        Ok,          // the reply decoded as success
        NotAwaited,  // sent; no reply is awaited (an absent unit, raw text without reply)
        BoardError,  // the board reported an error, or the reply was too short or had a bad
                     // axis letter (errorText, errorTitle)
        TimedOut,
        Broken,   // the reply's CR never came
        Refused,  // not sent (the frame's refusal)
        NoLine,   // no port (No Comm): nothing was sent or read
        Lost,     // the device went away
        Failed,   // the frame could not be written
        Stopped,  // the session's stop token asked
    };
    Result result = Result::NoLine;
    unsigned unit = 0;
    uint8_t family = 0;
    bool poll = false;      // an answer read by PollBoard
    std::string frame;      // as sent
    std::string reply;      // the reply line read, without CR
    char status = '\0';     // its status character ('\0' when none was read)
    int axis = -1;          // for an AxisBoard reply: the axis slot (0..3) its status belongs to
    std::string value;      // the value text (from the reply's fourth character)
    std::string errorText;  // BoardError, Refused
    std::string errorTitle;
    Reply line;  // the line's view: times, written

    bool Succeeded() const { return result == Result::Ok || result == Result::NotAwaited; }
};

// Sends `frame` and, when a reply is awaited, pairs and decodes it within the session's reply
// time-out.
BoardAnswer ExchangeWithBoard(LineSession& session, const BoardFrame& frame, const UnitMap& units);
// Reads and decodes a reply an earlier frame already asked for (codes 0..6, 100), waiting up to
// kPollWaitMs; other codes only wait for a byte. The axis slot is the one of `family` (100: none).
BoardAnswer PollBoard(LineSession& session, unsigned unit, uint8_t family);
// How long a poll waits for its reply.
constexpr uint32_t kPollWaitMs = 300;

// The box of a board-reported error or an unreadable reply (stop icon, system-modal), for every
// activity that reports one.
void ShowBoardError(Operator& op, const BoardAnswer& answer);
// The box of a frame that could not be written while the port is open ("Can not write to the
// Communications Port"); a lost device has been reported by the port already.
void ShowLineFailure(Operator& op);

}  // namespace vendra
