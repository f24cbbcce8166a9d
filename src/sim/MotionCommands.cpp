#include "sim/MotionCommands.h"

#include <cctype>
#include <cstdint>
#include <vector>

namespace vendra::sim {

int AxisFromLetter(char letter) {
    switch (letter) {
        case 'W':
            return 0;
        case 'X':
            return 1;
        case 'Y':
            return 2;
        case 'Z':
            return 3;
        default:
            return -1;
    }
}

namespace {

enum class OpKind { Select, SetA, SetM, Relative, Zero, Half, Full };

struct Op {
    OpKind kind;
    int64_t value = 0;  // number, signed for Relative, axis index for Select
};

// Reads the run of digits at text[i]; false when there is none or it is too long to be a count.
bool ReadNumber(const std::string& text, size_t& i, int64_t& out) {
    size_t start = i;
    int64_t v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (i - start >= 18) return false;
        v = v * 10 + (text[i] - '0');
        ++i;
    }
    out = v;
    return i > start;
}

bool Parse(const std::string& text, size_t from, RelativeGrammar grammar, bool axisFrame,
           std::vector<Op>& ops) {
    bool skipping = false;
    size_t i = from;
    while (i < text.size()) {
        char c = text[i];
        if (axisFrame && AxisFromLetter(c) >= 0) {
            ops.push_back({OpKind::Select, AxisFromLetter(c)});
            skipping = false;
            i += 2;  // the axis letter and the unit digit after it
            continue;
        }
        if (skipping) {
            if (c == ',') skipping = false;
            ++i;
            continue;
        }
        ++i;
        int64_t n = 0;
        switch (c) {
            case 'o':
                skipping = true;
                break;
            case 'A':
            case 'M':
                if (!ReadNumber(text, i, n)) return false;
                ops.push_back({c == 'A' ? OpKind::SetA : OpKind::SetM, n});
                break;
            case 'R': {
                if (grammar == RelativeGrammar::UBoard) {
                    if (i >= text.size()) return false;
                    ++i;
                } else if (i < text.size() && (text[i] == 'N' || text[i] == 'Y')) {
                    ++i;
                }
                if (i >= text.size() || (text[i] != '+' && text[i] != '-')) return false;
                bool plus = text[i++] == '+';
                if (!ReadNumber(text, i, n)) return false;
                ops.push_back({OpKind::Relative, plus ? n : -n});
                break;
            }
            case 'N':
                ops.push_back({OpKind::Zero});
                ++i;
                break;
            case 'H':
                ops.push_back({OpKind::Half});
                break;
            case 'F':
                ops.push_back({OpKind::Full});
                break;
            default:
                break;
        }
    }
    return true;
}

}  // namespace

char ApplyMotionCommands(const std::string& text, size_t from, RelativeGrammar grammar,
                         bool axisFrame, const MotionTarget& target, SimTime now) {
    std::vector<Op> ops;
    if (!Parse(text, from, grammar, axisFrame, ops)) return '!';
    Motor* motor = axisFrame ? (target.initialAxis >= 0 ? target.axes[target.initialAxis] : nullptr)
                             : target.single;
    for (const Op& op : ops) {
        if (op.kind == OpKind::Select) {
            motor = target.axes[op.value];
            continue;
        }
        if (!motor) continue;
        switch (op.kind) {
            case OpKind::SetA:
                if (target.aSetsPosition)
                    motor->Redefine(op.value, now);
                else
                    motor->MoveTo(op.value, now);
                motor->lastA = op.value;
                break;
            case OpKind::SetM:
                motor->MoveTo(op.value, now);
                break;
            case OpKind::Relative:
                motor->MoveTo(motor->Target() + op.value, now);
                break;
            case OpKind::Zero:
                motor->Zero(now);
                break;
            case OpKind::Half:
                motor->SetFullStep(false, now);
                break;
            case OpKind::Full:
                motor->SetFullStep(true, now);
                break;
            case OpKind::Select:
                break;
        }
    }
    return '>';
}

}  // namespace vendra::sim
