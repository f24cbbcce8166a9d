#include "core/program/CommandDialogRows.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/program/CommandTable.h"

namespace vendra {

namespace {

// ---- fields ----

DialogField Number(uint8_t value, const char* component, const char* caption, uint32_t low,
                   uint32_t high, uint8_t row) {
    DialogField f;
    f.Role = EditRole::Number;
    f.Value = value;
    f.Component = component;
    f.Caption = caption;
    f.Low = low;
    f.High = high;
    f.Row = row;
    return f;
}

// A jump target: warns above 1000 when typed as a number; a double click picks a label.
DialogField Target(uint8_t slot, uint8_t value, const char* component, const char* caption,
                   uint8_t row) {
    DialogField f = Number(value, component, caption, 0, 1000, row);
    f.Role = EditRole::Target;
    f.Slot = slot;
    f.Picker = true;
    return f;
}

DialogField Letter(EditRole role, uint8_t value, const char* component, const char* caption,
                   uint8_t row) {
    DialogField f;
    f.Role = role;
    f.Value = value;
    f.Component = component;
    f.Caption = caption;
    f.Row = row;
    return f;
}

DialogField Text(const char* component, const char* caption, uint8_t row,
                 EditRole role = EditRole::Text) {
    DialogField f;
    f.Role = role;
    f.Component = component;
    f.Caption = caption;
    f.Row = row;
    f.Picker = role == EditRole::LabelName;
    return f;
}

DialogField Choice(uint8_t value, const char* component, const char* caption,
                   std::vector<const char*> items, uint8_t columns, uint8_t row,
                   std::vector<uint32_t> itemValues = {}) {
    DialogField f;
    f.Role = EditRole::Choice;
    f.Value = value;
    f.Component = component;
    f.Caption = caption;
    f.Items = std::move(items);
    f.ItemValues = std::move(itemValues);
    f.Columns = columns;
    f.High = static_cast<uint32_t>(f.Items.size() - 1);
    f.Row = row;
    return f;
}

DialogField Comment(uint8_t row, const char* component = "IDC_ADD_COMMENTS") {
    return Text(component, "Comments", row, EditRole::Comment);
}

// ---- rows ----

DialogRow Row(const char* className, const char* caption, std::initializer_list<uint8_t> commands,
              std::initializer_list<DialogField> fields) {
    DialogRow r;
    r.ClassName = className;
    r.Caption = caption;
    r.Commands = commands;
    r.Fields = fields;
    return r;
}

// A derived dialog: the base's layout, fields and defaults under a new class and caption.
DialogRow Derive(const DialogRow& base, const char* className, const char* caption,
                 std::initializer_list<uint8_t> commands) {
    DialogRow r = base;
    r.ClassName = className;
    r.Base = base.ClassName;
    r.Caption = caption;
    r.Commands = commands;
    return r;
}

DialogField& FieldOf(DialogRow& row, const char* component) {
    for (DialogField& f : row.Fields)
        if (std::strcmp(f.Component, component) == 0) return f;
    // The table below names only components its rows have; reaching here is a typo in it.
    std::abort();
}

DialogRow& Relabel(DialogRow& row, const char* component, const char* caption) {
    FieldOf(row, component).Caption = caption;
    return row;
}

// Puts `field` before the comment (the comment stays last).
void AddBeforeComment(DialogRow& row, DialogField field) {
    auto at = row.Fields.end();
    if (!row.Fields.empty() && row.Fields.back().Role == EditRole::Comment) --at;
    row.Fields.insert(at, std::move(field));
}

std::vector<DialogRow> BuildRows() {
    std::vector<DialogRow> rows;
    auto add = [&rows](DialogRow r) -> const DialogRow& {
        rows.push_back(std::move(r));
        return rows.back();
    };
    rows.reserve(48);

    // Text + comment, and the board command dialogs derived from it.
    DialogRow vsend = Row("TfnVSEND", "VSEND Command", {CmdVsend},
                          {Text("IDC_EDIT8", "Command String", 0), Comment(1)});
    add(vsend);
    add(Derive(vsend, "TfnVSENDNA", "VSENDNA Command", {CmdVsendna}));

    DialogRow dboard = Derive(vsend, "TfnDBoard", "DBoard Command", {CmdDBoard});
    dboard.Fields.insert(dboard.Fields.begin(),
                         Number(0, "IDC_EDIT9", "DBoard Address (0-15)", 0, 15, 0));
    dboard.Width = 353;
    dboard.Height = 112;
    add(dboard);
    DialogRow r = Derive(dboard, "TfnUBoard", "UBoard Command", {CmdUBoard});
    add(Relabel(r, "IDC_EDIT9", "UBoard Add. (0-15)"));
    r = Derive(dboard, "TfnHBoard", "HBoard Command", {CmdHBoard});
    add(Relabel(r, "IDC_EDIT9", "HBoard Address (0-15)"));
    r = Derive(dboard, "TfnAxisBoard", "AxisBoard Command", {CmdAxisBoard});
    add(Relabel(r, "IDC_EDIT9", "AxisBoard Address (0-15)"));
    r = Derive(dboard, "TfnQBoard", "QBoard Commands", {CmdQBoard});
    add(Relabel(r, "IDC_EDIT9", "QBoard Address (0-15)"));

    r = Derive(dboard, "TfnQE_CAP", "Please Input QBoard Data Logger Values",
               {CmdEnableQeDataLogger});
    FieldOf(r, "IDC_EDIT9") = Number(0, "IDC_EDIT9", "Captures per Line (1-32)", 1, 32, 0);
    Relabel(r, "IDC_EDIT8", "QE Datalogger Filename");
    r.Defaults = {{0, 1, DefaultWhen::Zero}};
    add(r);

    r = Derive(vsend, "TfnLABEL", "VDWin Program Label", {CmdLabel});
    FieldOf(r, "IDC_EDIT8") = Text("IDC_EDIT8", "Label Name", 0, EditRole::LabelName);
    r.AppendsLabel = true;
    r.BorderIcons = false;
    add(r);

    // Address + register + comment, and what derives from it.
    DialogRow setD = Row("TfnSETDBoard", "Set DBoard Position", {CmdSetDBoardPosition},
                         {Number(0, "IDC_EDIT9", "DBoard Address (0-15)", 0, 15, 0),
                          Number(1, "IDC_EDIT19", "Tmp Register (41-72)", 41, 72, 0), Comment(1)});
    // A fresh line opens without a warning: the register starts at the first valid one.
    setD.Defaults = {{1, 41, DefaultWhen::Below, 41}};
    add(setD);
    r = Derive(setD, "TfnSETUBoard", "Set UBoard Position", {CmdSetUBoardPosition});
    add(Relabel(r, "IDC_EDIT9", "UBoard Address (0-15)"));
    r = Derive(setD, "TfnSETHBoard", "Set HBoard Position", {CmdSetHBoardPosition});
    add(Relabel(r, "IDC_EDIT9", "HBoard Address (0-15)"));
    r = Derive(setD, "TfnSETAxisBoard", "Set AxisBoard Position", {CmdSetAxisBoardPosition});
    Relabel(r, "IDC_EDIT9", "AxisBoard Address (0-15)");
    FieldOf(r, "IDC_EDIT19").Value = 2;
    AddBeforeComment(r,
                     Letter(EditRole::AxisLetter, 1, "IDC_EDIT8", "AxisBoardMotor (A,X,Y,Z)", 1));
    r.Fields.back().Row = 2;
    r.Defaults = {{2, 41, DefaultWhen::Below, 41}, {1, MotorX, DefaultWhen::Zero}};
    add(r);

    r = Derive(setD, "TfnCLOOP", "CLoop Parameters", {CmdCloop});
    FieldOf(r, "IDC_EDIT9") = Number(0, "IDC_EDIT9", "Count (1-65534)", 1, 65534, 0);
    FieldOf(r, "IDC_EDIT19") = Target(0, 1, "IDC_EDIT19", "Address (0-1000)", 0);
    r.Notes = {{kNextLineNote, 1}};
    r.Fields.back().Row = 2;
    r.Defaults = {{0, 1, DefaultWhen::Zero}};
    add(r);

    DialogRow stemp = Derive(setD, "TfnSTEMP", "Temp Register Parameters", {CmdSetTemp});
    FieldOf(stemp, "IDC_EDIT9") = Number(0, "IDC_EDIT9", "Register (1-40)", 1, 40, 0);
    FieldOf(stemp, "IDC_EDIT19") = Number(1, "IDC_EDIT19", "Count (0-65535)", 0, 65535, 0);
    stemp.Defaults = {{0, 1, DefaultWhen::Zero}};
    add(stemp);
    add(Derive(stemp, "TfnINCTEMP", "Temp Inc. Register", {CmdIncTemp}));
    add(Derive(stemp, "TfnDECTEMP", "Temp Dec. Register", {CmdDecTemp}));
    r = Derive(stemp, "TfnCMPTEMP", "Compare Temp Registers", {CmdCompareTemp});
    FieldOf(r, "IDC_EDIT9") = Number(0, "IDC_EDIT9", "Register (1-56)", 1, 56, 0);
    Relabel(r, "IDC_EDIT19", "Number (0-65535)");
    AddBeforeComment(r, Target(0, 2, "IDC_EDIT1", "Less Than (0-1000)", 1));
    AddBeforeComment(r, Target(1, 3, "IDC_EDIT2", "Equal To (0-1000)", 1));
    AddBeforeComment(r, Target(2, 4, "IDC_EDIT3", "Greater Than (0-1000)", 1));
    r.Notes = {{kNextLineNote, 2}};
    r.Fields.back().Row = 3;
    add(r);

    // Address + comment.
    DialogRow waitD =
        Row("TfnWDBoardD", "Wait DBoard Done", {CmdWaitDBoardDone, CmdWaitDBoardResponse},
            {Number(0, "IDC_EDIT9", "DBoard Address (0-15)", 0, 15, 0), Comment(1)});
    waitD.Defaults = {{0, 0, DefaultWhen::FreshInNewProgram}};
    add(waitD);
    r = Derive(waitD, "TfnWUBoardD", "Wait UBoard Done",
               {CmdWaitUBoardDone, CmdWaitUBoardResponse});
    add(Relabel(r, "IDC_EDIT9", "UBoard Address (0-15)"));
    r = Derive(waitD, "TfnWHBoardD", "Wait HBoard Done",
               {CmdWaitHBoardDone, CmdWaitHBoardResponse});
    add(Relabel(r, "IDC_EDIT9", "HBoard Address (0-15)"));
    r = Derive(waitD, "TfnWAxisBoardD", "Wait AxisBoard Done",
               {CmdWaitAxisBoardDone, CmdWaitAxisBoardResponse});
    Relabel(r, "IDC_EDIT9", "AxisBoard Address (0-15)");
    AddBeforeComment(r,
                     Letter(EditRole::AxisLetter, 1, "IDC_EDIT10", "AxisBoard Motor (A,X,Y,Z)", 0));
    r.Defaults = {{1, MotorX, DefaultWhen::Zero}};
    add(r);
    r = Derive(waitD, "TfnMOVESTEMP", "Move Response to Temp. Reg. Command", {CmdMoveRespTemp});
    FieldOf(r, "IDC_EDIT9") = Number(0, "IDC_EDIT9", "From Stack to  Temp. Reg. (1-42)", 1, 42, 0);
    r.Defaults = {{0, 1, DefaultWhen::Zero}};
    add(r);

    // Address + two targets + comment.
    DialogRow checkD = Row("TfnDBoardCD", "DBoard Check Done", {CmdDBoardCheckDone},
                           {Number(0, "IDC_EDIT9", "DBoard Address (0-15)", 0, 15, 0),
                            Target(0, 1, "IDC_EDIT10", "Address (0-10000) Ready", 1),
                            Target(1, 2, "IDC_EDIT11", "Address (0-10000) Busy", 2), Comment(4)});
    checkD.Notes = {{kNextLineNote, 3}};
    checkD.Width = 311;
    checkD.Height = 182;
    add(checkD);
    r = Derive(checkD, "TfnUBoardCD", "UBoard Check Done", {CmdUBoardCheckDone});
    add(Relabel(r, "IDC_EDIT9", "UBoard Address (0-15)"));
    r = Derive(checkD, "TfnHBoardCD", "HBoard Check Done", {CmdHBoardCheckDone});
    add(Relabel(r, "IDC_EDIT9", "HBoard Address (0-15)"));
    r = Derive(checkD, "TfnAxisBoardCD", "AxisBoard Check Done", {CmdAxisBoardCheckDone});
    Relabel(r, "IDC_EDIT9", "AxisBoard Address (0-15)");
    r.Fields.insert(r.Fields.begin() + 1,
                    Letter(EditRole::AxisLetter, 1, "IDC_EDIT8", "AxisBoard Motor (A,X,Y,Z)", 0));
    // The targets follow the axis, as the line format and the address check expect.
    FieldOf(r, "IDC_EDIT10").Value = 2;
    FieldOf(r, "IDC_EDIT11").Value = 3;
    r.Defaults = {{1, MotorX, DefaultWhen::Zero}};
    add(r);

    // One number + comment.
    DialogRow delay =
        Row("TfnDELAY", "Delay Parameter", {CmdDelay},
            {Number(0, "IDC_EDIT9", "milliseconds Delay (1-65534)", 1, 65534, 0), Comment(1)});
    delay.Defaults = {{0, 1, DefaultWhen::Zero}};
    add(delay);
    r = Derive(delay, "TfnSDELAY", "Seconds Delay Parameter", {CmdSdelay});
    add(Relabel(r, "IDC_EDIT9", "Seconds Delay (1-65534)"));
    r = Derive(delay, "TfnLOOP", "Loop Parameters", {CmdLoop});
    FieldOf(r, "IDC_EDIT9") = Target(0, 0, "IDC_EDIT9", "Address (0-1000)", 0);
    r.Notes = {{kNextLineNote, 1}};
    r.Fields.back().Row = 2;
    r.Defaults = {{0, 1, DefaultWhen::FreshInNewProgram}};
    add(r);

    // Message + comment, and the button dialogs of the other types.
    DialogRow input0 = Row("TfnUSER_INPUT0", "User Input #0 Parameters", {CmdUserInput},
                           {Text("IDC_EDIT8", "Dialog Message String", 2), Comment(3)});
    input0.UserType = 0;
    add(input0);
    DialogRow input1 = Derive(input0, "TfnUSER_INPUT1", "User Input #1 Parameters", {CmdUserInput});
    input1.UserType = 1;
    input1.Fields.insert(input1.Fields.begin(),
                         {Target(0, 1, "IDC_EDIT5", "OK Address (0-1000)", 0),
                          Target(1, 2, "IDC_EDIT6", "Cancel Address (0-1000)", 0)});
    input1.Notes = {{kNextLineNote, 1}};
    input1.Defaults = {{1, 1, DefaultWhen::FreshInNewProgram},
                       {2, 1, DefaultWhen::FreshInNewProgram}};
    add(input1);
    r = Derive(input1, "TfnUSER_INPUT2", "User Input #2 Parameters", {CmdUserInput});
    r.UserType = 2;
    Relabel(r, "IDC_EDIT5", "YES Address (0-1000)");
    add(Relabel(r, "IDC_EDIT6", "NO Address (0-1000)"));
    r = Derive(input1, "TfnUSER_INPUT4", "User Input #4 Parameters", {CmdUserInput});
    r.UserType = 4;
    r.Defaults = {{1, 1, DefaultWhen::Fresh}, {2, 1, DefaultWhen::Fresh}};
    add(r);
    DialogRow input3 = Derive(input1, "TfnUSER_INPUT3", "User Input #3 Parameters", {CmdUserInput});
    input3.UserType = 3;
    Relabel(input3, "IDC_EDIT5", "YES Address (0-1000)");
    Relabel(input3, "IDC_EDIT6", "NO Address (0-1000)");
    input3.Fields.insert(input3.Fields.begin() + 2,
                         Target(2, 3, "IDC_EDIT7", "CANCEL Address (0-1000)", 0));
    input3.Defaults = {
        {1, 1, DefaultWhen::Fresh}, {2, 1, DefaultWhen::Fresh}, {3, 1, DefaultWhen::Fresh}};
    add(input3);
    r = Derive(input3, "TfnUSER_INPUT5", "User Input #5 Parameters", {CmdUserInput});
    r.UserType = 5;
    Relabel(r, "IDC_EDIT5", "ABORT Address (0-1000)");
    Relabel(r, "IDC_EDIT6", "RETRY Address (0-1000)");
    add(Relabel(r, "IDC_EDIT7", "IGNORE Address (0-1000)"));

    // The dialogs of their own. The runner verifies a link whose encoder value is 1 (as the
    // program files write it), so "Encoder Active" is the item that stores 1.
    r = Row("TfnLINKME", "Motor / Quad. Enc. Link Dialog", {CmdLinkMe},
            {Number(0, "IDC_EDIT3", "Motor Board (0-15)", 0, 15, 1),
             Letter(EditRole::LinkLetter, 1, "IDC_EDIT4", "Which Motor (X,Y,Z,S,H,U)", 1),
             Number(2, "IDC_ENCODER_BOARD", "Encoder Board (0-15)", 0, 15, 2),
             Number(3, "IDC_WHICH_ENCODER", "Encoder Channel (0/1)", 0, 1, 2),
             Choice(4, "EncoderChoice", "", {"Encoder Active", "Encoder Not Active"}, 2, 3, {1, 0}),
             Number(5, "IDC_ENCODER_RETRY", "Encoder Retry (0-255)", 0, 255, 4),
             Number(6, "IDC_ENCODER_PLUS_TOL", "Encoder Plus Tolorance", 0, 255, 5),
             Number(7, "IDC_ENCODER_NEG_TOL", "Encoder Minus Tolorance", 0, 255, 5),
             Comment(6, "IDC_COMMENTS")});
    r.Notes = {
        {"X=Multi-Axis Controllers,  Y=Multi-Axis Controllers,  Z=Multi-Axis "
         "Controllers,  S=DBoard,  U=UBoard,  H= HBoard",
         0}};
    r.Width = 334;
    r.Height = 309;
    r.BorderIcons = false;
    add(r);

    r = Row(
        "TfnMOVETTEMP", "Move Temp Reg. To Temp Reg.", {CmdMoveTempTemp},
        {Number(0, "IDC_EDIT1", "From Tmp Register (1-42)", 0, 41, 0),
         Number(1, "IDC_EDIT2", "To Tmp Register (1-41)", 0, 41, 0), Comment(1, "IDC_COMMENTS")});
    r.Defaults = {{0, 1, DefaultWhen::Zero}, {1, 1, DefaultWhen::Zero}};
    add(r);

    r = Row("TfnSelectC", "Please Select User Type", {CmdUserInput},
            {Choice(0, "UserType", "UserType",
                    {"User Input 0 (OK)", "User Input 1 (OK, Cancel)", "User Input 2 (Yes, No)",
                     "User Input 3 (Yes, No, Cancel)", "User Input 4 (Retry, Cancel)",
                     "User Input 5 (Abort, Retry, Ignore)"},
                    2, 0)});
    r.Width = 396;
    r.Height = 125;
    r.BorderIcons = false;
    add(r);

    r = Row("TfnUSER_INPUTV", "User Value Input", {CmdUserValue},
            {Number(1, "IDC_EDIT5", "Temp Register (1-56)", 1, 56, 0),
             Number(2, "IDC_EDIT6", "Initial Temp Value (0-4000000000", 0, 4000000000u, 0),
             Text("IDC_EDIT8", "Dialog Message String", 2), Comment(3)});
    r.Notes = {{"Address 0 = Goto Next Program Line", 1}};
    r.Defaults = {{1, 1, DefaultWhen::Zero}};
    add(r);
    return rows;
}

}  // namespace

const DialogField* DialogRow::Field(const char* component) const {
    for (const DialogField& f : Fields)
        if (std::strcmp(f.Component, component) == 0) return &f;
    return nullptr;
}

const std::vector<DialogRow>& DialogRows() {
    static const std::vector<DialogRow> rows = BuildRows();
    return rows;
}

const DialogRow* DialogRowByClass(const std::string& className) {
    for (const DialogRow& row : DialogRows())
        if (className == row.ClassName) return &row;
    return nullptr;
}

const DialogRow& UserTypeRow() {
    static const DialogRow* row = DialogRowByClass("TfnSelectC");
    return *row;
}

const DialogRow* DialogRowForLine(const ProgramLine& line) {
    for (const DialogRow& row : DialogRows()) {
        if (&row == &UserTypeRow()) continue;
        for (uint8_t code : row.Commands) {
            if (code != line.Command) continue;
            if (code == CmdUserInput && static_cast<uint32_t>(row.UserType) != line.Values[0])
                continue;
            return &row;
        }
    }
    return nullptr;
}

const LineLayout& RowLayout(const DialogRow& row, uint8_t command) {
    if (command == CmdUserInput && row.UserType >= 0) return UserInputLayout(row.UserType);
    return CommandLayout(command);
}

}  // namespace vendra
