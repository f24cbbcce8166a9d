#include "core/network/BaudScan.h"

#include "core/base/Waits.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

namespace {

constexpr int kPasses = 5;
constexpr int kProgressStep = 4;
constexpr uint32_t kFirstRate = 9600;
constexpr uint32_t kStarSettleMs = 200;

}  // namespace

BaudScanResult ScanBaudRates(NetworkState state, Operator& op, LineSession& session,
                             NetworkInitialiser& network, const BaudScanView& view) {
    auto progress = [&view](int percent) {
        if (view.Progress) view.Progress(percent);
    };
    auto enableButton = [&view](bool enabled) {
        if (view.ScanButtonEnabled) view.ScanButtonEnabled(enabled);
    };
    BaudScanResult result;
    if (state.Serial.CurrentBaud.load() == 0 || !session.IsOpen()) {
        enableButton(session.IsOpen());
        return result;
    }
    progress(0);
    enableButton(false);
    const uint32_t savedRate = state.Serial.CurrentBaud.load();
    session.SetBaud(kFirstRate);
    int hits = 0, step = 0;
    for (int pass = 0; pass < kPasses && session.IsOpen(); ++pass) {
        ++result.Passes;
        session.Send(protocol::kStarFrame, Sending::Quiet);
        DelayMs(op, kStarSettleMs);
        for (UnitGroup group : kUnitGroupsInScanOrder) {
            if (!session.IsOpen()) break;
            if (network.ScanFamily(session, group, true)) ++hits;
            progress(++step * kProgressStep);
        }
        if (!session.IsOpen()) break;
        if (hits != 0) {
            result.FoundRate = state.Serial.CurrentBaud.load();
            break;
        }
        // A rate the port refuses is probed again on the next pass.
        if (uint32_t next = protocol::NextScanRate(state.Serial.CurrentBaud.load()))
            session.SetBaud(next);
    }
    result.LineLost = !session.IsOpen();
    if (!result.LineLost) {
        session.SetBaud(savedRate);
        const std::string text =
            result.FoundRate > 0
                ? "Found one or more boards with a baudrate of " + std::to_string(result.FoundRate)
                : std::string("Sorry, no boards found on the network");
        op.ShowMessageBox(text, "Communication Scan Complete!", mb::Warning);
    }
    enableButton(session.IsOpen());
    progress(0);
    return result;
}

}  // namespace vendra
