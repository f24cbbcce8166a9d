#include "simline/SimulatedLine.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
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

constexpr const char* kFolderPrefix = "vendra-sim-";
constexpr const char* kOwnerFileName = "owner";  // the pid of the program that made the folder

std::filesystem::path TemporaryBase() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : base;
}

// The folders of programs that were killed (their link and files stay behind): a folder whose
// owner no longer runs is removed. Only folders with an owner file are ours to remove.
void RemoveFoldersOfEndedPrograms() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(TemporaryBase(), ec)) {
        if (entry.path().filename().string().rfind(kFolderPrefix, 0) != 0) continue;
        std::ifstream owner(entry.path() / kOwnerFileName);
        long pid = 0;
        if (!(owner >> pid) || pid <= 0) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

// A new folder only this user can enter, under the system's temporary folder.
bool MakePrivateFolder(std::string& folder, std::string& error) {
    const std::filesystem::path base = TemporaryBase();
    std::string pattern = (base / (std::string(kFolderPrefix) + "XXXXXX")).string();
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

bool SimulatedLine::Start(const SimulatedNetworkChoice& choice, std::string& error) {
    Stop();
    source_.clear();
    sim::Options options;
    const std::string& networkFile = choice.networkFile;
    if (!networkFile.empty()) {
        if (!sim::LoadNetworkFile(networkFile, options, error)) return false;
        source_ = "network file " + networkFile;
    } else if (!choice.keptUnits.empty()) {
        options.units = sim::Simulator::ParseUnits(choice.keptUnits, &error);
        if (options.units.empty()) {
            error = "the units of the last scan: " + error;
            return false;
        }
        source_ = "the units of the last scan (" + choice.keptUnits + ")";
    }
    RemoveFoldersOfEndedPrograms();
    if (!MakePrivateFolder(folder_, error)) return false;
    const std::string owner = folder_ + "/" + kOwnerFileName;
    std::ofstream(owner) << getpid() << "\n";
    written_.push_back(owner);
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
    if (choice.stepsPerSecond > 0) {
        options.defaultSpeed = choice.stepsPerSecond;
        for (sim::UnitConfig& unit : options.units) unit.speed.reset();
    }
    for (const std::string& rule : choice.faults) options.faults.push_back(rule);
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
