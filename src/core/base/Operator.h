// The one door between the core and the person at the screen.
//
// Questions block the calling thread until answered; notifications never block. The Qt
// implementation marshals calls made on a worker thread to the GUI thread; the scripted test fake
// records notifications and answers questions from a queue. Every method may be called from any
// thread.
#pragma once
#include <cstdint>
#include <string>

#include "core/base/UnitGroup.h"

namespace vendra {

// Message-box flags and results, as the classic message-box values.
namespace mb {
constexpr unsigned Ok = 0x0, OkCancel = 0x1, AbortRetryIgnore = 0x2, YesNoCancel = 0x3, YesNo = 0x4,
                   RetryCancel = 0x5;
constexpr unsigned IconStop = 0x10, IconQuestion = 0x20, IconWarning = 0x30, IconInformation = 0x40;
constexpr unsigned SystemModal = 0x1000;
// The styles the system's messages use.
constexpr unsigned Warning = IconWarning | Ok;                             // 48
constexpr unsigned WarningYesNo = IconWarning | YesNo;                     // 52
constexpr unsigned Information = IconInformation | Ok;                     // 64
constexpr unsigned StopModal = IconStop | SystemModal | Ok;                // 0x1010
constexpr unsigned StopModalOkCancel = IconStop | SystemModal | OkCancel;  // 0x1011
constexpr unsigned StopModalYesNo = IconStop | SystemModal | YesNo;        // 0x1014
constexpr int IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7;
}  // namespace mb

// Beep sounds (the classic message-beep values).
namespace beep {
constexpr unsigned Default = 0x0, Stop = 0x10, Question = 0x20, Warning = 0x30, Information = 0x40;
}

enum class UnitIndicator { Reset, Marked, Disabled };  // Reset = enabled and unchecked

// Main-window menu items and check boxes that the core switches.
enum class MenuItem {
    TerminalAndNetworkScanning,
    AxisInformation,
    ChangeBaudrate,
    SerialNetworkTest,
    ArmConfiguration,
    CommDebugBox,  // the "Comm. Debug" check box's enabled state
    RunProgram,    // the "Run Program" button's enabled state
};
enum class CheckBox { CommDebug, ProgramDebug, Breakpoints, DispEncoders, DispTempReg, TimeStamp };
// The activities that run beside the windows, each a job of its own worker (core/base/Worker.h).
enum class Activity { NetworkInit, BoardInfo, CommTest, OnboardTransfer, Run, BaudScan };

class Operator {
  public:
    virtual ~Operator() = default;

    // ---- questions (block until answered) ----
    // Returns the button pressed (mb::Id*).
    virtual int ShowMessageBox(const std::string& text, const std::string& title,
                               unsigned flags) = 0;
    // Board-type dialog: family in/out (BoardFamily code 0..7). False when cancelled.
    virtual bool AskBoardType(uint8_t& family) = 0;
    // Board-address dialog: address in/out (0..15). False when cancelled.
    virtual bool AskBoardAddress(uint8_t& address) = 0;
    // Asks for a number (user_value): text is the message, value in/out. False when cancelled.
    virtual bool AskUserValue(const std::string& text, uint32_t& value) = 0;
    // "Test Length" dialog of the communication test: the steps chosen, 0 when cancelled. An
    // Operator without the dialog declines.
    virtual uint32_t AskTestLength() { return 0; }
    // A box the user program itself shows (user_input, user_wait): the program waits for the
    // person at the screen, whatever buttons the box has. Returns the button pressed.
    virtual int ShowProgramBox(const std::string& text, const std::string& title, unsigned flags) {
        return ShowMessageBox(text, title, flags);
    }
    // The line came back after it was lost during a run and every unit answers as before: go on
    // with the run at the line it was held at? `text` says where, that the boards may have moved
    // meanwhile and, with `repeatsCommand`, that resuming sends a command again that already
    // reached the boards (a person reads that in the text; a program decides by the flag).
    virtual bool AskResumeAfterLineLoss(const std::string& text, bool /*repeatsCommand*/) {
        return ShowMessageBox(text, "VDWin Comm Message",
                              mb::IconQuestion | mb::YesNo | mb::SystemModal) == mb::IdYes;
    }

    // ---- notifications (never block) ----
    virtual void SetSystemMessage(const std::string& text) = 0;
    virtual void SetUnitIndicator(UnitGroup group, int address, UnitIndicator state) = 0;
    virtual void SetUnitCount(UnitGroup group, const std::string& text) = 0;
    virtual void SetMenuEnabled(MenuItem item, bool enabled) = 0;
    // Sets a check box; setting it runs the box's own handling, as a click would.
    virtual void SetCheckBox(CheckBox box, bool checked) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void Beep(unsigned sound) = 0;
    // The core state changed in a way the windows should show (e.g. new log lines).
    virtual void StateChanged() = 0;
    // An activity's job has ended (its worker is idle again): the one way the windows learn it.
    virtual void ActivityEnded(Activity) {}

    // On the GUI thread: processes pending GUI events. On any other thread: does nothing.
    virtual void ProcessEvents() = 0;
    // The calling thread is the one whose events ProcessEvents pumps: its waits must stop often
    // to let them run, where a worker's waits may sleep longer.
    virtual bool PumpsEvents() const { return false; }
};

// An Operator with no screen to show things on (command-line tools, benchmarks, fuzz targets):
// every notification but the system message goes nowhere; the questions stay to be answered.
class ScreenlessOperator : public Operator {
  public:
    void SetSystemMessage(const std::string&) override {}
    void SetUnitIndicator(UnitGroup, int, UnitIndicator) override {}
    void SetUnitCount(UnitGroup, const std::string&) override {}
    void SetMenuEnabled(MenuItem, bool) override {}
    void SetCheckBox(CheckBox, bool) override {}
    void SetProgress(int) override {}
    void Beep(unsigned) override {}
    void StateChanged() override {}
    void ProcessEvents() override {}
};

}  // namespace vendra
