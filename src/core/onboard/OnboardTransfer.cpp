#include "core/onboard/OnboardTransfer.h"

#include <algorithm>

#include "core/base/Clock.h"
#include "core/base/ScopedValue.h"
#include "core/onboard/OnboardFrames.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/BoardTransaction.h"
#include "core/serial/FrameText.h"
#include "core/serial/SerialPort.h"

namespace vendra {

namespace {

constexpr uint8_t kRawFamily = 255;  // text sent as given

}  // namespace

OnboardTransfer::OnboardTransfer(OnboardState state, Operator& op, SerialPort& port,
                                 BoardLink& link, TargetSelector selectTargetBoard)
    : state_(state),
      op_(op),
      port_(port),
      link_(link),
      selectTargetBoard_(std::move(selectTargetBoard)) {}

void OnboardTransfer::RequestCancel() {
    cancel_ = true;
}

void OnboardTransfer::ClearCancel() {
    cancel_ = false;
}

bool OnboardTransfer::SelectOnboardTarget() {
    const UnitMap& units = state_.Units;
    AppState& app = state_.App;
    int groupsWithUnits = 0;
    int lone = -1;
    for (int g = 0; g < kUnitGroups; ++g) {
        if (units.unitCount[g].load() == 0) continue;
        ++groupsWithUnits;
        lone = g;
    }
    bool single = groupsWithUnits == 1 && units.unitCount[lone].load() == 1;
    if (!single) return selectTargetBoard_ ? selectTargetBoard_() : false;

    auto group = static_cast<UnitGroup>(lone);
    uint8_t lowest = 0;
    for (uint8_t a = 0; a < 16; ++a) {
        if (units.IsPresent(group, a)) {
            lowest = a;
            break;
        }
    }
    if (group == UnitGroup::AxisBoard) {
        // Only the axis is asked; the unit is the one on the line.
        if (!selectTargetBoard_ || !selectTargetBoard_()) return false;
    } else {
        app.SelectedBoardFamily = protocol::GroupFamily(group).code;
    }
    app.SelectedBoardAddress = lowest;
    return true;
}

int OnboardTransfer::SendOnboardCommand(unsigned unit, uint8_t f, const std::string& text) {
    port_.PumpMessages();
    DiscardInput();
    const protocol::BoardFamilyInfo* family = protocol::FindFamily(f);
    if (family == nullptr) {
        link_.SendFrame(text);
        return 1;
    }
    std::string frame = OnboardCommandFrame(f, unit, text);
    if (frame.empty()) return 1;  // no such unit address: nothing to address
    endMarker_ = OnboardEndMarker(f, unit);
    link_.SendFrame(frame);
    return state_.Units.IsPresent(family->group, unit) ? 0 : 1;
}

uint32_t OnboardTransfer::ByteWaitMs() const {
    int32_t timeout = state_.Config.ReplyTimeout.load();
    return static_cast<uint32_t>(std::max(timeout, 0)) + kExtraLineWaitMs;
}

OnboardTransfer::Got OnboardTransfer::NextByte(char& byte) {
    if (aheadBegin_ < aheadEnd_) {
        byte = ahead_[aheadBegin_++];
        return Got::Byte;
    }
    const uint32_t waitMs = ByteWaitMs();
    const uint32_t start = TickMs();
    for (;;) {
        if (cancel_.load()) return Got::Cancelled;
        // Whole chunks: a long listing read a byte at a time would cost a system call a byte.
        long n = port_.ReadAvailable(reinterpret_cast<uint8_t*>(ahead_), sizeof ahead_);
        if (n > 0) {
            aheadBegin_ = 1;
            aheadEnd_ = static_cast<size_t>(n);
            byte = ahead_[0];
            return Got::Byte;
        }
        if (n < 0 || !port_.IsOpen()) return Got::Lost;
        uint32_t elapsed = TickMs() - start;
        if (elapsed >= waitMs) return Got::TimedOut;
        // In slices, so that a cancel is seen while the board is silent.
        port_.WaitForInput(std::min(kCancelSliceMs, waitMs - elapsed));
    }
}

bool OnboardTransfer::ReadBoardLine() {
    line_.clear();
    for (;;) {
        char byte = 0;
        Got got = NextByte(byte);
        if (got != Got::Byte) {
            lastFailure_ = got;
            return false;
        }
        if (byte == '\r') return true;
        // A LF of a CR LF line end is no part of the next line (it would hide the end marker).
        if (byte == '\n') continue;
        if (line_.size() + 1 < kBoardLineBytes) line_ += byte;
    }
}

bool OnboardTransfer::ReadPrompt() {
    for (;;) {
        char byte = 0;
        Got got = NextByte(byte);
        if (got != Got::Byte) {
            lastFailure_ = got;
            return false;
        }
        if (byte == ':') return true;
    }
}

void OnboardTransfer::DiscardInput() {
    port_.PurgeInput();
    aheadBegin_ = aheadEnd_ = 0;
}

int OnboardTransfer::Transaction(unsigned unit, uint8_t f, const std::string& text) {
    if (cancel_.load()) return 0;
    return link_.BoardTransaction(unit, f, text);
}

void OnboardTransfer::SendEraseCommands(unsigned unit, uint8_t f, int32_t timeoutMs) {
    if (OnboardUsesGlobalFrames(f)) {
        Transaction(unit, f, OnboardStarText(f));
        Transaction(unit, f, OnboardEraseText(f));
        return;
    }
    ScopedValue<int32_t> timeout(state_.Config.ReplyTimeout, timeoutMs);
    Transaction(unit, f, OnboardStarText(f));
    Transaction(unit, f, OnboardEraseText(f));
}

OnboardOutcome OnboardTransfer::Abort(Got why, const char* waitingFor) {
    DiscardInput();
    OnboardProgress& bar = state_.Onboard.Progress;
    if (why == Got::Cancelled) {
        abortReason_ = "cancelled by the operator";
        bar.Show(kOnboardCancelled, bar.BarMaximum.load(), 0);
        return OnboardOutcome::Cancelled;
    }
    abortReason_ = why == Got::Lost
                       ? std::string("the serial line went away")
                       : std::string("no answer from the board while waiting for ") + waitingFor;
    bar.Show(kOnboardAborted, bar.BarMaximum.load(), 0);
    return OnboardOutcome::Aborted;
}

OnboardOutcome OnboardTransfer::ReadOnboardProgram() {
    abortReason_.clear();
    OnboardProgram& program = state_.Onboard;
    OnboardProgress& bar = program.Progress;
    if (!SelectOnboardTarget()) {
        bar.Show(kOnboardAborted, bar.BarMaximum.load(), 0);
        return OnboardOutcome::NoTarget;
    }
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    line_.clear();
    ClearOnboardProgram(program);

    {
        ScopedValue<int32_t> timeout(state_.Config.ReplyTimeout, OnboardUsesGlobalFrames(f)
                                                                     ? kGlobalStarTimeoutMs
                                                                     : kStarTimeoutMs);
        Transaction(unit, f, OnboardStarText(f));
    }
    if (cancel_.load()) return Abort(Got::Cancelled, "");

    if (SendOnboardCommand(unit, f, protocol::kProgramSizeText) == 1) {
        program.BoardProgramSize = kUnknownSize;
    } else {
        if (!ReadBoardLine()) return Abort(lastFailure_, "the program memory's size");
        if (line_.size() > 2 && line_[2] == '>')
            program.BoardProgramSize = static_cast<uint32_t>(ReplyNumber(line_.c_str() + 3));
    }
    line_.clear();

    SendOnboardCommand(unit, f, OnboardListText(program.OnboardStartAddress.load()));
    bar.Show(kOnboardReading, program.BoardProgramSize.load(), 0);
    auto finish = [&](const char* caption, OnboardOutcome outcome) {
        program.OnboardCurrentLine = 0;
        program.OnboardSaved = 1;
        program.OnboardModified = 0;
        DiscardInput();
        bar.Show(caption, bar.BarMaximum.load(), 0);
        return outcome;
    };
    for (;;) {
        if (program.Full()) return finish(kOnboardOverflow, OnboardOutcome::Overflow);
        if (!ReadBoardLine()) return Abort(lastFailure_, "the next line of the listing");
        if (line_.size() >= 3 && line_.compare(0, 3, endMarker_) == 0)
            return finish(kOnboardComplete, OnboardOutcome::Complete);
        size_t colon = line_.find(':');
        if (colon == std::string::npos || colon + 1 == line_.size()) continue;
        std::string_view text = std::string_view(line_).substr(colon + 1);
        program.AppendLine(text);
        bar.BarPosition.fetch_add(static_cast<uint32_t>(CutOnboardLine(text).size()));
    }
}

OnboardOutcome OnboardTransfer::WriteOnboardProgram() {
    abortReason_.clear();
    OnboardProgram& program = state_.Onboard;
    OnboardProgress& bar = program.Progress;
    if (!SelectOnboardTarget()) return OnboardOutcome::NoTarget;
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();

    bar.Caption.Set(kOnboardErasing);
    SendEraseCommands(unit, f, kWriteEraseTimeoutMs);
    if (cancel_.load()) return Abort(Got::Cancelled, "");

    const std::vector<std::string> lines = program.Lines();
    bar.Show(kOnboardWriting, static_cast<uint32_t>(lines.size()), 0);
    int32_t txd = state_.Config.TXDdelay.load();
    ScopedValue<uint32_t> delay(state_.Serial.TransmitDelay,
                                static_cast<uint32_t>(std::max(txd, 0)));
    line_.clear();

    // A load broken off leaves the board taking every line it hears as program text: end it.
    auto abortLoad = [&](const char* waitingFor) {
        Got why = lastFailure_;
        if (why != Got::Lost) SendOnboardCommand(0, kRawFamily, kOnboardLoadEnd);
        return Abort(why, waitingFor);
    };
    SendOnboardCommand(unit, f, OnboardLoadText(program.OnboardStartAddress.load()));
    for (const std::string& line : lines) {
        if (!ReadPrompt()) return abortLoad("the board's ':' prompt");
        aheadBegin_ = aheadEnd_ = 0;  // the frame write purges the input
        link_.SendFrame(line + "\r");
        bar.BarPosition.fetch_add(1);
    }
    if (!ReadPrompt()) return abortLoad("the board's last ':' prompt");
    SendOnboardCommand(0, kRawFamily, kOnboardLoadEnd);
    bar.Show(kOnboardComplete, bar.BarMaximum.load(), 0);
    return OnboardOutcome::Complete;
}

OnboardOutcome OnboardTransfer::EraseOnboardProgram() {
    abortReason_.clear();
    op_.Beep(beep::Stop);
    if (op_.ShowMessageBox("You are going to ERASE a program, Continue?", kOnboardTitle,
                           mb::StopModalYesNo) != mb::IdYes)
        return OnboardOutcome::Cancelled;
    if (!SelectOnboardTarget()) return OnboardOutcome::NoTarget;
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    SendEraseCommands(unit, f, kEraseTimeoutMs);
    op_.Beep(beep::Information);
    op_.ShowMessageBox(kOnboardComplete, kOnboardTitle, mb::StopModal);
    return OnboardOutcome::Complete;
}

OnboardOutcome OnboardTransfer::RunOnboardProgram() {
    abortReason_.clear();
    if (!SelectOnboardTarget()) return OnboardOutcome::NoTarget;
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    Transaction(unit, f, OnboardRunText(f, state_.Onboard.OnboardStartAddress.load()));
    op_.Beep(beep::Information);
    op_.ShowMessageBox(kOnboardComplete, kOnboardTitle, mb::StopModal);
    return OnboardOutcome::Complete;
}

}  // namespace vendra
