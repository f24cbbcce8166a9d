#include "sim/Motor.h"

#include <cmath>

namespace vendra::sim {

int64_t Motor::StepsDone(SimTime now) const {
    int64_t distance = target_ - startPosition_;
    if (distance < 0) distance = -distance;
    if (speed_ <= 0.0 || distance == 0) return distance;
    double seconds = std::chrono::duration<double>(now - start_).count();
    if (seconds <= 0.0) return 0;
    double steps = std::floor(seconds * speed_);
    return steps >= static_cast<double>(distance) ? distance : static_cast<int64_t>(steps);
}

int64_t Motor::Position(SimTime now) const {
    int64_t done = StepsDone(now);
    return target_ >= startPosition_ ? startPosition_ + done : startPosition_ - done;
}

double Motor::PhysicalCounts(SimTime now) const {
    double done = static_cast<double>(StepsDone(now));
    double perStep = (fullStep_ ? 2.0 : 1.0) * (1.0 - slip_);
    return target_ >= startPosition_ ? startCounts_ + done * perStep
                                     : startCounts_ - done * perStep;
}

void Motor::Settle(SimTime now) {
    startCounts_ = PhysicalCounts(now);
    startPosition_ = Position(now);
    start_ = now;
}

void Motor::MoveTo(int64_t target, SimTime now) {
    Settle(now);
    target_ = target;
}

void Motor::Stop(SimTime now) {
    Settle(now);
    target_ = startPosition_;
}

void Motor::Redefine(int64_t position, SimTime now) {
    Stop(now);
    startPosition_ = target_ = position;
}

void Motor::Zero(SimTime now) {
    Stop(now);
    startPosition_ = target_ = 0;
    startCounts_ = 0.0;
}

void Motor::SetFullStep(bool full, SimTime now) {
    Settle(now);
    fullStep_ = full;
}

void Motor::SetSpeed(double stepsPerSecond, SimTime now) {
    Settle(now);
    speed_ = stepsPerSecond;
}

void Motor::SetSlip(double fraction, SimTime now) {
    Settle(now);
    slip_ = fraction;
}

}  // namespace vendra::sim
