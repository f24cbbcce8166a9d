// Where the boards cannot be played on a pseudo-terminal: a simulated start says so.
#include "simline/SimulatedLine.h"

namespace vendra {

// No simulator is built here: its pointer only ever holds nothing.
namespace sim {
class Simulator {};
}  // namespace sim

SimulatedLine::SimulatedLine() = default;

SimulatedLine::~SimulatedLine() = default;

bool SimulatedLine::Start(const SimulatedNetworkChoice&, std::string& error) {
    error = "a simulated network needs a pseudo-terminal, which this system does not have";
    return false;
}

void SimulatedLine::Stop() {}

bool SimulatedLine::Running() const {
    return false;
}

std::string SimulatedLine::DevicePath() const {
    return {};
}

}  // namespace vendra
