#include "core/tools/Monitors.h"

namespace vendra {

void ClearEncoderChannels(BoardState& boards) {
    for (auto& unit : boards.Qe)
        for (QeChannel& channel : unit) {
            channel.Count = 0;
            channel.Text.Set("0");
        }
}

void MarkTempRegistersChanged(TempRegisterFile& registers) {
    for (int n = 0; n < kShownTempRegisters; ++n) registers.TempRegisterChanged[n] = 1;
}

void MarkAllTempRegistersChanged(TempRegisterFile& registers) {
    for (auto& flag : registers.TempRegisterChanged) flag = 1;
}

std::string EncoderText(const BoardState& boards, int k) {
    if (k < 1 || k > kEncoderFields) return std::string();
    return boards.Qe[(k - 1) / 2][(k - 1) % 2].Text.Get();
}

std::optional<std::string> TakeChangedRegister(TempRegisterFile& registers, int n) {
    if (n < 0 || n >= kTempRegisters) return std::nullopt;
    if (registers.TempRegisterChanged[n].exchange(0) == 0) return std::nullopt;
    return SignedRegisterText(registers.TempRegisters[n].load());
}

std::string SignedRegisterText(uint32_t value) {
    return std::to_string(static_cast<int32_t>(value));
}

int DisplayIntervalMs(int32_t configuredMs) {
    return configuredMs < kMinDisplayIntervalMs ? kMinDisplayIntervalMs : configuredMs;
}

}  // namespace vendra
