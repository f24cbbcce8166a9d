#include "core/network/BaudScan.h"

#include "core/serial/BoardProtocol.h"
#include "core/serial/SerialPort.h"

namespace vendra {

namespace {

constexpr int kPasses = 5;
constexpr int kProgressStep = 4;
constexpr uint32_t kFirstRate = 9600;
constexpr uint32_t kStarSettleMs = 200;

}  // namespace

BaudScanResult ScanBaudRates(NetworkState state, Operator& op, SerialPort& port,
                             NetworkInitialiser& network, const BaudScanView& view) {
    auto progress = [&view](int percent) {
        if (view.Progress) view.Progress(percent);
    };
    auto enableButton = [&view](bool enabled) {
        if (view.ScanButtonEnabled) view.ScanButtonEnabled(enabled);
    };
    BaudScanResult result;
    if (state.Serial.CurrentBaud.load() == 0 || !port.IsOpen()) {
        enableButton(port.IsOpen());
        return result;
    }
    progress(0);
    enableButton(false);
    const uint32_t savedRate = state.Serial.CurrentBaud.load();
    port.SetBaudRate(kFirstRate);
    int hits = 0, step = 0;
    for (int pass = 0; pass < kPasses && port.IsOpen(); ++pass) {
        ++result.Passes;
        port.WriteFrame(protocol::kStarFrame);
        DelayMs(op, kStarSettleMs);
        for (UnitGroup group : kUnitGroupsInScanOrder) {
            if (!port.IsOpen()) break;
            if (network.ScanFamily(group, true)) ++hits;
            progress(++step * kProgressStep);
        }
        if (!port.IsOpen()) break;
        if (hits != 0) {
            result.FoundRate = state.Serial.CurrentBaud.load();
            break;
        }
        // A rate the port refuses is probed again on the next pass.
        if (uint32_t next = protocol::NextScanRate(state.Serial.CurrentBaud.load()))
            port.SetBaudRate(next);
    }
    result.LineLost = !port.IsOpen();
    if (!result.LineLost) {
        port.SetBaudRate(savedRate);
        const std::string text =
            result.FoundRate > 0
                ? "Found one or more boards with a baudrate of " + std::to_string(result.FoundRate)
                : std::string("Sorry, no boards found on the network");
        op.ShowMessageBox(text, "Communication Scan Complete!", mb::Warning);
    }
    enableButton(port.IsOpen());
    progress(0);
    return result;
}

}  // namespace vendra
