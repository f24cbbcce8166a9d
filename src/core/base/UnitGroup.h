// The five unit groups of discovery and of the main window, in scan order.
#pragma once

namespace vendra {

enum class UnitGroup : int { DBoard = 0, UBoard = 1, HBoard = 2, AxisBoard = 3, QBoard = 4 };
constexpr int kUnitGroups = 5;
// The order in which discovery and the baud scan ask the groups.
constexpr UnitGroup kUnitGroupsInScanOrder[kUnitGroups] = {UnitGroup::DBoard, UnitGroup::UBoard,
                                                           UnitGroup::HBoard, UnitGroup::AxisBoard,
                                                           UnitGroup::QBoard};

}  // namespace vendra
