#include "core/tools/Terminal.h"

#include "core/serial/SerialPort.h"

namespace vendra {

namespace {
// One read's share of the input; a flood is read in several turns of the window's event loop.
constexpr size_t kReadChunk = 4096;
constexpr int kReadsPerCall = 16;
}  // namespace

Terminal::Terminal(SerialState& serial, SerialPort& port) : serial_(serial), port_(port) {}

Terminal::~Terminal() {
    Close();
}

Terminal::Opened Terminal::Open() {
    if (!line_) line_ = serial_.Line.Take(LineUser::Terminal);
    if (!line_) return Opened::Refused;
    portWasOpen_ = port_.IsOpen();
    if (!portWasOpen_) return Opened::Inert;
    lines_.ClearTyped();
    rememberedBaud_ = serial_.CurrentBaud.load();
    return Opened::Active;
}

void Terminal::Close() {
    if (!line_) return;
    if (portWasOpen_ && port_.IsOpen()) {
        // The port follows, so that CurrentBaud names the rate the line really runs at.
        if (serial_.CurrentBaud.load() != rememberedBaud_) port_.SetBaudRate(rememberedBaud_);
        serial_.CurrentBaud = rememberedBaud_;
    }
    portWasOpen_ = false;
    line_.Release();
}

bool Terminal::Active() const {
    return line_ && portWasOpen_ && port_.IsOpen();
}

int Terminal::Descriptor() const {
    return Active() ? port_.Descriptor() : -1;
}

bool Terminal::KeyPress(char c) {
    if (!Active()) return true;
    const std::string out = lines_.Type(c);
    return out.empty() || port_.WriteRaw(out);
}

std::vector<std::string> Terminal::ReadAvailable(uint64_t nowMs) {
    std::vector<std::string> lines;
    if (!Active()) return lines;
    char buffer[kReadChunk];
    for (int i = 0; i < kReadsPerCall; ++i) {
        long got = port_.ReadAvailable(reinterpret_cast<uint8_t*>(buffer), sizeof buffer);
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
