#include "sim/AxisBoard.h"

#include "sim/MotionCommands.h"

namespace vendra::sim {

AxisBoard::AxisBoard(const UnitConfig& config, const Options& options)
    : BoardUnit(config, options),
      motors_{Motor(speed_), Motor(speed_), Motor(speed_), Motor(speed_)} {}

bool AxisBoard::Handle(const std::string& frame, SimTime now, Network&, Reply& reply) {
    int axis = AxisFromLetter(frame[0]);
    if (axis < 0) return false;
    char letter = static_cast<char>(frame[0] - 'A' + 'a');
    Motor& motor = motors_[axis];
    std::string body = frame.substr(2);
    if (body.empty()) {
        reply = MakeReply(letter, motor.Moving(now) ? busy_ : done_);
        return true;
    }
    if (AnswerItemQuery(body, letter, reply)) return true;
    if (AnswerProgramCommand(body, letter, reply)) return true;
    if (body == "m") {
        reply = MakeReply(letter, '>', std::to_string(motor.lastA));
        return true;
    }
    MotionTarget target;
    for (int i = 0; i < 4; ++i) target.axes[i] = &motors_[i];
    target.aSetsPosition = config_.aSetsPosition;
    reply = MakeReply(letter,
                      ApplyMotionCommands(frame, 0, RelativeGrammar::Standard, true, target, now));
    return true;
}

void AxisBoard::AbortMoves(SimTime now) {
    for (auto& m : motors_) m.Stop(now);
}

}  // namespace vendra::sim
