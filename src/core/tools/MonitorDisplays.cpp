#include "core/tools/MonitorDisplays.h"

namespace vendra {

void ResetEncoderDisplay(BoardState& boards) {
    for (auto& unit : boards.Qe) {
        for (QeChannel& channel : unit) {
            channel.Count = 0;
            channel.Text.Set("0");
        }
    }
}

void MarkTempRegistersForDisplay(TempRegisterFile& registers) {
    for (int i = 0; i < kTempRegistersMarkedOnOpen; ++i) registers.TempRegisterChanged[i] = 1;
}

}  // namespace vendra
