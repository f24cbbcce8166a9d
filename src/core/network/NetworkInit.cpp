#include "core/network/NetworkInit.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/base/Clock.h"
#include "core/network/ConfigFile.h"
#include "core/network/LastScan.h"

namespace vendra {

namespace {

// A "v3" reply number from which a unit counts as an ARM part.
constexpr int32_t kFirstArmCpuCode = 11;
constexpr int32_t kHighestPortNumber = 40;
constexpr const char* kPortErrorTitle = "VDWin Communications Port ERROR";

}  // namespace

void ClearUnitMap(UnitMap& units) {
    for (int g = 0; g < kUnitGroups; ++g) {
        for (int a = 0; a < 16; ++a) {
            units.present[g][a] = 0;
            units.armCpu[g][a] = 0;
        }
        units.unitCount[g] = 0;
    }
    units.totalUnits = 0;
    units.lastFoundFamily = 0;
    units.lastFoundAddress = 0;
    units.anyArmUnit = 0;
}

NetworkInitialiser::NetworkInitialiser(NetworkState state, Operator& op) : state_(state), op_(op) {}

int NetworkInitialiser::QueryUnit(LineSession& session, const char* frame, char* reply,
                                  size_t capacity) {
    return QueryUnitWithin(session, frame, reply, capacity,
                           static_cast<uint32_t>(std::max<int32_t>(session.ReplyTimeoutMs(), 0)));
}

std::string NetworkInitialiser::UnitIdentity(UnitGroup group, unsigned address) const {
    if (address > 15) return {};
    std::lock_guard<std::mutex> lock(identityMutex_);
    return identities_[static_cast<int>(group)][address];
}

void NetworkInitialiser::SetUnitIdentity(UnitGroup group, unsigned address, std::string identity) {
    if (address > 15) return;
    std::lock_guard<std::mutex> lock(identityMutex_);
    identities_[static_cast<int>(group)][address] = std::move(identity);
}

int NetworkInitialiser::QueryUnitWithin(LineSession& session, const char* frame, char* reply,
                                        size_t capacity, uint32_t timeoutMs) {
    state_.Serial.QuietWait = 1;
    session.DiscardInput();
    ReplyRule rule;
    rule.kind = ReplyRule::Kind::Identity;
    rule.text = frame;
    // A reply that is not this unit's (a late one, or another unit's) is passed over and the wait
    // goes on until the time-out: it must not hide the unit, nor make another one appear.
    const Reply answer = session.Exchange(frame, rule, timeoutMs, Sending::Quiet);
    if (reply != nullptr && capacity > 0) {
        const size_t n = std::min(answer.line.size(), capacity - 1);
        std::memcpy(reply, answer.line.data(), n);
        reply[n] = '\0';
    }
    // An answer whose CR never came still tells that the unit is there.
    const bool broken = answer.got == Reply::Got::Broken && rule.Answers(answer.line.c_str());
    return answer.got == Reply::Got::Answered || broken ? 1 : 0;
}

int NetworkInitialiser::ScanFamily(LineSession& session, UnitGroup group, bool probeOnly) {
    const int g = static_cast<int>(group);
    UnitMap& units = state_.Units;
    int result = 0;
    if (!session.IsOpen()) {
        op_.SetUnitCount(group, "0");
    } else {
        for (unsigned a = 0; a < 16 && !session.StopRequested(); ++a) {
            char reply[protocol::kReplyBufferSize] = {};
            if (QueryUnit(session, protocol::IdentityFrame(group, a, 0).c_str(), reply,
                          sizeof reply)) {
                if (!probeOnly) {
                    {
                        std::lock_guard<std::mutex> lock(identityMutex_);
                        identities_[g][a] = protocol::ParseReply(reply).value;
                    }
                    units.present[g][a] = 1;
                    units.unitCount[g] = units.unitCount[g] + 1;
                    units.totalUnits = units.totalUnits + 1;
                    units.lastFoundFamily = protocol::GroupFamily(group).code;
                    units.lastFoundAddress = static_cast<uint8_t>(a);
                    // The CPU type tells the ARM parts apart; a QBoard is never asked.
                    if (group != UnitGroup::QBoard) {
                        std::string v3 = protocol::IdentityFrame(group, a, 3);
                        char cpu[protocol::kReplyBufferSize] = {};
                        if (QueryUnit(session, v3.c_str(), cpu, sizeof cpu) &&
                            ConfigAtol(protocol::ParseReply(cpu).value.c_str()) >=
                                kFirstArmCpuCode) {
                            units.armCpu[g][a] = 1;
                            units.anyArmUnit = 1;
                        }
                    }
                }
                result = 1;
            }
            if (!probeOnly) op_.SetUnitCount(group, std::to_string(units.unitCount[g].load()));
        }
    }
    if (probeOnly) return result;
    for (int a = 0; a < 16; ++a) {
        op_.SetUnitIndicator(
            group, a, units.present[g][a].load() ? UnitIndicator::Marked : UnitIndicator::Disabled);
    }
    return result;
}

void NetworkInitialiser::Settle(const LineSession& session) {
    uint64_t end = TickUs() + (static_cast<uint64_t>(settleMs_) + 1) * 1000;
    for (uint64_t now = TickUs(); now < end && !session.StopRequested(); now = TickUs()) {
        SleepMs(static_cast<uint32_t>(std::min<uint64_t>((end - now + 999) / 1000, 10)));
        op_.ProcessEvents();
    }
}

int NetworkInitialiser::InitialiseNetwork(LineSession& session) {
    ClearUnitMap(state_.Units);
    {
        std::lock_guard<std::mutex> lock(identityMutex_);
        for (auto& group : identities_)
            for (auto& identity : group) identity.clear();
    }
    openedNote_.clear();
    // "No Comm" (or a rate the boards do not have) opens nothing, whatever the port number.
    uint32_t baud = state_.Serial.CurrentBaud.load();
    if (!protocol::IsSupportedBaud(baud)) return 0;
    const int32_t portNumber = state_.Config.CommPortNumber.load();
    if (devicePath_.empty() && (portNumber < 1 || portNumber > kHighestPortNumber)) {
        op_.ShowMessageBox("Can not open Communications Port\nThe port number " +
                               std::to_string(portNumber) + " is out of range (1 to " +
                               std::to_string(kHighestPortNumber) +
                               "): choose another in Configure System.",
                           kPortErrorTitle, mb::Warning);
        return 0;
    }
    state_.Serial.TransmitDelay = 0;
    if (devicePath_.empty())
        session.Open(portNumber, baud);
    else
        session.OpenDevice(devicePath_, baud);
    if (!session.IsOpen()) {
        op_.ShowMessageBox("Can not open Communications Port\n" + session.LastError(),
                           kPortErrorTitle, mb::Warning);
        return 0;
    }
    // Without a COM<n> link in the folder the port number names a system device: say which.
    // (On Windows the port is always the system's COM<n>: nothing to say.)
    if (devicePath_.empty() && session.OpenedSystemDevice(portNumber))
        openedNote_ = "COM" + std::to_string(portNumber) + " is not in the working folder, " +
                      session.DevicePath() + " was opened";
    LineSession::Setting scanTimeout = session.ReplyTimeout(state_.Config.InitTimeout.load());
    session.SetBaud(baud);
    Settle(session);
    session.Send(protocol::kStarFrame, Sending::QuietData);
    for (UnitGroup group : kUnitGroupsInScanOrder) {
        if (session.StopRequested()) break;
        ScanFamily(session, group, false);
    }
    return session.StopRequested() ? 0 : 1;
}

void NetworkInitialiser::ResetUnitButtons() {
    for (UnitGroup group : kUnitGroupsInScanOrder)
        for (int a = 0; a < 16; ++a) op_.SetUnitIndicator(group, a, UnitIndicator::Reset);
}

NetworkInitialisation::NetworkInitialisation(NetworkState state, Operator& op, SerialLine& line,
                                             NetworkInitialiser& network)
    : state_(state), op_(op), line_(line), network_(network) {}

bool NetworkInitialisation::Start() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobActive_) {
            restartPending_ = true;
            return false;
        }
        // A job that has decided to end may still be returning: it is done within moments.
        if (!worker_.Wait(1000)) return false;
        session_ = line_.Take(LineUser::NetworkInit, worker_.Token());
        if (!session_) return false;
        jobActive_ = true;
    }
    network_.ResetUnitButtons();
    return worker_.Start([this](StopToken) { Job(); },
                         [this] { op_.ActivityEnded(Activity::NetworkInit); });
}

void NetworkInitialisation::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        restartPending_ = false;
    }
    worker_.RequestStop();
}

void NetworkInitialisation::Job() {
    for (;;) {
        Execute();
        std::unique_lock<std::mutex> lock(mutex_);
        if (restartPending_ && !session_.StopRequested()) {
            restartPending_ = false;
            lock.unlock();
            network_.ResetUnitButtons();
            continue;
        }
        jobActive_ = false;
        session_.Release();
        return;
    }
}

void NetworkInitialisation::Execute() {
    op_.Beep(beep::Information);
    op_.SetSystemMessage("Please wait, Initializing the Serial Network");
    session_.Close();
    network_.InitialiseNetwork(session_);
    if (session_.StopRequested()) return;
    const UnitMap& units = state_.Units;
    op_.SetMenuEnabled(MenuItem::ArmConfiguration, units.anyArmUnit.load() == 1);
    if (state_.Serial.CurrentBaud.load() != 0 && units.totalUnits.load() != 0) {
        op_.SetMenuEnabled(MenuItem::TerminalAndNetworkScanning, true);
        op_.SetMenuEnabled(MenuItem::AxisInformation, true);
        op_.SetMenuEnabled(MenuItem::ChangeBaudrate, true);
        op_.SetMenuEnabled(MenuItem::SerialNetworkTest, true);
        op_.SetMenuEnabled(MenuItem::CommDebugBox, true);
    } else {
        op_.SetMenuEnabled(MenuItem::AxisInformation, false);
        op_.SetMenuEnabled(MenuItem::ChangeBaudrate, false);
        op_.SetMenuEnabled(MenuItem::ArmConfiguration, false);
    }
    // A real network's units are kept for a simulated one started later.
    if (state_.Serial.Simulated.load() == 0 && units.totalUnits.load() != 0) {
        std::string error;
        if (!SaveLastScanUnits(line_.DeviceFolder(), UnitList(units), error))
            op_.SetSystemMessage("The units found are not kept: " + error);
    }
    std::string done = "Initialization Complete .....";
    if (!network_.OpenedNote().empty()) done += " (" + network_.OpenedNote() + ")";
    if (state_.Serial.Simulated.load() != 0) done += " (SIMULATED NETWORK)";
    op_.SetSystemMessage(done);
    op_.Beep(beep::Information);
}

}  // namespace vendra
