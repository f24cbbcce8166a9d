// The terminal's session on the line: while its window is open it holds the line, sends typed
// lines straight to the port (no family prefix, no time stamp, no pacing, no purge, no log, no
// wait for a reply) and cuts what arrives into lines (TerminalLines). The window watches the
// port's descriptor and calls ReadAvailable when input is signalled, so an idle terminal costs
// nothing.
//
// Error rule: with the port closed (or "No Comm") the session is inert: typing reaches no line and
// nothing is read. A device that goes away is reported once by the port layer; the session is
// inert from then on. Open refuses quietly while another activity holds the line.
// Thread rule: one thread (the GUI thread, which owns the window); the line is held from Open to
// Close (or destruction).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/serial/LineSession.h"
#include "core/serial/SerialState.h"
#include "core/tools/TerminalLines.h"

namespace vendra {

class Terminal {
  public:
    enum class Opened { Refused, Inert, Active };

    Terminal(SerialState& serial, SerialLine& line);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The window opens: takes the line; with the port open remembers CurrentBaud and starts with
    // an empty typed line.
    Opened Open();
    // The window closes: CurrentBaud (and the port) back to the remembered rate; the line is
    // given back.
    void Close();
    bool IsOpen() const { return static_cast<bool>(session_); }
    // The port can be used: the window is open and the port is open.
    bool Active() const;

    // A key the operator typed. False when a line was due and could not be written.
    bool KeyPress(char c);
    // Reads what has arrived and returns the lines now complete (nowMs: a monotonic clock).
    std::vector<std::string> ReadAvailable(uint64_t nowMs);
    // A begun line whose CR is overdue, due at `nowMs`.
    std::vector<std::string> Tick(uint64_t nowMs) { return lines_.Tick(nowMs); }
    int64_t MsUntilDue(uint64_t nowMs) const { return lines_.MsUntilDue(nowMs); }
    // Before another use of the line (the baud scan): what is received and not shown is dropped.
    void DiscardReceived() { lines_.DiscardReceived(); }
    // The descriptor to watch for input; -1 while inert.
    int Descriptor() const;
    const TerminalLines& Lines() const { return lines_; }
    // The terminal's hold on the line, for the baud scan it runs.
    LineSession& Session() { return session_; }

  private:
    SerialState& serial_;
    SerialLine& line_;
    LineSession session_;
    bool portWasOpen_ = false;
    uint32_t rememberedBaud_ = 0;
    TerminalLines lines_;
};

}  // namespace vendra
