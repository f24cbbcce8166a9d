// Network initialisation and unit discovery: opens the port at the chosen baud rate, asks every
// unit address of every family who is there, fills the UnitMap and shows the result (unit
// indicators and counts, menu items) through the Operator.
//
// Error rule: results are 1/0 as documented per function. The only message is "Can not open
// Communications Port" (title "VDWin Communications Port ERROR") with the reason on a second line,
// when the port number is out of range (1 to 40) or the port cannot be opened;
// a unit that does not answer, or only another unit answers, is simply absent.
// Thread rule: NetworkInitialiser runs on whichever thread calls it (the CommInit worker, or the
// GUI thread for the baud scan's probes); it uses the port without a lock, so callers keep to one
// activity at a time (the line's owner). CommInit owns the worker thread; its methods may be called
// from any thread, and its destructor stops and joins the worker within a bounded time (about one
// wait slice after the port stops waiting).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/Configuration.h"
#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/LineSession.h"
#include "core/serial/SerialState.h"

namespace vendra {

// Every entry of the map back to 0.
void ClearUnitMap(UnitMap& units);

// The parts of the system state the initialisation uses.
struct NetworkState {
    SerialState& Serial;
    Configuration& Config;  // the reply time-out is set to InitTimeout while scanning
    UnitMap& Units;
};

class NetworkInitialiser {
  public:
    // The pause after opening the port, before the first frame, that lets the boards settle.
    static constexpr uint32_t kSettleMs = 1500;

    NetworkInitialiser(NetworkState state, Operator& op);

    // Sends `frame` on `session` (quietly: no log), waits the session's reply time-out for a
    // reply and reads it. 1 when a reply came from the frame's unit (a reply letter of its family
    // and the frame's unit digit); a reply from anyone else is passed over and the wait goes on,
    // so the result is 0 when no answer of the unit came in time. The answer is copied into
    // `reply` (capacity bytes, terminated).
    int QueryUnit(LineSession& session, const char* frame, char* reply, size_t capacity);
    // As QueryUnit, waiting `timeoutMs` for the reply.
    int QueryUnitWithin(LineSession& session, const char* frame, char* reply, size_t capacity,
                        uint32_t timeoutMs);
    // Queries addresses 0..15 of one family. Full mode files what it finds in the UnitMap, shows
    // the family's count after every address and marks/disables the indicators at the end; probe
    // mode changes nothing (except the count "0" when the port is closed). 1 when some unit
    // answered during this call.
    int ScanFamily(LineSession& session, UnitGroup group, bool probeOnly);
    // Clears the UnitMap, opens the port, settles, sends "GG*\r" and scans the five families with
    // InitTimeout as the reply time-out (the session's is restored). 1 when the units were
    // scanned.
    int InitialiseNetwork(LineSession& session);
    // Every unit indicator back to enabled and unchecked.
    void ResetUnitButtons();

    // While set, InitialiseNetwork and ScanFamily end at their next step (used on shutdown), and
    // the waits of a session taken with Token() end at once.
    void RequestStop(bool stop) { stop_.store(stop); }
    bool StopRequested() const { return stop_.load(); }
    StopToken Token() const { return StopToken(&stop_); }
    void SetSettleMs(uint32_t ms) { settleMs_ = ms; }
    // Set by InitialiseNetwork when the port number named no COM<n> link and a system device
    // was opened instead: which one ("" otherwise).
    const std::string& OpenedNote() const { return openedNote_; }
    // A device to open instead of the port number's ("" again: the port number rule). Set it
    // before an initialisation starts.
    void SetDevicePath(std::string path) { devicePath_ = std::move(path); }
    // The value text of the unit's "v0" answer at the last full scan ("" when it was not
    // scanned). Any thread.
    std::string UnitIdentity(UnitGroup group, unsigned address) const;
    // Records a unit's "v0" value text taken outside a scan (a unit named by hand).
    void SetUnitIdentity(UnitGroup group, unsigned address, std::string identity);

  private:
    void Settle();

    NetworkState state_;
    Operator& op_;
    std::atomic<bool> stop_{false};
    uint32_t settleMs_ = kSettleMs;
    std::string openedNote_;
    std::string devicePath_;
    mutable std::mutex identityMutex_;
    std::string identities_[kUnitGroups][16];
};

// The network-initialisation worker: one run of the initialisation on its own thread.
class CommInit {
  public:
    CommInit(NetworkState state, Operator& op, SerialLine& line, NetworkInitialiser& network);
    ~CommInit();
    CommInit(const CommInit&) = delete;
    CommInit& operator=(const CommInit&) = delete;

    // Takes the line, resets the unit indicators and starts the worker; returns at once. While one
    // initialisation runs, a second never starts beside it: the request is remembered and the
    // running worker initialises once more when it is done (so a port change is not lost); the
    // result is then false. False too, with nothing started, when another activity holds the line.
    bool StartNetworkInitialisation();
    bool Running() const;
    // Waits until no initialisation runs; false when timeoutMs passed first.
    bool WaitUntilIdle(uint32_t timeoutMs);

  private:
    void Run();
    void Execute();

    NetworkState state_;
    Operator& op_;
    SerialLine& line_;
    NetworkInitialiser& network_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    bool running_ = false;
    bool restartPending_ = false;
    LineSession session_;  // held from the start until the last initialisation is done
    std::thread thread_;
};

}  // namespace vendra
