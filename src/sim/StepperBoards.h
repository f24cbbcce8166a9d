// The single-motor families: DBoard, UBoard and HBoard units. They answer with their upper-case
// family letter (or the lower-case one, or the letter their settings give). Commands (the text
// after the two address characters):
//   ""        status: the busy status while the motor moves, the done status after
//   v<hex>    information item 0..1D
//   m         the number last set with A
//   D<a>, Q<a>, *, Z, K<a>   the program memory (ProgramMemory.h; erase and run usually come
//             as the global GGZ and GGK<a>)
//   anything else: position commands (MotionCommands.h), answered '>' or '!'
// A UBoard reads its relative moves with one free character after the R.
#pragma once
#include <memory>

#include "sim/BoardUnit.h"
#include "sim/MotionCommands.h"

namespace vendra::sim {

class StepperBoard : public BoardUnit {
  public:
    StepperBoard(const UnitConfig& config, const Options& options, char letter,
                 RelativeGrammar grammar);
    bool Handle(const std::string& frame, SimTime now, Network& network, Reply& reply) override;
    void AbortMoves(SimTime now) override { motor_.Stop(now); }
    Motor* FindMotor(int axis) override { return axis < 0 ? &motor_ : nullptr; }
    char ReplyLetterFor(const std::string& frame) const override;

  private:
    char letter_;
    RelativeGrammar grammar_;
    Motor motor_;
};

class DBoard : public StepperBoard {
  public:
    DBoard(const UnitConfig& c, const Options& o)
        : StepperBoard(c, o, 'D', RelativeGrammar::Standard) {}
};

class UBoard : public StepperBoard {
  public:
    UBoard(const UnitConfig& c, const Options& o)
        : StepperBoard(c, o, 'U', RelativeGrammar::UBoard) {}
};

class HBoard : public StepperBoard {
  public:
    HBoard(const UnitConfig& c, const Options& o)
        : StepperBoard(c, o, 'H', RelativeGrammar::Standard) {}
};

std::unique_ptr<BoardUnit> MakeStepperBoard(const UnitConfig& config, const Options& options);

}  // namespace vendra::sim
