// What the runner does when the line goes away during a run: it holds the run at the line it was
// on (nothing after it is sent) and hands the wait for the line to a LineRecovery, which the
// composition root provides, since only it sees the port, the network and the person at the
// screen together. The recovery tells whether the run goes on at the held line or ends.
//
// Error rule: Recover reports to the operator itself (why the run cannot go on); it never throws.
// Thread rule: Recover runs on the runner thread, which holds the line all the while and hands
// its session over. Every wait in it goes through `pause`, which returns false as soon as the run
// is to end (Abort, the debugger's end, shutdown); Recover must then return End without waiting
// further.
#pragma once
#include <cstdint>
#include <functional>

#include "core/serial/LineSession.h"

namespace vendra {

// The run as it is held.
struct HeldRun {
    uint32_t lineNumber = 0;  // 1-based number of the line the run is held at
    // A frame of the held line was written before the line went away (only its answer was lost).
    bool commandWritten = false;
    // The held line only asks (status queries, waits, "v" queries, delays): running it again
    // changes nothing on the boards.
    bool onlyAsks = false;
    // Resuming sends a command again that has already done its work (a relative move, a raw
    // command that counts).
    bool RepeatsCommand() const { return commandWritten && !onlyAsks; }
};

class LineRecovery {
  public:
    enum class Outcome { Resume, End };
    // Sleeps up to `ms`; false when the run is to end now.
    using Pause = std::function<bool(uint32_t ms)>;

    virtual ~LineRecovery() = default;
    // Waits for the line to come back and decides: Resume runs the held line again.
    virtual Outcome Recover(LineSession& session, const HeldRun& held, const Pause& pause) = 0;
};

}  // namespace vendra
