#include "core/tools/Terminal.h"

namespace vendra {

namespace {
// One read's share of the input; a flood is read in several turns of the window's event loop.
constexpr size_t kReadChunk = 4096;
constexpr int kReadsPerCall = 16;
}  // namespace

Terminal::Terminal(SerialState& serial, SerialLine& line) : serial_(serial), line_(line) {}

Terminal::~Terminal() {
    Close();
}

Terminal::Opened Terminal::Open() {
    if (!session_) session_ = line_.Take(LineUser::Terminal);
    if (!session_) return Opened::Refused;
    portWasOpen_ = session_.IsOpen();
    if (!portWasOpen_) return Opened::Inert;
    lines_.ClearTyped();
    rememberedBaud_ = serial_.CurrentBaud.load();
    return Opened::Active;
}

void Terminal::Close() {
    if (!session_) return;
    if (portWasOpen_ && session_.IsOpen()) {
        // The port follows, so that CurrentBaud names the rate the line really runs at.
        if (serial_.CurrentBaud.load() != rememberedBaud_) session_.SetBaud(rememberedBaud_);
        serial_.CurrentBaud = rememberedBaud_;
    }
    portWasOpen_ = false;
    session_.Release();
}

bool Terminal::Active() const {
    return session_ && portWasOpen_ && session_.IsOpen();
}

int Terminal::Descriptor() const {
    return Active() ? session_.Descriptor() : -1;
}

bool Terminal::KeyPress(char c) {
    if (!Active()) return true;
    const std::string out = lines_.Type(c);
    return out.empty() || session_.WriteRaw(out);
}

std::vector<std::string> Terminal::ReadAvailable(uint64_t nowMs) {
    std::vector<std::string> lines;
    if (!Active()) return lines;
    char buffer[kReadChunk];
    for (int i = 0; i < kReadsPerCall; ++i) {
        long got = session_.ReadAvailable(buffer, sizeof buffer);
        if (got <= 0) break;
        std::vector<std::string> more = lines_.Receive(buffer, static_cast<size_t>(got), nowMs);
        lines.insert(lines.end(), std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
        if (static_cast<size_t>(got) < sizeof buffer) break;
    }
    // A line overdue by now is shown with this turn's lines.
    std::vector<std::string> due = lines_.Tick(nowMs);
    lines.insert(lines.end(), std::make_move_iterator(due.begin()),
                 std::make_move_iterator(due.end()));
    return lines;
}

}  // namespace vendra
