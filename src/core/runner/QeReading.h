// Filing of a QBoard encoder reading: channel counts, the temporary-register copies
// 40 + 2 x unit + channel, the data-logger file, the link rule that hands the count to a linked
// motor (halved while that motor is not in step mode) and the channels' display texts.
//
// Error rule: no messages; a unit above 15, a channel other than 0/1 or a link to a record that
// does not exist are ignored, never indexed. Thread rule: called by the activity that holds the
// line; every field it writes is atomic or a SharedText.
#pragma once
#include <string_view>

#include "core/base/UnitMap.h"
#include "core/runner/TempRegisters.h"
#include "core/serial/BoardState.h"

namespace vendra {

class QeDataLogger;

enum class QeReadingMode { None, OneChannel, BothChannels };

// The reading mode of a QBoard command text: 'P' first = both channels, 'p' first = one channel
// (channel 0 when the next character is '0', else 1); anything else is no reading.
QeReadingMode QeModeOf(std::string_view commandText, int& channel);

// What a reading updates: the channels and the motor records they link to, the register copies,
// and (read) which QBoard units are present.
struct QeReadingState {
    BoardState& Boards;
    TempRegisterFile& Registers;
    const UnitMap& Units;
};

// Files the value text of a reading reply of QBoard unit `unit`.
void FileQeReading(QeReadingState state, QeDataLogger* logger, unsigned unit, QeReadingMode mode,
                   int channel, std::string_view valueText);

}  // namespace vendra
