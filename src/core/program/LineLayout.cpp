#include "core/program/LineLayout.h"

#include <initializer_list>

#include "core/program/CommandTable.h"

namespace vendra {

namespace {

constexpr LineField Num(uint8_t value) {
    return {FieldKind::Number, value, 0};
}
constexpr LineField Motor(uint8_t value) {
    return {FieldKind::Motor, value, 0};
}
constexpr LineField Target(uint8_t slot, uint8_t value) {
    return {FieldKind::Target, value, slot};
}
constexpr LineField kText{FieldKind::Text, 0, 0};
constexpr LineField kLabelName{FieldKind::LabelName, 0, 0};

struct Entry {
    uint8_t Code;  // kept beside its layout so that the order of the table is checked
    LineLayout Layout;
};

constexpr Entry Make(uint8_t code, std::initializer_list<LineField> fields, bool byType = false) {
    Entry e{code, {0, byType, {}}};
    for (const LineField& f : fields) e.Layout.Fields[e.Layout.Count++] = f;
    return e;
}

constexpr Entry kEntries[kCommandCount] = {
    Make(CmdNoOp, {}),
    Make(CmdVsend, {kText}),
    Make(CmdVsendna, {kText}),
    Make(CmdDBoard, {Num(0), kText}),
    Make(CmdSetDBoardPosition, {Num(0), Num(1)}),
    Make(CmdDBoardCheckDone, {Num(0), Target(0, 1), Target(1, 2)}),
    Make(CmdWaitDBoardDone, {Num(0), kText}),
    Make(CmdWaitDBoardResponse, {Num(0)}),
    Make(CmdUBoard, {Num(0), kText}),
    Make(CmdSetUBoardPosition, {Num(0), Num(1)}),
    Make(CmdUBoardCheckDone, {Num(0), Target(0, 1), Target(1, 2)}),
    Make(CmdWaitUBoardDone, {Num(0), kText}),
    Make(CmdWaitUBoardResponse, {Num(0)}),
    Make(CmdHBoard, {Num(0), kText}),
    Make(CmdSetHBoardPosition, {Num(0), Num(1)}),
    Make(CmdHBoardCheckDone, {Num(0), Target(0, 1), Target(1, 2)}),
    Make(CmdWaitHBoardDone, {Num(0), kText}),
    Make(CmdWaitHBoardResponse, {Num(0)}),
    Make(CmdAxisBoard, {Num(0), kText}),
    Make(CmdSetAxisBoardPosition, {Num(0), Motor(1), Num(2)}),
    Make(CmdAxisBoardCheckDone, {Num(0), Motor(1), Target(0, 2), Target(1, 3)}),
    Make(CmdWaitAxisBoardDone, {Num(0), Motor(1), kText}),
    Make(CmdWaitAxisBoardResponse, {Num(0), Motor(1)}),
    Make(CmdQBoard, {Num(0), kText}),
    Make(CmdLinkMe, {Num(0), Motor(1), Num(2), Num(3), Num(4), Num(5), Num(6), Num(7)}),
    Make(CmdDelay, {Num(0)}),
    Make(CmdSdelay, {Num(0)}),
    Make(CmdLoop, {Target(0, 0)}),
    Make(CmdCloop, {Num(0), Target(0, 1)}),
    Make(CmdSetTemp, {Num(0), Num(1)}),
    Make(CmdIncTemp, {Num(0), Num(1)}),
    Make(CmdDecTemp, {Num(0), Num(1)}),
    Make(CmdCompareTemp, {Num(0), Num(1), Target(0, 2), Target(1, 3), Target(2, 4)}),
    Make(CmdMoveRespTemp, {Num(0)}),
    Make(CmdMoveTempTemp, {Num(0), Num(1)}),
    Make(CmdUserInput, {Num(0)}, true),
    Make(CmdUserWait, {}),
    Make(CmdUserValue, {Num(1), Num(2), kText}),
    Make(CmdEnableCommDebug, {}),
    Make(CmdDisableCommDebug, {}),
    Make(CmdEnableQeDataLogger, {Num(0), kText}),
    Make(CmdPauseQeDataLogger, {}),
    Make(CmdDisableQeDataLogger, {}),
    Make(CmdLabel, {kLabelName}),
    Make(CmdEndProgram, {}),
};

constexpr bool InCodeOrder() {
    for (int i = 0; i < kCommandCount; ++i) {
        if (kEntries[i].Code != i) return false;
    }
    return true;
}
static_assert(InCodeOrder(), "every command's layout sits at its code");

// The fields of the types; a type without buttons (0, or one no dialog knows) keeps its text.
constexpr Entry kNoButtons = Make(CmdUserInput, {Num(0), kText});
constexpr Entry kTwoButtons = Make(CmdUserInput, {Num(0), Target(0, 1), Target(1, 2), kText});
constexpr Entry kThreeButtons =
    Make(CmdUserInput, {Num(0), Target(0, 1), Target(1, 2), Target(2, 3), kText});

constexpr LineLayout kNoFields{0, false, {}};

}  // namespace

const LineLayout& CommandLayout(uint8_t command) {
    return command < kCommandCount ? kEntries[command].Layout : kNoFields;
}

const LineLayout& UserInputLayout(uint32_t type) {
    switch (type) {
        case 1:
        case 2:
        case 4:
            return kTwoButtons.Layout;
        case 3:
        case 5:
            return kThreeButtons.Layout;
        default:
            return kNoButtons.Layout;
    }
}

}  // namespace vendra
