// A simulated board network for tests that need the line: a scratch folder named after the
// running test, the simulator started in it (in-process, on its own thread) with its COM<n> link,
// and helpers to open a port on it and to mark its units present as the network initialisation
// would. Destruction stops the simulator and removes the folder; declare it before the Core (or
// port) that uses it, so the core is destroyed first.
#pragma once
#include <filesystem>
#include <memory>
#include <string>

#include "core/base/UnitMap.h"
#include "core/serial/LineSession.h"
#include "core/serial/SerialPort.h"
#include "sim/Simulator.h"

namespace vendra::test {

class SimNetwork {
  public:
    SimNetwork();
    ~SimNetwork();
    SimNetwork(const SimNetwork&) = delete;
    SimNetwork& operator=(const SimNetwork&) = delete;

    // Starts the simulator with `units` ("D3,X1:ver=106,Q0"; empty: options.units) on COM<port> in
    // the scratch folder (see sim::test::StartSimulator); `options` gives the rest (baud, pacing,
    // faults, links). False (with a test failure added) when the units cannot be read or the
    // simulator cannot start.
    bool Start(const std::string& units, sim::Options options = {}, int port = 1);
    bool Start(sim::Options options);

    // Opens `port` on the simulator's link at the boards' rate and sets CurrentBaud to it.
    bool Open(SerialPort& port) const;
    // The same on the line (taken for the while, so the line must be free) or a session on it.
    bool Open(SerialLine& line) const;
    bool Open(LineSession& session) const;
    // Marks every simulated unit present in `units` (an AxisBoard unit under AxisBoard), with the
    // counts, the total and the last unit found, as the network initialisation would.
    void MarkPresent(UnitMap& units) const;

    sim::Simulator& Sim() const { return *sim_; }
    sim::Simulator* operator->() const { return sim_.get(); }
    const sim::Options& Options() const { return options_; }
    const std::filesystem::path& Folder() const { return folder_; }
    // Path of a file in the scratch folder.
    std::string File(const std::string& name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
    sim::Options options_;
    std::unique_ptr<sim::Simulator> sim_;
};

}  // namespace vendra::test
