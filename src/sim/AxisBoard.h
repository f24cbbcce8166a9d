// An AxisBoard unit: four motors W, X, Y, Z answering frames that begin with an axis letter and
// the unit digit ("X1", "Y1A200", "X1A100,Y1A200"). Replies carry the lower-case letter of the
// frame's first axis. Commands after the first axis letter and digit:
//   ""        status of that axis
//   v<hex>    information item 0..1D (the unit's, whatever the axis)
//   m         the number last set with A on that axis
//   *, Z, K<a>, D<a>, Q<a>   the unit's program memory (ProgramMemory.h), through any axis;
//             the listing ends with the axis's lower-case letter ("x1c")
//   anything else: position commands; each axis letter in the frame selects the axis the
//   following commands act on.
#pragma once
#include <array>

#include "sim/BoardUnit.h"

namespace vendra::sim {

class AxisBoard : public BoardUnit {
  public:
    AxisBoard(const UnitConfig& config, const Options& options);
    bool Handle(const std::string& frame, SimTime now, Network& network, Reply& reply) override;
    void AbortMoves(SimTime now) override;
    Motor* FindMotor(int axis) override { return axis >= 0 && axis < 4 ? &motors_[axis] : nullptr; }

  private:
    std::array<Motor, 4> motors_;
};

}  // namespace vendra::sim
