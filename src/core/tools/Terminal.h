// The terminal's session on the line: while its window is open it holds the line, sends typed
// lines straight to the port (no family prefix, no time stamp, no pacing, no purge, no log, no
// wait for a reply) and cuts what arrives into lines (TerminalLines). Its worker blocks in the
// session's wait for input (the device's own wait, which needs no descriptor to watch), wakes for
// what arrives, a line that falls due, a typed line or a scan, and hands the lines to the window;
// an idle terminal sleeps. "Scan for Boards" runs on the same worker and session.
//
// Error rule: with the port closed (or "No Comm") the session is inert: typing reaches no line and
// nothing is read. A device that goes away is reported once by the port layer; the session is
// inert from then on (the window hears it through TerminalView::LineGone). Open refuses quietly
// while another activity holds the line.
// Thread rule: Open, KeyPress, StartScan and Close are called from the window's thread; the view's
// functions are called on the terminal's worker. Close stops the worker and joins it (a scan's
// closing question must have been answered; the window is not closed while a scan runs).
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/base/Operator.h"
#include "core/base/Worker.h"
#include "core/network/NetworkInit.h"
#include "core/serial/LineSession.h"
#include "core/tools/TerminalLines.h"

namespace vendra {

// What the terminal's worker tells its window. Called on the worker: a window marshals them to
// its own thread.
class TerminalView {
  public:
    virtual ~TerminalView() = default;
    // Lines received and complete (without their CR).
    virtual void ShowLines(std::vector<std::string> lines) = 0;
    // The line went away: the terminal is inert from now on.
    virtual void LineGone() = 0;
    // The scan's progress bar (0..100) and its button.
    virtual void ScanProgress(int percent) = 0;
    virtual void ScanButtonEnabled(bool enabled) = 0;
};

class Terminal {
  public:
    enum class Opened { Refused, Inert, Active };
    // How long the worker sleeps at most while nothing happens: what ends its wait early is input,
    // a typed line, a scan or Close, so this only bounds a look at a lost line.
    static constexpr uint32_t kIdleWaitMs = 500;

    Terminal(NetworkState state, Operator& op, SerialLine& line, NetworkInitialiser& network);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The window opens: takes the line; with the port open remembers CurrentBaud, starts with an
    // empty typed line and starts the worker, which tells `view` what comes.
    Opened Open(TerminalView& view);
    // The window closes: the worker stops, CurrentBaud (and the port) go back to the remembered
    // rate and the line is given back.
    void Close();
    bool IsOpen() const { return open_; }
    // The port can be used: the window is open, the port was open and has not gone away.
    bool Active() const;
    // A key the operator typed; a whole line (or a full one) goes to the line from the worker.
    void KeyPress(char c);
    // "Scan for Boards" on the worker: what was received and not shown is dropped, the scan runs
    // (ScanBaudRates) and its end reaches the windows as Operator::ActivityEnded(BaudScan). False
    // when the terminal is not active or a scan runs already.
    bool StartScan();
    bool Scanning() const { return scanning_.load(); }

  private:
    void Job();
    // Writes what was typed; false when the line went away.
    bool SendTyped();
    void Scan();
    void Wake();

    NetworkState state_;
    Operator& op_;
    SerialLine& line_;
    NetworkInitialiser& network_;
    TerminalView* view_ = nullptr;
    bool open_ = false;
    bool portWasOpen_ = false;
    uint32_t rememberedBaud_ = 0;
    std::atomic<bool> gone_{false};
    std::atomic<bool> scanning_{false};
    std::atomic<bool> scanRequested_{false};
    // Ends the session's current wait: set by a typed line, a scan request and Close.
    std::atomic<bool> wake_{false};
    std::mutex typedMutex_;
    TerminalLines lines_;  // the typed line under typedMutex_, the received bytes the worker's
    std::string outbox_;   // typed lines not yet written (typedMutex_)
    LineSession session_;
    Worker worker_{"Terminal"};  // declared last: stopped and joined first
};

}  // namespace vendra
