// A simulated board unit: one class per family (StepperBoards.h for D, U and H units,
// AxisBoard.h, QBoard.h). A unit receives the frames addressed to it, acts, and says what it
// answers; the dispatcher (Network.h) formats and sends the answer. Not thread-safe: the
// simulator calls units under its lock.
#pragma once
#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "sim/Motor.h"
#include "sim/ProgramMemory.h"
#include "sim/SimConfig.h"

namespace vendra::sim {

class Network;

// What a unit answers: reply letter, unit digit, status character, value text. The line sent is
// letter, digit (upper-case hex), status, value, CR; or, for the program memory's listings and
// prompts, `raw` as it stands.
struct Reply {
    char letter = '?';
    int digit = 0;
    char status = '>';
    std::string value;
    std::string raw;
    std::string Line() const;
};

class BoardUnit {
  public:
    BoardUnit(const UnitConfig& config, const Options& options);
    virtual ~BoardUnit() = default;
    BoardUnit(const BoardUnit&) = delete;
    BoardUnit& operator=(const BoardUnit&) = delete;

    Family family() const { return config_.family; }
    int address() const { return config_.address; }
    std::string Name() const { return config_.Name(); }

    // `frame` is the whole frame without its CR (address included). Returns false when the unit
    // stays silent.
    virtual bool Handle(const std::string& frame, SimTime now, Network& network, Reply& reply) = 0;
    // "GG!": every move of the unit stops where it is.
    virtual void AbortMoves(SimTime now) = 0;
    // The letter its answer to `frame` (address included) begins with: an AxisBoard answers with
    // the lower-case axis letter, a QBoard with 'Q'.
    virtual char ReplyLetterFor(const std::string& frame) const;
    // The unit's motor: axis 0..3 for AxisBoard units, -1 for single-motor units.
    virtual Motor* FindMotor(int axis) = 0;

    const std::string& Item(int index) const { return items_.at(index); }
    // An item set by hand is answered whatever the firmware version says. Item F is also the
    // size of the program memory.
    void SetItem(int index, std::string value);
    // Whether the unit answers item `index`: the items its firmware version knows (0..9 below
    // 105, 0..15 up to 106, all 30 from then on) and every item it was given.
    bool KnowsItem(int index) const;

    UnitProgram& Program() { return program_; }
    const UnitProgram& Program() const { return program_; }
    // False when the program of its settings did not fit its memory.
    bool ProgramFits() const { return programFits_; }
    // A line heard while the program memory loads (see ProgramMemory.h); false: no answer.
    bool LoadLine(const std::string& line, Reply& reply);

  protected:
    // Answers "v<hex>" (information items 0..1D) with reply letter `letter`; false when `body`
    // is not an item query. An item beyond 1D is a parameter error.
    bool AnswerItemQuery(const std::string& body, char letter, Reply& reply) const;
    Reply MakeReply(char letter, char status, std::string value = {}) const;
    // Answers a program memory command (ProgramMemory.h) with reply letter `letter`; false when
    // `body` is none.
    bool AnswerProgramCommand(const std::string& body, char letter, Reply& reply);

    UnitConfig config_;
    double speed_;
    char busy_;
    char done_;
    std::array<std::string, kInfoItemCount> items_;
    std::array<bool, kInfoItemCount> given_{};
    UnitProgram program_;
    char programLetter_ = '?';  // reply letter of the load under way
    bool programFits_ = true;
};

std::unique_ptr<BoardUnit> MakeUnit(const UnitConfig& config, const Options& options);

}  // namespace vendra::sim
