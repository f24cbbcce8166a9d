// The communications debug log: every frame the board transaction sends and every reply line it
// reads, numbered in order, as the debugger window lists them.
//
// Lines: sent "->%d/%u - %s" (runner line, line number, frame up to its first CR, at most 300
// characters), received "<-%u - %s", and bytes the transaction threw away as no answer to its
// frame "<-%u - discarded: %s" (one line per CR-ended piece, control bytes written as \r, \xHH).
// They are added only while CommDebugEnabled and CommDebugWindowOpen are both 1. Each line keeps
// the time it was added (microseconds since the log's first line). Storage is compact (text in
// large chunks plus a 16-byte index entry per line) so that millions of lines cost little and a
// window reads any line directly. The parts of a line, the filter and the CSV form: CommDebugLine.
// Error rule: nothing is reported; SaveToFile and ExportCsv return false with a message for the
// operator.
// Thread rule: lines are added from whichever thread runs the transaction and read by the GUI
// thread; every method takes the log's mutex. Clearing bumps Generation() so that a view knows to
// drop what it showed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/Operator.h"
#include "core/serial/CommDebugLine.h"
#include "core/serial/CommDebugState.h"
#include "core/serial/SerialState.h"

namespace vendra {

// The parts of the system state the log uses: its own flags, and whether a program runs (the
// window's Clear Screen is refused meanwhile).
struct CommDebugLogState {
    CommDebugState& CommDebug;
    const std::atomic<uint32_t>& ProgramRunning;
};

class CommDebugLog {
  public:
    explicit CommDebugLog(CommDebugLogState state);
    CommDebugLog(const CommDebugLog&) = delete;
    CommDebugLog& operator=(const CommDebugLog&) = delete;

    void LogSentFrame(int lineNumber, std::string_view frame);
    void LogReceivedText(std::string_view reply);
    // Bytes read but not taken as the answer: left over from earlier exchanges, or a reply that
    // cannot be the current frame's.
    void LogDiscarded(std::string_view bytes);
    // Empties the list and resets the numbering, when the window is open and logging is on.
    void ClearCommDebugLog();
    // The window's "Clear Screen": as ClearCommDebugLog, and refused (false) while a program runs.
    bool ClearScreen();

    size_t LineCount() const;
    // Line `index`, or "" when it no longer exists (cleared meanwhile).
    std::string Line(size_t index) const;
    // Copies lines [first, first + count) that exist, in order.
    std::vector<std::string> Lines(size_t first, size_t count) const;
    // Starts at 0 and grows by one with every clearing.
    uint64_t Generation() const;
    // Line count and generation read together.
    std::pair<size_t, uint64_t> CountAndGeneration() const;
    // Microseconds from the log's first line to line `index` (0 when it no longer exists).
    uint64_t LineMicros(size_t index) const;
    // Appends to `out` the indexes of the lines in [first, end) that `filter` matches. Reads in
    // slices, so the runner's logging never waits long. False when the log was cleared since
    // `generation` (what was found is then of no use).
    bool FilterLines(const CommDebugFilter& filter, size_t first, size_t end, uint64_t generation,
                     std::vector<uint32_t>& out) const;
    // Writes every line ended by CR LF. False with `error` set when the file cannot be written.
    bool SaveToFile(const std::string& path, std::string& error) const;
    // Writes the CSV form of the lines `rows` (all lines when null), with the time column when
    // `withTime` (see AppendCommDebugCsvRow). The file is replaced whole or not at all. False with
    // `error` set when it cannot be written.
    bool ExportCsv(const std::string& path, const std::vector<uint32_t>* rows, bool withTime,
                   std::string& error) const;
    // Bytes the storage holds (text chunks and index), for measurements.
    size_t StorageBytes() const;
    // The log's flags (the comm-debug switch and the runner's keywords set them).
    CommDebugState& Flags() const { return state_.CommDebug; }

  private:
    struct LineRef {
        uint32_t chunk;
        uint32_t place;   // offset in the chunk << kLengthBits | length
        uint64_t micros;  // since the first line
    };
    static constexpr size_t kChunkBytes = 1 << 20;
    static constexpr unsigned kLengthBits = 12;  // lines stay far below 4096 bytes
    static_assert(kChunkBytes << kLengthBits <= (uint64_t{1} << 32));

    bool Logging() const;
    void AppendLocked(std::string_view text);
    void ClearLocked();
    std::string_view ViewLocked(size_t index) const;

    CommDebugLogState state_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t chunkUsed_ = kChunkBytes;  // forces a first chunk
    std::vector<LineRef> index_;
    uint64_t firstLineUs_ = 0;
    uint64_t generation_ = 0;
};

// The window side of the "Comm. Debug" switch: creates, shows and destroys the debugger window.
// Implemented by the UI; called on the GUI thread.
class CommDebugWindowHost {
  public:
    virtual ~CommDebugWindowHost() = default;
    // Creates the window if absent and shows it; it sets CommDebugWindowReady when shown.
    virtual void CreateCommDebugWindow() = 0;
    // Destroys the window if present; CommDebugWindowReady becomes 0.
    virtual void DestroyCommDebugWindow() = 0;
};

// The "Comm. Debug" check box's handling (GUI thread). Acts only while the line is open
// (CurrentBaud not 0 and PortOpen 1), except that an open window can always be closed; returns
// false when it did not act. When the box was ticked by enable_comm_debug (the flags already
// set), it only creates the window, keeping the lines logged meanwhile. Waits pump the GUI.
bool CommDebugSwitch(const SerialState& serial, Operator& op, CommDebugLog& log,
                     CommDebugWindowHost& host, bool checked);

// The runner's enable_comm_debug: switches logging on; when no window is open, sets the flags,
// clears the log and ticks the main window's box, whose handling creates the window.
void EnableCommDebug(Operator& op, CommDebugLog& log);
// The runner's disable_comm_debug: logging off; window and lines stay.
void DisableCommDebug(CommDebugLog& log);

}  // namespace vendra
