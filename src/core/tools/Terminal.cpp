#include "core/tools/Terminal.h"

#include <algorithm>

#include "core/base/Clock.h"
#include "core/network/BaudScan.h"

namespace vendra {

namespace {

// One read's share of the input; a flood is read in several turns of the worker's loop.
constexpr size_t kReadChunk = 4096;
constexpr int kReadsPerTurn = 16;

uint64_t NowMs() {
    return TickUs() / 1000;
}

}  // namespace

Terminal::Terminal(NetworkState state, Operator& op, SerialLine& line, NetworkInitialiser& network)
    : state_(state), op_(op), line_(line), network_(network) {}

Terminal::~Terminal() {
    Close();
}

Terminal::Opened Terminal::Open(TerminalView& view) {
    if (!session_) session_ = line_.Take(LineUser::Terminal);
    if (!session_) return Opened::Refused;
    open_ = true;
    view_ = &view;
    gone_ = false;
    portWasOpen_ = session_.IsOpen();
    if (!portWasOpen_) return Opened::Inert;
    {
        std::lock_guard<std::mutex> lock(typedMutex_);
        lines_.ClearTyped();
        outbox_.clear();
    }
    rememberedBaud_ = state_.Serial.CurrentBaud.load();
    session_.SetStopToken(StopToken(&wake_));
    worker_.Start([this](StopToken) { Job(); });
    return Opened::Active;
}

void Terminal::Close() {
    if (!open_) return;
    worker_.RequestStop();
    Wake();
    // The job ends at its next wake; a scan's waits end with it.
    while (!worker_.Wait(1000)) {
    }
    if (portWasOpen_ && session_.IsOpen()) {
        // The port follows, so that CurrentBaud names the rate the line really runs at.
        if (state_.Serial.CurrentBaud.load() != rememberedBaud_) session_.SetBaud(rememberedBaud_);
        state_.Serial.CurrentBaud = rememberedBaud_;
    }
    portWasOpen_ = false;
    open_ = false;
    view_ = nullptr;
    session_.Release();
}

bool Terminal::Active() const {
    return open_ && portWasOpen_ && !gone_.load();
}

void Terminal::Wake() {
    wake_ = true;
}

void Terminal::KeyPress(char c) {
    if (!Active()) return;
    std::lock_guard<std::mutex> lock(typedMutex_);
    const std::string out = lines_.Type(c);
    if (out.empty()) return;
    outbox_ += out;
    Wake();
}

bool Terminal::StartScan() {
    if (!Active() || scanning_.exchange(true)) return false;
    scanRequested_ = true;
    Wake();
    return true;
}

bool Terminal::SendTyped() {
    std::string out;
    {
        std::lock_guard<std::mutex> lock(typedMutex_);
        out.swap(outbox_);
    }
    return out.empty() || session_.WriteRaw(out) || session_.IsOpen();
}

void Terminal::Scan() {
    // The scan reads the line itself; what the terminal had received and not shown is gone.
    lines_.DiscardReceived();
    BaudScanView view;
    view.Progress = [this](int percent) { view_->ScanProgress(percent); };
    view.ScanButtonEnabled = [this](bool enabled) { view_->ScanButtonEnabled(enabled); };
    // The scan's waits must not end at a typed key: only Close ends them.
    session_.SetStopToken(worker_.Token());
    ScanBaudRates(state_, op_, session_, network_, view);
    session_.SetStopToken(StopToken(&wake_));
    scanning_ = false;
    op_.ActivityEnded(Activity::BaudScan);
}

void Terminal::Job() {
    char buffer[kReadChunk];
    while (!worker_.StopRequested()) {
        wake_ = false;
        if (!SendTyped()) break;
        if (scanRequested_.exchange(false)) {
            Scan();
            if (!session_.IsOpen()) break;
            continue;
        }
        const int64_t dueMs = lines_.MsUntilDue(NowMs());
        const uint32_t waitMs =
            dueMs < 0 ? kIdleWaitMs : static_cast<uint32_t>(std::min<int64_t>(dueMs, kIdleWaitMs));
        session_.WaitForInput(waitMs);
        std::vector<std::string> lines;
        for (int i = 0; i < kReadsPerTurn; ++i) {
            const long got = session_.ReadAvailable(buffer, sizeof buffer);
            if (got <= 0) break;
            std::vector<std::string> more =
                lines_.Receive(buffer, static_cast<size_t>(got), NowMs());
            lines.insert(lines.end(), std::make_move_iterator(more.begin()),
                         std::make_move_iterator(more.end()));
            if (static_cast<size_t>(got) < sizeof buffer) break;
        }
        // A line overdue by now is shown with this turn's lines.
        std::vector<std::string> due = lines_.Tick(NowMs());
        lines.insert(lines.end(), std::make_move_iterator(due.begin()),
                     std::make_move_iterator(due.end()));
        if (!lines.empty()) view_->ShowLines(std::move(lines));
        if (!session_.IsOpen()) break;
    }
    if (!session_.IsOpen() && portWasOpen_) {
        // The port layer has reported the loss; the window goes inert.
        gone_ = true;
        view_->LineGone();
    }
}

}  // namespace vendra
