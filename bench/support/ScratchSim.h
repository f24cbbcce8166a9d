// The simulator a benchmark talks to: started in-process, in a scratch folder of its own that goes
// away with it, with moves that end at once and no byte log kept in memory (a long run must not
// grow). Threads started after Start() (the simulator's own) wake at the time they ask for, not up
// to 50 us later, so that paced bytes leave on time.
#pragma once
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "sim/Simulator.h"

namespace vendra::bench {

class ScratchSim {
  public:
    explicit ScratchSim(const std::string& name)
        : folder_(std::filesystem::temp_directory_path() /
                  (name + "_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
    }
    ~ScratchSim() {
        if (sim_) sim_->Stop();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchSim(const ScratchSim&) = delete;
    ScratchSim& operator=(const ScratchSim&) = delete;

    // Starts `units` at `baud` on COM1 in the folder; prints why it could not.
    bool Start(const std::string& units, uint32_t baud) {
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        sim::Options options;
        options.folder = folder_.string();
        options.port = 1;
        options.units = sim::Simulator::ParseUnits(units);
        options.boardBaud = baud;
        options.defaultSpeed = 0;
        options.keepMemoryLog = false;
        sim_ = std::make_unique<sim::Simulator>(options);
        if (sim_->Start()) return true;
        std::fprintf(stderr, "simulator: %s\n", sim_->Error().c_str());
        return false;
    }
    sim::Simulator& Sim() { return *sim_; }
    std::string Folder() const { return folder_.string(); }
    std::string File(const std::string& name) const { return (folder_ / name).string(); }

  private:
    std::filesystem::path folder_;
    std::unique_ptr<sim::Simulator> sim_;
};

}  // namespace vendra::bench
