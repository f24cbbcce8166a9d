#include "support/SimNetwork.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "core/serial/BoardProtocol.h"
#include "support/SimStart.h"

namespace vendra::test {

namespace {
std::string ScratchName() {
    static std::atomic<int> serial{0};
    std::string name = "vendra_" + std::to_string(::getpid()) + "_" + std::to_string(serial++);
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
        name += std::string("_") + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}
}  // namespace

SimNetwork::SimNetwork() : folder_(std::filesystem::temp_directory_path() / ScratchName()) {
    std::filesystem::create_directories(folder_);
}

SimNetwork::~SimNetwork() {
    if (sim_) sim_->Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool SimNetwork::Start(const std::string& units, sim::Options options, int port) {
    std::string error;
    options_ = std::move(options);
    sim_ = sim::test::StartSimulator(folder_.string(), port < 1 ? 1 : port, units, options_, error);
    if (!sim_) ADD_FAILURE() << error;
    return sim_ != nullptr;
}

bool SimNetwork::Start(sim::Options options) {
    return Start({}, options, options.port);
}

bool SimNetwork::Open(SerialPort& port) const {
    if (!sim_) return false;
    port.SetDeviceFolder(folder_.string());
    if (!port.OpenPort(options_.port, options_.boardBaud)) {
        ADD_FAILURE() << "open COM" << options_.port << ": " << port.LastError();
        return false;
    }
    port.State().CurrentBaud = options_.boardBaud;
    return true;
}

bool SimNetwork::Open(SerialLine& line) const {
    line.SetDeviceFolder(folder_.string());
    LineSession session = line.Take(LineUser::MainWindow);
    if (!session) {
        ADD_FAILURE() << "the line has an owner";
        return false;
    }
    return Open(session);
}

bool SimNetwork::Open(LineSession& session) const {
    if (!sim_) return false;
    if (!session.OpenDevice(sim_->LinkPath(), options_.boardBaud)) {
        ADD_FAILURE() << "open COM" << options_.port << ": " << session.LastError();
        return false;
    }
    session.SetCurrentBaud(options_.boardBaud);
    return true;
}

void SimNetwork::MarkPresent(UnitMap& units) const {
    for (const sim::UnitConfig& u : options_.units) {
        // The simulator's families are listed in the order of the unit groups.
        int group = static_cast<int>(u.family);
        if (units.present[group][u.address].exchange(1) != 0) continue;
        units.unitCount[group].fetch_add(1);
        units.totalUnits.fetch_add(1);
    }
    // The last unit the scan finds: groups in order, addresses rising.
    for (int g = kUnitGroups - 1; g >= 0; --g) {
        for (int a = 15; a >= 0; --a) {
            if (units.present[g][a].load() == 0) continue;
            units.lastFoundFamily = protocol::GroupFamily(static_cast<UnitGroup>(g)).code;
            units.lastFoundAddress = static_cast<uint8_t>(a);
            return;
        }
    }
}

}  // namespace vendra::test
