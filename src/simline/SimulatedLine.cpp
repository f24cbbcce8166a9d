#include "simline/SimulatedLine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sim/NetworkFile.h"
#include "sim/Simulator.h"
#include "simline/DemoNetwork.h"

namespace vendra {

namespace {

// A new folder only this user can enter, under the system's temporary folder.
bool MakePrivateFolder(std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "vendra-sim-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "no temporary folder for the simulated network in " + base.string();
        return false;
    }
    folder = pattern;
    return true;
}

}  // namespace

SimulatedLine::SimulatedLine() = default;

SimulatedLine::~SimulatedLine() {
    Stop();
}

bool SimulatedLine::Start(const std::string& networkFile, const std::string& configFolder,
                          std::string& error) {
    Stop();
    source_.clear();
    sim::Options options;
    if (!networkFile.empty()) {
        if (!sim::LoadNetworkFile(networkFile, options, error)) return false;
        source_ = "network file " + networkFile;
    } else if (const std::string kept = LoadLastScanUnits(configFolder); !kept.empty()) {
        options.units = sim::Simulator::ParseUnits(kept, &error);
        if (options.units.empty()) {
            error = kLastScanFileName + std::string(": ") + error;
            return false;
        }
        source_ = "the units of the last scan (" + kept + ")";
    }
    if (!MakePrivateFolder(folder_, error)) return false;
    if (networkFile.empty() && source_.empty()) {
        // The demo's on-board program is found beside its network text, as from the file.
        const std::string program = folder_ + "/" + demo::kOnboardFileName;
        std::ofstream(program, std::ios::binary) << demo::kOnboardText;
        written_.push_back(program);
        if (!sim::ParseNetworkText(demo::kNetworkText, "the demo network", options, error,
                                   folder_)) {
            Stop();
            return false;
        }
        source_ = "the demo network";
    }
    options.folder = folder_;
    options.port = 1;
    simulator_ = std::make_unique<sim::Simulator>(options);
    if (!simulator_->Start()) {
        error = "the simulated network cannot start: " + simulator_->Error();
        Stop();
        return false;
    }
    return true;
}

void SimulatedLine::Stop() {
    if (simulator_) simulator_->Stop();  // removes its COM1 link
    simulator_.reset();
    for (const std::string& file : written_) std::remove(file.c_str());
    written_.clear();
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove(folder_, ec);  // only when empty: never someone else's files
    }
    folder_.clear();
}

bool SimulatedLine::Running() const {
    return simulator_ && simulator_->Running();
}

std::string SimulatedLine::DevicePath() const {
    return simulator_ ? simulator_->LinkPath() : std::string();
}

}  // namespace vendra
