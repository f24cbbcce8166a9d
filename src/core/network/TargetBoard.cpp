#include "core/network/TargetBoard.h"

#include <algorithm>

#include "core/base/AppState.h"
#include "core/base/Operator.h"
#include "core/base/UnitMap.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

bool SelectTargetBoard(AppState& app, const UnitMap& units, Operator& op) {
    if (units.totalUnits.load() == 1) {
        app.SelectedBoardFamily = units.lastFoundFamily.load();
        app.SelectedBoardAddress = units.lastFoundAddress.load();
        // An AxisBoard unit is found through its X axis: the axis is the operator's to choose.
        if (app.SelectedBoardFamily.load() != family::AxisX) return true;
        uint8_t axis = app.SelectedBoardFamily.load();
        if (!op.AskBoardType(axis)) return false;
        app.SelectedBoardFamily = axis;
        return true;
    }
    // The dialogs show the current choice; a value they cannot show starts at their first item.
    constexpr auto kLastFamily = static_cast<uint8_t>(protocol::kBoardFamilyCount - 1);
    uint8_t code = app.SelectedBoardFamily.load();
    if (code > kLastFamily) code = family::DBoard;
    if (!op.AskBoardType(code)) return false;
    app.SelectedBoardFamily = std::min(code, kLastFamily);
    uint8_t address = app.SelectedBoardAddress.load();
    if (address > 15) address = 0;
    if (!op.AskBoardAddress(address)) return false;
    app.SelectedBoardAddress = std::min<uint8_t>(address, 15);
    return true;
}

}  // namespace vendra
