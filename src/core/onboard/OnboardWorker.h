// The on-board program transfer as an activity: one operation at a time (read, write, erase, run)
// on its own worker, holding the line, with the closing message the editor's menu handler gives.
// The editor starts it, shows the progress box and hears of its end (Operator::ActivityEnded).
//
// Error rule: Start returns false (nothing started, nothing shown) while the system is busy: the
// line has an owner or a program runs. What the operation reports, it reports itself.
// Thread rule: Start, Stop, Running and Wait may be called from any thread. The destructor stops a
// running operation and joins the worker; the operation then ends within one wait slice, unless it
// waits for the operator's answer (the Operator must answer or decline) or for the reply to a
// star, erase or run command (bounded by that command's time-out).
#pragma once
#include <cstdint>
#include <mutex>

#include "core/base/Operator.h"
#include "core/base/Worker.h"
#include "core/onboard/OnboardTransfer.h"
#include "core/serial/LineSession.h"

namespace vendra {

enum class OnboardOperation { Read, Write, Erase, Run };

// Runs one operation and then the message that closes it ("Operation Complete", or what went
// wrong). Used by the worker; callable directly on a thread whose session the transfer uses.
OnboardOutcome RunOnboardOperation(OnboardTransfer& transfer, OnboardState state, Operator& op,
                                   OnboardOperation operation);

class OnboardWorker {
  public:
    OnboardWorker(OnboardState state, Operator& op, SerialLine& line, OnboardTransfer& transfer);
    ~OnboardWorker();
    OnboardWorker(const OnboardWorker&) = delete;
    OnboardWorker& operator=(const OnboardWorker&) = delete;

    // Takes the line and starts the operation; returns at once.
    bool Start(OnboardOperation operation);
    // Asks the running operation to stop (it keeps what it has read): the progress box's Cancel.
    void Stop();
    bool Running() const { return worker_.Running(); }
    // Waits until no operation runs; false when timeoutMs passed first.
    bool Wait(uint32_t timeoutMs) { return worker_.Wait(timeoutMs); }
    // How the last operation ended (Complete before the first).
    OnboardOutcome LastOutcome() const;

  private:
    void Job(OnboardOperation operation);

    OnboardState state_;
    Operator& op_;
    SerialLine& line_;
    OnboardTransfer& transfer_;
    mutable std::mutex mutex_;
    OnboardOutcome outcome_ = OnboardOutcome::Complete;
    LineSession session_;
    Worker worker_{"OnboardXfer"};  // declared last: stopped and joined first
};

}  // namespace vendra
