// What the host knows of each board unit from the frames it sent and the replies it read:
// last status characters, motor records and QBoard encoder channels, and the lookups that pick a
// family's records (MotorRecordFor, StatusSlotFor).
// Thread rule: fields read by another thread (displays) are atomics; the rest are written and
// read by whichever single activity holds the line.
#pragma once
#include <atomic>
#include <cstdint>
#include <utility>

#include "core/base/SharedText.h"
#include "core/serial/BoardProtocol.h"

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

constexpr uint8_t kNotLinked = 255;  // a QBoard channel's link unit while no motor is linked
constexpr int kQeUnitSlots = 40;     // QBoard channel table size; units 0..15 are addressable

struct QeChannel {
    std::atomic<uint8_t> LinkUnit{kNotLinked};
    std::atomic<uint8_t> LinkCode{family::NotLinked};
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

// ---- the records of a family's unit ----
// The one place that picks a family's array: every other place looks records up here.

// The motor record of unit `unit` for a BoardFamily code: the DBoard, UBoard or HBoard unit's
// record, or for an axis code (W..Z) that axis of the AxisBoard unit; nullptr for any other code
// (QBoard, the AxisBoard unit as a whole, raw text) or a unit above 15.
inline const MotorRecord* MotorRecordFor(const BoardState& boards, unsigned unit, uint8_t code) {
    if (unit > 15) return nullptr;
    switch (code) {
        case family::DBoard:
            return &boards.MotorD[unit];
        case family::UBoard:
            return &boards.MotorU[unit];
        case family::HBoard:
            return &boards.MotorH[unit];
        case family::AxisW:
        case family::AxisX:
        case family::AxisY:
        case family::AxisZ:
            return &boards.MotorAxis[unit][protocol::FindFamily(code)->axis];
        default:
            return nullptr;
    }
}
inline MotorRecord* MotorRecordFor(BoardState& boards, unsigned unit, uint8_t code) {
    return const_cast<MotorRecord*>(MotorRecordFor(std::as_const(boards), unit, code));
}

// The last-status slot of unit `unit` for a BoardFamily code, for the same codes and units as
// MotorRecordFor; nullptr for any other.
inline const std::atomic<char>* StatusSlotFor(const BoardState& boards, unsigned unit,
                                              uint8_t code) {
    if (unit > 15) return nullptr;
    switch (code) {
        case family::DBoard:
            return &boards.UnitStatusD[unit];
        case family::UBoard:
            return &boards.UnitStatusU[unit];
        case family::HBoard:
            return &boards.UnitStatusH[unit];
        case family::AxisW:
        case family::AxisX:
        case family::AxisY:
        case family::AxisZ:
            return &boards.UnitStatusAxis[unit][protocol::FindFamily(code)->axis];
        default:
            return nullptr;
    }
}
inline std::atomic<char>* StatusSlotFor(BoardState& boards, unsigned unit, uint8_t code) {
    return const_cast<std::atomic<char>*>(StatusSlotFor(std::as_const(boards), unit, code));
}

}  // namespace vendra
