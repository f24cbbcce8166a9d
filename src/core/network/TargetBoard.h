// SelectTargetBoard: which unit a board tool (board information, communication test, on-board
// program transfer) talks to. With exactly one unit on the network that unit is taken without a
// question (for an AxisBoard unit only the axis is asked); otherwise the operator picks the board
// type, then the address. The choice is kept in SelectedBoardFamily / SelectedBoardAddress.
// Returns false when the operator cancelled a question (the selection then keeps the parts
// already chosen).
// Thread rule: any thread; the questions block it until answered.
#pragma once

namespace vendra {

struct AppState;
struct UnitMap;
class Operator;

// Reads the units found at the last initialisation; writes only the selection in `app`.
bool SelectTargetBoard(AppState& app, const UnitMap& units, Operator& op);

}  // namespace vendra
