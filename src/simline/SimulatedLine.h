// A simulated board network the programs start themselves, for a user without hardware: the
// board simulator runs in this process on its own thread, on a pseudo-terminal whose COM1 link
// lives in a private temporary folder (never the working folder, where a real COM<n> may be).
// The host opens it by path, as any device. Being a thread of the program, the simulator ends
// with it, also when the program is killed (the kernel closes the pty; only the empty temporary
// folder can be left behind then).
//
// Its units: a network file the caller names, else the units kept from the last real scan
// (LastScan.cfg beside Config.cfg), else the demo network compiled into the program.
//
// Error rule: nothing throws; Start returns false with a one-line reason.
// Thread rule: Start and Stop from one thread; the simulator answers on its own.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace vendra {

namespace sim {
class Simulator;
}

// The file beside Config.cfg that keeps the units of the last real scan, one line "D3,X1,Q0".
constexpr const char* kLastScanFileName = "LastScan.cfg";

// Writes `units` ("D3,X1,Q0") to LastScan.cfg in `folder`, replacing it whole; false with `error`.
bool SaveLastScanUnits(const std::string& folder, const std::string& units, std::string& error);
// The units kept in `folder`, "" when none are (no file, or an empty one).
std::string LoadLastScanUnits(const std::string& folder);

class SimulatedLine {
  public:
    SimulatedLine();
    ~SimulatedLine();  // Stop()
    SimulatedLine(const SimulatedLine&) = delete;
    SimulatedLine& operator=(const SimulatedLine&) = delete;

    // `networkFile`: the units and settings to simulate ("" for the kept or the demo units);
    // `configFolder`: where Config.cfg and LastScan.cfg are.
    bool Start(const std::string& networkFile, const std::string& configFolder, std::string& error);
    // Stops the simulator and removes its temporary folder.
    void Stop();
    bool Running() const;

    // The path the host opens (the COM1 link in the temporary folder).
    std::string DevicePath() const;
    // Which units are simulated: "the demo network", "network file F", "the units of the last
    // scan (D3,X1)".
    const std::string& Source() const { return source_; }
    sim::Simulator* Simulator() { return simulator_.get(); }

  private:
    std::string folder_;                // the private temporary folder
    std::vector<std::string> written_;  // files written into it (the demo's on-board program)
    std::string source_;
    std::unique_ptr<sim::Simulator> simulator_;
};

}  // namespace vendra
