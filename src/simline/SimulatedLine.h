// A simulated board network the programs start themselves, for a user without hardware: the
// board simulator runs in this process on its own thread, on a pseudo-terminal whose COM1 link
// lives in a private temporary folder (never the working folder, where a real COM<n> may be).
// The host opens it by path, as any device. Being a thread of the program, the simulator ends
// with it, also when the program is killed (the kernel closes the pty); the folder such a
// program leaves behind is removed by the next start.
//
// Its units: a network file the caller names, else the units kept from the last real scan
// (LastScan.cfg beside Config.cfg, read by the caller), else the demo network compiled into the
// program. Its motors may move at a chosen speed, and faults may be chosen to rehearse.
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

struct SimulatedNetworkChoice {
    std::string networkFile;    // a vendra-sim network file; "" for the kept or the demo units
    std::string keptUnits;      // "D3,X1,Q0": the last real scan's units; "" for the demo
    double stepsPerSecond = 0;  // every motor's speed; 0 for the file's or the simulator's own
    std::vector<std::string> faults;  // fault rules in the simulator's text form
};

class SimulatedLine {
  public:
    SimulatedLine();
    ~SimulatedLine();  // Stop()
    SimulatedLine(const SimulatedLine&) = delete;
    SimulatedLine& operator=(const SimulatedLine&) = delete;

    bool Start(const SimulatedNetworkChoice& choice, std::string& error);
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
