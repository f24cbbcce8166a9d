// What the host knows of each board unit from the frames it sent and the replies it read:
// last status characters, motor records and QBoard encoder channels.
// Thread rule: fields read by another thread (displays) are atomics; the rest are written and
// read by whichever single activity holds the line.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/base/SharedText.h"

namespace vendra {

// One motor (DBoard, UBoard, HBoard unit, or one axis of an AxisBoard unit).
struct MotorRecord {
    std::atomic<int32_t> Position{0};        // host-side position count
    std::atomic<int32_t> StepMode{1};        // 1 after "H", 0 after "F": halve linked counts
    std::atomic<uint8_t> EncoderUnit{0};     // QBoard unit of the linked encoder
    std::atomic<uint8_t> EncoderChannel{0};  // its channel 0/1
    std::atomic<int32_t> EncoderState{0};    // 1 = verify after moves
    std::atomic<uint8_t> PlusTolerance{0};
    std::atomic<uint8_t> MinusTolerance{0};
    std::atomic<int32_t> LinkedEncoderCount{0};  // last count of the linked channel
    std::atomic<uint8_t> RetryCount{3};
};

constexpr uint8_t kNotLinked = 255;
constexpr int kQeUnitSlots = 40;  // QBoard channel table size; units 0..15 are addressable

struct QeChannel {
    std::atomic<uint8_t> LinkUnit{kNotLinked};
    std::atomic<uint8_t> LinkCode{kNotLinked};
    std::atomic<int32_t> Count{0};
    // Readings filed since the program started (never reset), so a view can tell which channels
    // report.
    std::atomic<uint32_t> Readings{0};
    SharedText Text;  // count in decimal, "NA" when the unit is absent, "0" after the display opens
};

enum Axis { AxisW = 0, AxisX = 1, AxisY = 2, AxisZ = 3 };

struct BoardState {
    std::atomic<uint32_t> TransactionActive{0};
    std::atomic<int32_t> LastResponseValue{0};
    SharedText LastResponseText;

    // Last status character per unit: DBoard, UBoard, HBoard; AxisBoard per axis W, X, Y, Z.
    std::atomic<char> UnitStatusD[16]{};
    std::atomic<char> UnitStatusU[16]{};
    std::atomic<char> UnitStatusH[16]{};
    std::atomic<char> UnitStatusAxis[16][4]{};

    MotorRecord MotorD[16];
    MotorRecord MotorU[16];
    MotorRecord MotorH[16];
    MotorRecord MotorAxis[16][4];  // [unit][Axis]

    QeChannel Qe[kQeUnitSlots][2];
};

// The motor record of unit `unit` for a BoardFamily code 0..6 (D, U, H, the axes W..Z); nullptr
// for any other code or a unit above 15.
inline MotorRecord* MotorRecordFor(BoardState& boards, unsigned unit, uint8_t code) {
    if (unit > 15) return nullptr;
    switch (code) {
        case 0:
            return &boards.MotorD[unit];
        case 1:
            return &boards.MotorU[unit];
        case 2:
            return &boards.MotorH[unit];
        case 3:
        case 4:
        case 5:
        case 6:
            return &boards.MotorAxis[unit][code - 3];
        default:
            return nullptr;
    }
}

}  // namespace vendra
