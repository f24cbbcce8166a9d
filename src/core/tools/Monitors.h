// The encoder display and the temporary-register display without their widgets: what the main
// window's check boxes do before the windows open, which value each field shows, and the
// register display's change rule.
// Error rule: pure functions over the state; a field or register number outside the shown range
// gives an empty text (encoders) or "no change" (registers), never an index past a table.
// Thread rule: called on the GUI thread while the runner writes the same state on its own; every
// field read or written is atomic or a SharedText.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "core/runner/TempRegisters.h"
#include "core/serial/BoardState.h"

namespace vendra {

constexpr int kEncoderFields = 32;       // Encoder1..Encoder32: units 0..15, two channels each
constexpr int kShownTempRegisters = 40;  // Temp1..Temp40 show registers 1..40
// The shortest refresh interval a display timer takes: an interval of 0 from the configuration
// would make the timer fire without pause.
constexpr int kMinDisplayIntervalMs = 10;

// "Disp. Encoders" ticked: every channel of every unit slot counts 0 and shows "0".
void ClearEncoderChannels(BoardState& boards);
// "Disp. Temp. Reg." ticked: the first 40 registers (0..39) count as changed.
void MarkTempRegistersChanged(TempRegisterFile& registers);
// The register display is shown: every register counts as changed, so that all are drawn.
void MarkAllTempRegistersChanged(TempRegisterFile& registers);

// The text of field Encoder<k> (k = 1..32): channel (k - 1) mod 2 of QBoard unit (k - 1) div 2.
std::string EncoderText(const BoardState& boards, int k);

// Register n's text when its change flag is set (the flag is cleared first, then the value read,
// so a write in between is shown again at the next turn); nothing when it has not changed.
std::optional<std::string> TakeChangedRegister(TempRegisterFile& registers, int n);
// A register as signed decimal: 4294967295 shows -1.
std::string SignedRegisterText(uint32_t value);

// A display timer's interval for a configured number of milliseconds.
int DisplayIntervalMs(int32_t configuredMs);

}  // namespace vendra
