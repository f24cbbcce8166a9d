// Starting the in-process board simulator for a test, in a folder the test names: SimNetwork's
// scratch folder, or a window test's working folder, where the program looks for its COM<n>.
#pragma once
#include <memory>
#include <string>

#include "sim/Simulator.h"

// In the simulator's own test namespace: the UI tests' `test::` names stay unambiguous.
namespace vendra::sim::test {

// The simulator started in `folder` on COM<port>, its units read from `units` ("D3,X1:ver=106,Q0")
// unless that is empty (then options.units as given, from a network file), the rest as in
// `options` (baud, pacing, speed, faults), which is left holding what it was started with. Null,
// with the reason in `error`, when the units cannot be read or the simulator cannot start.
inline std::unique_ptr<sim::Simulator> StartSimulator(const std::string& folder, int port,
                                                      const std::string& units,
                                                      sim::Options& options, std::string& error) {
    if (!units.empty()) {
        options.units = sim::Simulator::ParseUnits(units, &error);
        if (options.units.empty()) {
            error = "units \"" + units + "\": " + error;
            return nullptr;
        }
    }
    options.folder = folder;
    options.port = port;
    auto simulator = std::make_unique<sim::Simulator>(options);
    if (!simulator->Start()) {
        error = "simulator: " + simulator->Error();
        return nullptr;
    }
    return simulator;
}

}  // namespace vendra::sim::test
