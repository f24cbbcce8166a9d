// A QBoard unit: two quadrature-encoder counters. A channel either follows a linked motor (count =
// offset + round(scale * the motor's physical counts)) or holds a count set from outside.
// Commands after the address:
//   P         both counts: reply "q<d>><c0>,<c1>"
//   p0, p1    one count:   reply "q<d>><c>"
//   ""        status: "Q<d>>"
//   v<hex>    information item 0..1D
//   A<n>, m   the number is kept and read back (the communication test uses them)
//   D<a>, Q<a>, Q*, QZ, QK<a>   the program memory (ProgramMemory.h; the host puts the
//             family letter before the stop, erase and run commands)
//   anything else: "Q<d>>"
#pragma once
#include <array>
#include <optional>

#include "sim/BoardUnit.h"

namespace vendra::sim {

struct EncoderChannel {
    std::optional<MotorId> motor;  // the linked motor, if any
    int64_t offset = 0;
    double scale = 1.0;
    int64_t count = 0;  // the count of an unlinked channel
};

class QBoard : public BoardUnit {
  public:
    QBoard(const UnitConfig& config, const Options& options);
    bool Handle(const std::string& frame, SimTime now, Network& network, Reply& reply) override;
    void AbortMoves(SimTime) override {}
    Motor* FindMotor(int) override { return nullptr; }

    EncoderChannel& Channel(int channel) { return channels_.at(channel); }
    // The channel's count now (0 from a link whose motor does not exist).
    int64_t Count(int channel, SimTime now, Network& network) const;

  private:
    std::array<EncoderChannel, 2> channels_;
    int64_t lastA_ = 0;
};

}  // namespace vendra::sim
