// Which units answered at the last network initialisation.
// Thread rule: atomics (the initialisation worker writes, everyone reads).
#pragma once
#include <atomic>
#include <cstdint>

#include "core/base/UnitGroup.h"

namespace vendra {

struct UnitMap {
    std::atomic<uint32_t> present[kUnitGroups][16]{};
    std::atomic<uint32_t> armCpu[kUnitGroups][16]{};
    std::atomic<uint8_t> unitCount[kUnitGroups]{};
    std::atomic<uint8_t> totalUnits{0};
    std::atomic<uint8_t> lastFoundFamily{0};  // BoardFamily code: 0,1,2,4 (X axis) or 7
    std::atomic<uint8_t> lastFoundAddress{0};
    std::atomic<uint32_t> anyArmUnit{0};

    bool IsPresent(UnitGroup g, unsigned address) const {
        return address < 16 && present[static_cast<int>(g)][address].load() != 0;
    }
};

}  // namespace vendra
