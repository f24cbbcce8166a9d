// What the main window does itself when the operator ticks "Disp. Encoders" or "Disp. Temp. Reg.",
// before the display window opens: the encoder display starts from zero counts, and the
// temporary-register display draws every register it shows once.
// Error rule: none. Thread rule: GUI thread; the fields are atomics and shared texts, so a
// runner writing readings meanwhile is safe (its reading simply lands after the reset).
#pragma once
#include "core/base/TempRegisters.h"
#include "core/serial/BoardState.h"

namespace vendra {

// Registers the temporary-register display marks changed when it opens (0..39).
constexpr int kTempRegistersMarkedOnOpen = 40;

// "Disp. Encoders" ticked: every QBoard channel of every unit slot gets the count 0 and the text
// "0".
void ResetEncoderDisplay(BoardState& boards);
// "Disp. Temp. Reg." ticked: the first 40 registers are marked changed, so all are drawn.
void MarkTempRegistersForDisplay(TempRegisterFile& registers);

}  // namespace vendra
