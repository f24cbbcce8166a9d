// The one serial line and the sessions on it. Taking the line (SerialLine::Take) gives a
// move-only LineSession; only a session does I/O on the port, so two activities can never
// interleave their frames, and every read of the line goes through one look-ahead buffer and one
// reply-pairing loop. What every exchange needs happens there, once: bytes left from earlier
// exchanges are discarded before a frame (and shown in the communications log as such), the
// frame and its reply are logged, a reply that cannot be the frame's answer (another unit's, or
// a late one) is passed over, a unit whose answer missed its time-out is given a grace for it
// before its next frame, and a device that goes away is noticed and reported (once, by the port).
//
// Error rule: no call throws. Sends and reads on a port that is not open fail at once (a port
// that was never lost, No Comm, is no failure of the line: see Reply::Got::NoLine). Every wait is
// bounded and ends early when the session's stop token asks (Reply::Got::Stopped).
// Thread rule: a session belongs to the thread that holds it; the SerialLine's read-only state
// (IsOpen, Lost, DevicePath, Owner) may be read from any thread.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/Operator.h"
#include "core/base/UnitGroup.h"
#include "core/base/Worker.h"
#include "core/serial/LineOwner.h"
#include "core/serial/PortNames.h"
#include "core/serial/SerialDevice.h"
#include "core/serial/SerialState.h"

namespace vendra {

class CommDebugLog;
class SerialPort;
class LineSession;

// Which lines can be the answer to a frame.
struct ReplyRule {
    enum class Kind {
        Board,     // a family's reply letter and the unit's digit (BoardProtocol's ReplyMatches)
        Raw,       // raw text: the unit digit its text names, if it names one (RawReplyMatches)
        Identity,  // the scan's identity frame: ReplyAnswersFrame
    };
    Kind kind = Kind::Board;
    uint8_t family = 0;          // Board: the BoardFamily code the frame went as
    unsigned unit = 0;           // Board: the unit address
    const char* text = nullptr;  // Raw and Identity: the frame's text (outlives the exchange)
    // The unit that owes this answer if it misses its time-out (the grace before its next frame);
    // false for the scan, which keeps no such account.
    bool owed = false;
    UnitGroup owedGroup = UnitGroup::DBoard;
    unsigned owedUnit = 0;

    bool Answers(const char* line) const;
};

// How a frame goes out.
enum class Sending {
    Logged,     // a board command: shown in the communications log, time-stamped when ticked
    Data,       // program data for a board's memory: logged, never time-stamped
    Quiet,      // a frame of the line's own (scan, abort, baud change): no log, time-stamped
    QuietData,  // the scan's opening star frame: no log, never time-stamped
};

// One reply paired with its frame.
struct Reply {
    enum class Got {
        Answered,  // `line` holds the answer
        TimedOut,  // no answer of the unit in time
        Broken,    // an answer began but its CR never came (`line` holds what came)
        NoLine,    // no port (No Comm, or none opened): nothing was sent or read
        Lost,      // the device went away (reported by the port)
        Stopped,   // the session's stop token asked
        Failed,    // the frame could not be written (the device is still there)
    };
    Got got = Got::NoLine;
    std::string line;         // the reply without its CR, at most kReplyLineChars characters
    bool written = false;     // the frame reached the device whole
    uint32_t sentMs = 0;      // when the frame was written (TickMs)
    uint32_t answeredMs = 0;  // when the answer began to come (0: it never did)
};

// Characters of a reply line that are kept (the boards' reply buffers hold 20 with the end).
constexpr size_t kReplyLineChars = 19;

// A piece of what a board sends, up to one of a set of end characters.
struct LinePiece {
    enum class End {
        Ended,     // one of the end characters came (`end` says which)
        TimedOut,  // no byte came in time
        Unended,   // bytes came, but no end within the piece's time
        TooLong,   // more characters than the piece may hold
        Lost,
        Stopped,
        NoLine,
    };
    End how = End::NoLine;
    char end = '\0';
    std::string text;  // without the end character; a LF is never part of it
};

class SerialLine {
  public:
    // `logLine` is the number the communications log shows with every sent frame (the running
    // program's pointer; the line shown is one more). `replyTimeoutMs` is the configured reply
    // time-out, which sessions may change for a scope.
    SerialLine(SerialState& serial, Operator& op, CommDebugLog& log,
               const std::atomic<int32_t>& logLine, std::atomic<int32_t>& replyTimeoutMs,
               std::unique_ptr<SerialDevice> device = MakePlatformSerialDevice());
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // The line for `user`, or an empty session when it has an owner already. The session's waits
    // end early when `stop` asks.
    [[nodiscard]] LineSession Take(LineUser user, StopToken stop = {});

    // ---- read-only, any thread ----
    bool IsOpen() const;
    bool Lost() const;
    // The device last opened (or tried).
    std::string DevicePath() const;
    LineUser Owner() const { return serial_.Line.Owner(); }
    bool Busy() const { return serial_.Line.Busy(); }
    SerialState& State() const { return serial_; }

    // The process ends: the port is closed whoever holds the line (nothing uses it afterwards).
    void CloseAtExit();

    // ---- set-up, before any session ----
    // Folder in which "COM<n>" links are looked for (default: the working directory).
    void SetDeviceFolder(std::string folder);
    const std::string& DeviceFolder() const;
    // Where port numbers without a COM<n> link or a binding lead ("/dev/ttyS": port n is
    // /dev/ttyS<n-1>).
    void SetSystemDevicePrefix(std::string prefix);
    // Called once when the device goes away, on the thread that used it; true when the caller
    // waits for the device to come back and says so itself (no box is shown).
    void SetLossHandler(std::function<bool()> handler);

  private:
    friend class LineSession;
    SerialState& serial_;
    Operator& op_;
    CommDebugLog& log_;
    const std::atomic<int32_t>& logLine_;
    std::atomic<int32_t>& replyTimeoutMs_;
    std::unique_ptr<SerialPort> port_;
    // Per unit: when the wait for an answer it still owes timed out (0: none owed).
    uint64_t owedSinceUs_[kUnitGroups][16] = {};
};

class LineSession {
  public:
    // A unit whose answer missed its time-out is waited for this long after that time-out before
    // its next frame, so the late answer cannot pass for the next one's.
    static constexpr uint32_t kLateReplyMs = 500;

    LineSession() = default;
    LineSession(LineSession&& other) noexcept;
    LineSession& operator=(LineSession&& other) noexcept;
    LineSession(const LineSession&) = delete;
    LineSession& operator=(const LineSession&) = delete;
    ~LineSession();

    // The session holds the line.
    explicit operator bool() const { return line_ != nullptr; }
    // What ends the session's waits early from now on (an exchange that must not be cut short
    // clears it for a while). Returns the token it replaces.
    StopToken SetStopToken(StopToken stop);
    // The session's stop token asks its holder to stop.
    bool StopRequested() const { return stop_.StopRequested(); }
    // Gives the line back (the session is empty afterwards).
    void Release();
    Operator& Op() const;

    // ---- the device ----
    // Port n: "COM<n>" in the device folder, else the system's device (see DevicePathForPort).
    bool Open(int portNumber, uint32_t baud);
    bool OpenDevice(const std::string& path, uint32_t baud);
    void Close();
    bool SetBaud(uint32_t baud);
    // The rate the line is said to run at (CurrentBaud), before the port follows (a baud change
    // tells the boards at the old rate).
    void SetCurrentBaud(uint32_t baud);
    bool IsOpen() const;
    bool Lost() const;
    std::string DevicePath() const;
    // Why the last open failed or the device was lost ("" when nothing went wrong).
    std::string LastError() const;
    // Port `portNumber` opened a system device, for want of a "COM<n>" link in the device folder
    // and of a binding in Ports.cfg (on Windows the port is always the system's COM<n>: never).
    bool OpenedSystemDevice(int portNumber) const;
    // The device last opened (or tried) and why the port number led there.
    PortDevice OpenedPortDevice() const;

    // ---- frames ----
    // Writes `frame` as it stands: bytes still waiting are discarded (shown in the log unless
    // Quiet), then the frame is logged, stamped and paced as `how` and the settings say, and the
    // bounded wait for the output to leave follows. False when it did not go out whole.
    bool Send(std::string_view frame, Sending how = Sending::Logged);
    // The global stop frame "GG!\r" (Quiet). True when it reached the line.
    bool SendStopFrame();
    // Frames the device took whole since the line was made (a held run asks whether its line's
    // frame went out).
    uint64_t FramesWritten() const;

    // ---- replies ----
    // Sends `frame` (as Send) and reads lines until one answers it by `rule` or `timeoutMs` have
    // passed. Lines that cannot be its answer are discarded (and logged as such when `how` logs).
    Reply Exchange(std::string_view frame, const ReplyRule& rule, uint32_t timeoutMs,
                   Sending how = Sending::Logged);
    // As Exchange, but only until the reply begins: the reply stays unread for a later
    // AwaitReply.
    Reply ExchangeUnread(std::string_view frame, const ReplyRule& rule, uint32_t timeoutMs);
    // Reads a reply that an earlier frame asked for (logged).
    Reply AwaitReply(const ReplyRule& rule, uint32_t timeoutMs);
    // A piece of what the board sends, up to one of `ends`: its first byte must come within
    // `firstByteMs`, its end within `pieceMs` of the first byte, and it holds at most `maxChars`.
    // A LF is no part of a piece (a CR LF line end leaves one before the next piece).
    LinePiece ReadPiece(std::string_view ends, uint32_t firstByteMs, uint32_t pieceMs,
                        size_t maxChars);
    // Drops what is waiting to be read, without a word.
    void DiscardInput();
    // Looks at the line without waiting, so a device that went away is noticed while nobody
    // reads (a delay of the runner). False when the line is gone.
    bool StillThere();

    // ---- raw bytes (the terminal) ----
    // `bytes` as they stand: no purge, stamp, pacing or log; then the bounded wait for them to
    // leave. False when the port is closed or the write failed.
    bool WriteRaw(std::string_view bytes);
    // What has arrived, without waiting: bytes read, 0 when none, -1 when the port is closed or
    // the device went away.
    long ReadAvailable(char* buffer, size_t capacity);
    // Waits until input is there or `timeoutMs` passed (or the stop token asks): true when there.
    bool WaitForInput(uint32_t timeoutMs);
    // The open device's descriptor, for an event loop to watch; -1 when closed or there is none.
    int Descriptor() const;

    // ---- settings for a scope ----
    // Holds a setting of the line until it goes out of scope, then gives the old value back.
    class Setting {
      public:
        Setting(Setting&& other) noexcept;
        Setting& operator=(Setting&&) = delete;
        Setting(const Setting&) = delete;
        ~Setting();

      private:
        friend class LineSession;
        Setting(std::atomic<int32_t>* i, int32_t iValue, std::atomic<uint32_t>* u, uint32_t uValue);
        std::atomic<int32_t>* i_;
        int32_t iSaved_;
        std::atomic<uint32_t>* u_;
        uint32_t uSaved_;
    };
    // The reply time-out of Exchange's callers (the configured one unless a scope set another).
    int32_t ReplyTimeoutMs() const;
    [[nodiscard]] Setting ReplyTimeout(int32_t ms);
    // Milliseconds after each byte of a frame (0: the whole frame at once).
    [[nodiscard]] Setting Pacing(uint32_t msPerByte);
    // Frames other than program data carry the time stamp ("<ms> : ") while on.
    [[nodiscard]] Setting TimeStamps(bool on);

  private:
    friend class SerialLine;
    LineSession(SerialLine* line, LineOwner::Guard guard, StopToken stop);
    SerialPort& Port() const;
    bool Stopping() const { return stop_.StopRequested(); }
    // Bytes still waiting from earlier exchanges are no answer to the next frame.
    void DiscardStale(bool logged);
    void AwaitOwedReply(const ReplyRule& rule);
    void NoteOwed(const ReplyRule& rule);
    void NoteDiscarded(const char* line);
    // `sendingUs`: the frame's own line time, added to the wait.
    Reply Receive(const ReplyRule& rule, uint32_t timeoutMs, bool logged, Reply reply,
                  uint64_t sendingUs = 0);
    Reply NotSent() const;

    SerialLine* line_ = nullptr;
    LineOwner::Guard guard_;
    StopToken stop_;
};

}  // namespace vendra
