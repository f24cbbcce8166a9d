// The boards on the line: the units, the rate they listen at, and the frame dispatcher. Frames
// beginning with "GG" go to every unit ("GG*" stops every unit's on-board program, "GG!" every
// move, "GGc<code>" switches every unit to the rate of code 0..6; "GGZ" erases and "GGK<a>" starts
// the on-board programs of the DBoard, UBoard and HBoard units); they are never answered. Other
// frames go to the unit their first two characters address (D, U, H, Q + digit; W, X, Y, Z +
// digit for AxisBoard units); a frame for an absent unit, or one that addresses nobody, is not
// answered. While a unit loads its program memory, every line goes to it.
// Not thread-safe: the simulator calls it under its lock.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/BoardUnit.h"
#include "sim/QBoard.h"
#include "sim/SimConfig.h"

namespace vendra::sim {

class Network {
  public:
    // Builds the units and links of `options`; false with `error` for duplicates or links to a
    // missing QBoard unit.
    bool Build(const Options& options, SimTime now, std::string& error);

    // Handles one frame (without CR). Returns true and fills `reply` when the frame is answered.
    // `note` says what a frame that is not answered did, for the log.
    bool HandleFrame(const std::string& frame, SimTime now, Reply& reply, std::string& note);

    // The unit a frame addresses (nullptr for global frames and absent units).
    BoardUnit* Addressee(const std::string& frame);

    uint32_t BoardBaud() const { return boardBaud_; }
    void SetBoardBaud(uint32_t baud) { boardBaud_ = baud; }

    // The unit whose program memory is loading, if any.
    BoardUnit* Loading() const { return loading_; }
    // True once after a star command ("GG*", or a unit's own): the boards stop what they were
    // sending (a listing under way).
    bool TakeStopOutput() { return std::exchange(stopOutput_, false); }

    BoardUnit* FindUnit(Family family, int address);
    BoardUnit* FindUnit(const std::string& name);  // "D3", "X1", "Q0"
    Motor* FindMotor(const MotorId& id);
    QBoard* FindQBoard(int address);
    bool SetLink(const LinkConfig& link, SimTime now, std::string& error);
    const std::vector<std::unique_ptr<BoardUnit>>& Units() const { return units_; }

  private:
    bool HandleGlobal(const std::string& frame, SimTime now, std::string& note);

    std::vector<std::unique_ptr<BoardUnit>> units_;
    BoardUnit* loading_ = nullptr;
    bool stopOutput_ = false;
    uint32_t boardBaud_ = 57600;
};

}  // namespace vendra::sim
