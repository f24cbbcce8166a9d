// The examples' demo network on COM1 in a test's folder, its motors `speedFactor` times faster
// than the network file says, so that a test waits less for the same moves.
#pragma once
#include <QString>
#include <memory>
#include <string>

#include "sim/NetworkFile.h"
#include "sim/Simulator.h"
#include "support/SimStart.h"

namespace vendra::ui::test {

// The started simulator, or null with the reason in `error`.
inline std::unique_ptr<sim::Simulator> StartDemoNetwork(const QString& folder, int speedFactor,
                                                        std::string& error) {
    sim::Options options;
    if (!sim::LoadNetworkFile(std::string(VENDRA_EXAMPLES_DIR) + "/demo-network.txt", options,
                              error))
        return nullptr;
    options.defaultSpeed *= speedFactor;
    for (auto& unit : options.units)
        if (unit.speed) *unit.speed *= speedFactor;
    return sim::test::StartSimulator(folder.toStdString(), 1, {}, options, error);
}

}  // namespace vendra::ui::test
