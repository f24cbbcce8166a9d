#include "core/app/TargetBoard.h"

#include <algorithm>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"

namespace vendra {

namespace {
constexpr uint8_t kAxisBoardFamily = 4;  // an AxisBoard unit is found through its X axis
}

bool SelectTargetBoard(SystemState& state, Operator& op) {
    AppState& app = state.App;
    if (state.Units.totalUnits.load() == 1) {
        app.SelectedBoardFamily = state.Units.lastFoundFamily.load();
        app.SelectedBoardAddress = state.Units.lastFoundAddress.load();
        if (app.SelectedBoardFamily.load() != kAxisBoardFamily) return true;
        uint8_t axis = app.SelectedBoardFamily.load();
        if (!op.AskBoardType(axis)) return false;
        app.SelectedBoardFamily = axis;
        return true;
    }
    // The dialogs show the current choice; a value they cannot show starts at their first item.
    uint8_t family = app.SelectedBoardFamily.load();
    if (family > 7) family = 0;
    if (!op.AskBoardType(family)) return false;
    app.SelectedBoardFamily = std::min<uint8_t>(family, 7);
    uint8_t address = app.SelectedBoardAddress.load();
    if (address > 15) address = 0;
    if (!op.AskBoardAddress(address)) return false;
    app.SelectedBoardAddress = std::min<uint8_t>(address, 15);
    return true;
}

}  // namespace vendra
