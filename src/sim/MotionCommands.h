// The position commands a motor unit accepts, in the grammar the host also uses to keep its own
// idea of the positions, so both sides agree on every frame:
//   A<n> / M<n>    absolute target n ("A" is also remembered for the "m" read-back)
//   R[N|Y]<s><n>   relative: target += n for sign '+', -= n for '-' (UBoard: R, any one
//                  character, sign, digits)
//   N              zero position (the character after it is passed over)
//   H / F          half-step / full-step mode
//   o ... ,        an option sequence: skipped up to the next ','
// In an AxisBoard frame each W, X, Y or Z (followed by the unit digit) selects the axis the
// following commands act on. Other characters are passed over. A command without its number, or
// with a bad sign, makes the whole text a parameter error and nothing is done.
#pragma once
#include <array>
#include <string>

#include "sim/Motor.h"

namespace vendra::sim {

// 'W','X','Y','Z' -> 0..3; -1 otherwise.
int AxisFromLetter(char letter);

enum class RelativeGrammar { Standard, UBoard };

struct MotionTarget {
    Motor* single = nullptr;       // single-motor units
    std::array<Motor*, 4> axes{};  // AxisBoard units: W, X, Y, Z
    int initialAxis = -1;          // the axis selected before the first letter
    bool aSetsPosition = false;
};

// Applies `text` from index `from`; returns '>' when done, '!' for a parameter error.
char ApplyMotionCommands(const std::string& text, size_t from, RelativeGrammar grammar,
                         bool axisFrame, const MotionTarget& target, SimTime now);

}  // namespace vendra::sim
