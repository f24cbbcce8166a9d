#include "core/runner/QeReading.h"

#include <string>

#include "core/runner/QeDataLogger.h"
#include "core/serial/FrameText.h"

namespace vendra {
namespace {

void SetCount(QeReadingState& state, unsigned unit, int channel, int32_t count) {
    state.Boards.Qe[unit][channel].Count = count;
    state.Boards.Qe[unit][channel].Readings.fetch_add(1);
    int reg = 40 + 2 * static_cast<int>(unit) + channel;
    state.Registers.TempRegisters[reg] = static_cast<uint32_t>(count);
    state.Registers.TempRegisterChanged[reg] = 1;
}

void LinkAndShow(QeReadingState& state, unsigned unit, int channel) {
    QeChannel& ch = state.Boards.Qe[unit][channel];
    if (MotorRecord* rec = MotorRecordFor(state.Boards, ch.LinkUnit.load(), ch.LinkCode.load())) {
        if (rec->StepMode.load() == 0) ch.Count = ch.Count.load() >> 1;
        rec->LinkedEncoderCount = ch.Count.load();
    }
    bool present = state.Units.IsPresent(UnitGroup::QBoard, unit);
    ch.Text = present ? std::to_string(ch.Count.load()) : std::string("NA");
}

}  // namespace

QeReadingMode QeModeOf(std::string_view text, int& channel) {
    channel = 0;
    if (text.empty()) return QeReadingMode::None;
    if (text[0] == 'P') return QeReadingMode::BothChannels;
    if (text[0] != 'p') return QeReadingMode::None;
    channel = text.size() > 1 && text[1] == '0' ? 0 : 1;
    return QeReadingMode::OneChannel;
}

void FileQeReading(QeReadingState state, QeDataLogger* logger, unsigned unit, QeReadingMode mode,
                   int channel, std::string_view value) {
    if (unit > 15) return;
    if (mode == QeReadingMode::OneChannel) {
        if (channel != 0 && channel != 1) return;
        if (logger != nullptr) logger->WriteValue(std::string(value));
        SetCount(state, unit, channel, ReplyNumber(value));
        LinkAndShow(state, unit, channel);
    } else if (mode == QeReadingMode::BothChannels) {
        size_t comma = value.find(',');
        std::string_view first = value.substr(0, comma);
        std::string_view second =
            comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
        if (logger != nullptr) logger->WriteValue(std::string(first));
        if (logger != nullptr) logger->WriteValue(std::string(second));
        SetCount(state, unit, 0, ReplyNumber(first));
        SetCount(state, unit, 1, ReplyNumber(second));
        LinkAndShow(state, unit, 0);
        LinkAndShow(state, unit, 1);
    }
}

}  // namespace vendra
