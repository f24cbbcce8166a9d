// vendra::sim::Simulator: a whole board network on a pseudo-terminal, for the vendra-sim program
// and for tests that start it in-process.
//
// Start() creates the pty, links its slave as <folder>/COM<port> and runs the simulator's own
// thread, which blocks in poll() on the line and answers every frame as soon as it is complete
// (or at line speed with pacing). Stop() (also run by the destructor) ends the thread within a
// bounded time, closes the pty and removes the link.
//
// Error rule: nothing throws. Start() returns false with Error() set (bad options, pty or link
// failure); the setters return false for names that are not on the network.
// Thread rule: every public member may be called from any thread while the simulator runs; unit,
// fault and option access is serialised with the simulator thread by one lock, held only while a
// frame is handled (never while writing or waiting).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/ByteLog.h"
#include "sim/Faults.h"
#include "sim/Motor.h"
#include "sim/SimConfig.h"

namespace vendra::sim {

class Network;
class PtyLine;

struct MotorStatus {
    int64_t position = 0;  // the step counter now
    int64_t target = 0;
    int64_t lastA = 0;  // the "m" read-back
    bool moving = false;
    bool fullStep = false;
    double physicalCounts = 0.0;
    double speed = 0.0;
    double slip = 0.0;
};

class Simulator {
  public:
    explicit Simulator(Options options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool Start();
    void Stop();
    bool Running() const { return running_.load(); }
    std::string Error() const;

    std::string SlavePath() const;  // /dev/pts/N
    std::string LinkPath() const;   // <folder>/COM<port>

    // --- the record of the line ---
    std::vector<std::string> ReceivedFrames() const;  // accepted frames with their CR, in order
    std::vector<std::string> IgnoredFrames() const;   // frames sent at another rate
    std::vector<std::string> SentReplies() const;     // answers as queued (faults applied)
    std::vector<FrameRecord> Frames() const;
    std::vector<LogEntry> ByteLogEntries() const;
    void ClearLog();
    // Waits until `count` frames were accepted since the last ClearLog(); false on time-out.
    bool WaitForFrames(size_t count, int timeoutMs) const;

    // --- faults ---
    int AddFault(const Fault& fault);
    // Parses the text form (Faults.h); 0 with `error` set when it is not valid.
    int AddFault(const std::string& rule, std::string* error = nullptr);
    bool RemoveFault(int id);
    void ClearFaults();
    std::vector<FaultEntry> Faults() const;
    // The line vanishes now: the master is closed and the link removed. Returns when done. It
    // comes back after Options::returnAfterMs when that is set.
    void VanishLine();
    bool LineVanished() const { return vanished_.load(); }
    // A vanished line comes back now on the same link (a new pseudo-terminal, the same COM<n>),
    // every unit as it was (moves under way went on meanwhile). True once the line is back, or
    // when it never went; false when the simulator is not running or the line cannot be made.
    bool ReturnLine();
    // How often the line came back (ReturnLine, a scheduled return).
    int LineReturns() const { return returns_.load(); }

    // --- units ---
    std::vector<std::string> UnitNames() const;  // "D3", "X1", "Q0", in the order given
    // Motors are named D3, U2, H1, or W1..Z1 for the axes of AxisBoard unit 1.
    std::optional<MotorStatus> GetMotor(const std::string& motor) const;
    bool SetMotorSpeed(const std::string& motor, double stepsPerSecond);
    // Sets the position register without moving (as "A" does with aset=1).
    bool SetMotorPosition(const std::string& motor, int64_t position);
    std::optional<int64_t> EncoderCount(int qboard, int channel) const;
    // An unlinked channel gets the count; a linked one gets the offset that makes it read the
    // count now.
    bool SetEncoderCount(int qboard, int channel, int64_t count);
    bool SetEncoderLink(const LinkConfig& link, std::string* error = nullptr);
    bool UnlinkEncoder(int qboard, int channel);
    std::optional<std::string> GetItem(const std::string& unit, int index) const;
    // Item F (15) is also the size of the unit's program memory.
    bool SetItem(const std::string& unit, int index, const std::string& value);

    // --- the units' program memories (ProgramMemory.h) ---
    // The stored lines from address 1 up to the first erased byte.
    std::optional<std::vector<std::string>> ProgramLines(const std::string& unit) const;
    // Erases the memory and stores the lines from address 1; false when they do not fit.
    bool SetProgramLines(const std::string& unit, const std::vector<std::string>& lines);
    // The address the program was started at ("K<a>"), 0 while it is not running.
    std::optional<uint32_t> ProgramRunAddress(const std::string& unit) const;
    bool ProgramLoading(const std::string& unit) const;

    // --- line ---
    uint32_t BoardBaud() const;
    bool SetBoardBaud(uint32_t baud);  // false for a rate the boards do not have
    uint32_t HostBaud() const { return hostBaud_.load(); }  // as last seen with input
    void SetPacing(bool on);
    bool Pacing() const;

    // "D3,X1:ver=205,Q0" -> unit configurations (empty with `error` set when not valid).
    static std::vector<UnitConfig> ParseUnits(const std::string& text,
                                              std::string* error = nullptr);

  private:
    void Run();
    void HandleInput(const char* data, size_t size, SimTime now, int64_t nowUs);
    void IgnoreInput(const char* data, size_t size, uint32_t hostBaud, uint32_t boardBaud,
                     int64_t nowUs);
    void HandleFrame(const std::string& frame, SimTime complete, SimTime now, int64_t nowUs);
    void CloseLine(const std::string& why);
    // Vanishing on purpose: closes the line and schedules its return (returnMs, or the options'
    // when negative).
    void Vanish(const std::string& why, int returnMs);
    void ReopenLine();
    void Wake();

    Options options_;
    ByteLog log_;

    mutable std::mutex mu_;  // network_, faults_, pace_, error_, slavePath_, linkPath_
    std::unique_ptr<Network> network_;
    FaultTable faults_;
    bool pace_ = false;
    std::string error_;
    std::string configError_;  // what is wrong with the options; Start() refuses with it

    std::unique_ptr<PtyLine> line_;
    std::string slavePath_;
    std::string linkPath_;
    std::thread thread_;
    int wakeFd_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> vanishRequest_{false};
    std::atomic<bool> vanished_{false};
    std::atomic<bool> returnRequest_{false};
    std::atomic<int> returns_{0};
    std::atomic<int> vanishes_{0};
    std::atomic<int> returnAttempts_{0};
    std::condition_variable vanishedCv_;
    std::atomic<uint32_t> hostBaud_{0};

    // Simulator thread only.
    std::string partial_;         // an accepted frame being received
    std::string ignoredPartial_;  // bytes received at another rate, up to their CR
    SimTime rxFree_{};            // when the received bytes would have finished on a real line
    bool vanishPending_ = false;
    int pendingReturnMs_ = -1;          // the vanish fault's own return time
    std::optional<SimTime> returnDue_;  // when a vanished line comes back
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vendra::sim
