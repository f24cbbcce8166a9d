#include "sim/StepperBoards.h"

namespace vendra::sim {

StepperBoard::StepperBoard(const UnitConfig& config, const Options& options, char letter,
                           RelativeGrammar grammar)
    : BoardUnit(config, options),
      letter_(config.replyLetter         ? config.replyLetter
              : options.lowerCaseReplies ? static_cast<char>(letter - 'A' + 'a')
                                         : letter),
      grammar_(grammar),
      motor_(speed_) {}

char StepperBoard::ReplyLetterFor(const std::string&) const {
    return letter_;
}

bool StepperBoard::Handle(const std::string& frame, SimTime now, Network&, Reply& reply) {
    std::string body = frame.substr(2);
    if (body.empty()) {
        reply = MakeReply(letter_, motor_.Moving(now) ? busy_ : done_);
        return true;
    }
    if (AnswerItemQuery(body, letter_, reply)) return true;
    if (AnswerProgramCommand(body, letter_, reply)) return true;
    if (body == "m") {
        reply = MakeReply(letter_, '>', std::to_string(motor_.lastA));
        return true;
    }
    MotionTarget target;
    target.single = &motor_;
    target.aSetsPosition = config_.aSetsPosition;
    reply = MakeReply(letter_, ApplyMotionCommands(frame, 2, grammar_, false, target, now));
    return true;
}

std::unique_ptr<BoardUnit> MakeStepperBoard(const UnitConfig& config, const Options& options) {
    switch (config.family) {
        case Family::DBoard:
            return std::make_unique<DBoard>(config, options);
        case Family::UBoard:
            return std::make_unique<UBoard>(config, options);
        default:
            return std::make_unique<HBoard>(config, options);
    }
}

}  // namespace vendra::sim
