// One simulated stepper motor: a step counter (the position register the board reports and the
// host tracks) moving towards a target at a fixed speed, and a physical position in encoder counts
// that the QBoard channels linked to it read.
//
// The motion is computed from the time, never stepped by a timer: a move is a segment (start
// position, start time, target) and every query evaluates it at the given time. In full-step mode
// every step moves the physical position by two counts (one in half-step mode), so an encoder
// counting half-steps shows twice the step count; a slipping motor loses that fraction of every
// step physically. Not thread-safe: the owner locks.
#pragma once
#include <chrono>
#include <cstdint>

namespace vendra::sim {

using SimClock = std::chrono::steady_clock;
using SimTime = SimClock::time_point;

class Motor {
  public:
    explicit Motor(double stepsPerSecond = 10000.0) : speed_(stepsPerSecond) {}

    int64_t Position(SimTime now) const;
    int64_t Target() const { return target_; }
    bool Moving(SimTime now) const { return Position(now) != target_; }
    // Physical position in encoder counts (fractional while slipping).
    double PhysicalCounts(SimTime now) const;
    bool FullStep() const { return fullStep_; }
    double Speed() const { return speed_; }
    double Slip() const { return slip_; }

    // Absolute move from wherever the motor is now (a running move is re-aimed).
    void MoveTo(int64_t target, SimTime now);
    // Stops at once where the motor is.
    void Stop(SimTime now);
    // Sets the position register without moving: the physical position stays.
    void Redefine(int64_t position, SimTime now);
    // Zero position: the step counter and the physical reference both become 0, so linked
    // encoders start again from their offset.
    void Zero(SimTime now);
    void SetFullStep(bool full, SimTime now);
    void SetSpeed(double stepsPerSecond, SimTime now);
    void SetSlip(double fraction, SimTime now);

    // The number last set with "A" (the "m" read-back).
    int64_t lastA = 0;

  private:
    // Folds the part of the move done by `now` into the segment start.
    void Settle(SimTime now);
    int64_t StepsDone(SimTime now) const;

    double speed_;
    int64_t startPosition_ = 0;
    int64_t target_ = 0;
    SimTime start_{};
    double startCounts_ = 0.0;
    bool fullStep_ = false;  // boards start in half-step mode
    double slip_ = 0.0;
};

}  // namespace vendra::sim
