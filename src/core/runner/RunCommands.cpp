// What each program line does when the runner executes it.
#include <cstdio>
#include <cstring>

#include "core/program/CommandTable.h"
#include "core/program/ProgramEdit.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/Runner.h"
#include "core/serial/CommDebugLog.h"

namespace vendra {

namespace {

std::string TextOf(const char (&field)[kTextSize]) {
    return {field, strnlen(field, kTextSize)};
}

bool IsAxisSelector(uint32_t v) {
    return v == family::AxisW || v == family::AxisX || v == family::AxisY || v == family::AxisZ ||
           v == family::AxisUnit;
}

}  // namespace

void Runner::Jump(const ProgramLine& line, int slot, uint32_t number) {
    const char* label = line.JumpLabels[slot];
    if (label[0] != '\0' && FindLabel(state_.Labels, label, state_.Run.ProgramPointer)) return;
    if (number == 0) return;
    // A target past the last line ends the run as the program's end would; the loop's increment
    // takes the pointer to LineCount.
    const uint32_t lineCount = state_.Program.LineCount;
    state_.Run.ProgramPointer =
        number > lineCount ? static_cast<int32_t>(lineCount) - 1 : static_cast<int32_t>(number) - 2;
}

Runner::Next Runner::AfterBoardCommand() {
    if (state_.Run.StopRun.load() == 0) return Next::Continue;
    state_.Run.ProgramRunning = 0;
    return Next::End;
}

Runner::Next Runner::Board(unsigned unit, uint8_t familyCode, const std::string& text) {
    if (unit > 15) return BadUnit(unit);
    step_.Command(unit, familyCode, text);
    return AfterBoardCommand();
}

Runner::Next Runner::BadLine(const std::string& what) {
    char text[300];
    std::snprintf(text, sizeof text, "Line %u: %s\nThe program has been stopped.", lineNumber_,
                  what.c_str());
    StopProgram(state_.Run);
    op_.ShowMessageBox(text, "VDWin Error Message", mb::Warning);
    return Next::End;
}

Runner::Next Runner::BadUnit(unsigned unit) {
    return BadLine("unit address " + std::to_string(unit) + " is out of range (0 to 15).");
}

Runner::Next Runner::BadRegister(uint32_t reg) {
    return BadLine("temporary register " + std::to_string(reg) +
                   " does not exist (registers 0 to 73).");
}

Runner::Next Runner::ExecuteLine(const ProgramLine& line) {
    const uint32_t* v = line.Values;
    RunState& run = state_.Run;
    switch (line.Command) {
        case CmdVsend:
            return Board(v[0], family::RawRead, TextOf(line.Text));
        case CmdVsendna:
            return Board(v[0], family::RawUnread, TextOf(line.Text));
        case CmdDBoard:
            return Board(v[0], family::DBoard, TextOf(line.Text));
        case CmdUBoard:
            return Board(v[0], family::UBoard, TextOf(line.Text));
        case CmdHBoard:
            return Board(v[0], family::HBoard, TextOf(line.Text));
        case CmdQBoard:
            return Board(v[0], family::QBoard, TextOf(line.Text));
        case CmdAxisBoard:
            return Board(v[0], family::AxisUnit, TextOf(line.Text));
        case CmdLinkMe:
            return LinkMe(line);
        case CmdDelay:
            return DelayLine(v[0] + 1) ? Next::Continue : Next::End;
        case CmdSdelay:
            return DelayLineSeconds(v[0]) ? Next::Continue : Next::End;
        case CmdLoop:
            Jump(line, 0, v[0]);
            return Next::Continue;
        case CmdCloop:
            // One counter for the whole program: nested cloops share it.
            if (run.CloopActive.load() == 0) {
                if (v[0] != 0) {
                    run.CloopCounter = v[0] - 1;
                    run.CloopActive = 1;
                    Jump(line, 0, v[1]);
                }
            } else if (run.CloopCounter.load() == 0) {
                run.CloopActive = 0;
            } else {
                run.CloopCounter.fetch_sub(1);
                Jump(line, 0, v[1]);
            }
            return Next::Continue;
        case CmdEnableCommDebug:
            EnableCommDebug(op_, log_);
            return Next::Continue;
        case CmdDisableCommDebug:
            DisableCommDebug(log_);
            return Next::Continue;
        case CmdEndProgram:
            run.ProgramRunning = 0;
            return Next::End;
        default:
            break;
    }
    if (line.Command >= CmdSetTemp && line.Command <= CmdMoveTempTemp) return RegisterCommand(line);
    if (line.Command >= CmdUserInput && line.Command <= CmdUserValue) return UserCommand(line);
    if (line.Command >= CmdEnableQeDataLogger && line.Command <= CmdDisableQeDataLogger)
        return LoggerCommand(line);
    if (line.Command >= CmdDBoard && line.Command <= CmdWaitAxisBoardResponse)
        return MotionCommand(line);
    return Next::Continue;  // no_op, label, and codes outside the table
}

Runner::Next Runner::RegisterCommand(const ProgramLine& line) {
    const uint32_t* v = line.Values;
    auto& reg = state_.Run.TempRegisters;
    auto& changed = state_.Run.TempRegisterChanged;
    switch (line.Command) {
        case CmdSetTemp:
            if (v[0] <= 40) reg[v[0]] = v[1], changed[v[0]] = 1;
            break;
        case CmdIncTemp:
            if (v[0] <= 40) {
                // The sum is taken wide so that a large amount saturates instead of wrapping.
                uint64_t sum = uint64_t{reg[v[0]].load()} + v[1];
                reg[v[0]] = sum > 65535 ? 65535u : static_cast<uint32_t>(sum);
                changed[v[0]] = 1;
            }
            break;
        case CmdDecTemp:
            if (v[0] <= 40) {
                uint32_t r = reg[v[0]].load();
                if (v[1] < r) reg[v[0]] = r - v[1];
                changed[v[0]] = 1;
            }
            break;
        case CmdCompareTemp: {
            if (v[0] >= kTempRegisters) return BadRegister(v[0]);
            uint32_t r = reg[v[0]].load();
            if (r < v[1])
                Jump(line, 0, v[2]);
            else if (r == v[1])
                Jump(line, 1, v[3]);
            else
                Jump(line, 2, v[4]);
            break;
        }
        case CmdMoveRespTemp:
            if (v[0] <= 40) {
                reg[v[0]] = static_cast<uint32_t>(state_.Boards.LastResponseValue.load());
                changed[v[0]] = 1;
            }
            break;
        case CmdMoveTempTemp:
            if (v[0] >= 1 && v[0] < kTempRegisters && v[1] >= 1 && v[1] < kTempRegisters) {
                reg[v[1]] = reg[v[0]].load();
                changed[v[1]] = 1;
            }
            break;
        default:
            break;
    }
    return Next::Continue;
}

Runner::Next Runner::UserCommand(const ProgramLine& line) {
    const uint32_t* v = line.Values;
    RunState& run = state_.Run;
    switch (line.Command) {
        case CmdUserInput: {
            // user_input types 0..5: OK, OK/Cancel, Yes/No, Yes/No/Cancel, Retry/Cancel and
            // Abort/Retry/Ignore, all with the information icon.
            static constexpr unsigned kFlags[6] = {
                mb::IconInformation | mb::Ok,          mb::IconInformation | mb::OkCancel,
                mb::IconInformation | mb::YesNo,       mb::IconInformation | mb::YesNoCancel,
                mb::IconInformation | mb::RetryCancel, mb::IconInformation | mb::AbortRetryIgnore};
            if (v[0] > 5)
                return BadLine("user_input type " + std::to_string(v[0]) +
                               " is out of range (0 to 5).");
            op_.Beep(beep::Question);
            const int b = op_.ShowProgramBox(TextOf(line.Text), "VDWin User Message", kFlags[v[0]]);
            switch (v[0]) {
                case 1:
                    b == mb::IdOk ? Jump(line, 0, v[1]) : Jump(line, 1, v[2]);
                    break;
                case 2:
                    b == mb::IdYes ? Jump(line, 0, v[1]) : Jump(line, 1, v[2]);
                    break;
                case 4:
                    b == mb::IdRetry ? Jump(line, 0, v[1]) : Jump(line, 1, v[2]);
                    break;
                case 3:
                    if (b == mb::IdYes)
                        Jump(line, 0, v[1]);
                    else if (b == mb::IdNo)
                        Jump(line, 1, v[2]);
                    else
                        Jump(line, 2, v[3]);
                    break;
                case 5:
                    if (b == mb::IdAbort)
                        Jump(line, 0, v[1]);
                    else if (b == mb::IdRetry)
                        Jump(line, 1, v[2]);
                    else
                        Jump(line, 2, v[3]);
                    break;
                default:
                    break;
            }
            return Next::Continue;
        }
        case CmdUserWait:
            op_.ShowProgramBox("Please Click on the OK button to Continue.", "VDWin Message",
                               mb::Information);
            return Next::Continue;
        case CmdUserValue: {
            // Asks the operator; Cancel leaves the register as it was.
            if (v[1] >= kTempRegisters) return BadRegister(v[1]);
            uint32_t value = v[2];
            if (op_.AskUserValue(TextOf(line.Text), value)) {
                run.UserValueCell = value;
                run.TempRegisters[v[1]] = value;
                run.TempRegisterChanged[v[1]] = 1;
            }
            return Next::Continue;
        }
        default:
            return Next::Continue;
    }
}

Runner::Next Runner::LoggerCommand(const ProgramLine& line) {
    RunState& run = state_.Run;
    switch (line.Command) {
        case CmdEnableQeDataLogger:
            EnableLogger(line);
            break;
        case CmdPauseQeDataLogger:
            if (run.QeLoggerOpen.load()) run.QeLoggerActive = 0;
            break;
        case CmdDisableQeDataLogger:
            FinishLogger(Finish::Close);
            break;
        default:
            break;
    }
    return Next::Continue;
}

Runner::Next Runner::LinkMe(const ProgramLine& line) {
    const uint32_t* v = line.Values;
    const uint32_t code = v[1];
    const bool axis = code == family::AxisX || code == family::AxisY || code == family::AxisZ;
    if (code > family::HBoard && !axis) return Next::Continue;  // W, Q, A and others: no link
    if (v[0] > 15) return BadUnit(v[0]);
    if (v[2] > 15) return BadLine("QBoard unit " + std::to_string(v[2]) + " is out of range.");
    if (v[3] > 1) return BadLine("encoder channel " + std::to_string(v[3]) + " is not 0 or 1.");
    MotorRecord* rec = MotorRecordFor(state_.Boards, v[0], static_cast<uint8_t>(code));
    rec->EncoderUnit = static_cast<uint8_t>(v[2]);
    rec->EncoderChannel = static_cast<uint8_t>(v[3]);
    rec->EncoderState = static_cast<int32_t>(v[4]);
    rec->PlusTolerance = static_cast<uint8_t>(v[6]);
    rec->MinusTolerance = static_cast<uint8_t>(v[7]);
    rec->RetryCount = static_cast<uint8_t>(v[5]);
    QeChannel& channel = state_.Boards.Qe[v[2]][v[3]];
    channel.LinkUnit = static_cast<uint8_t>(v[0]);
    channel.LinkCode = static_cast<uint8_t>(code);
    if (axis) state_.Run.LinksPresent = 1;
    return Next::Continue;
}

Runner::Next Runner::MotionCommand(const ProgramLine& line) {
    const uint32_t* v = line.Values;
    const uint8_t command = line.Command;
    // The DBoard, UBoard and HBoard blocks share one layout: raw, set position, check done,
    // wait done, wait response.
    static constexpr struct {
        uint8_t first, familyCode;
    } kBlocks[] = {{kDBoardFirstCode, family::DBoard},
                   {kUBoardFirstCode, family::UBoard},
                   {kHBoardFirstCode, family::HBoard},
                   {kAxisBoardFirstCode, family::AxisUnit}};
    uint8_t familyCode = family::AxisUnit, first = kAxisBoardFirstCode;
    for (const auto& block : kBlocks) {
        if (command >= block.first && command < block.first + 5) {
            first = block.first;
            familyCode = block.familyCode;
        }
    }
    const bool axisBoard = first == kAxisBoardFirstCode;
    const int which = command - first;  // 1 set position, 2 check, 3 wait done, 4 wait response
    const unsigned unit = v[0];
    if (unit > 15) return BadUnit(unit);
    RunState& run = state_.Run;

    if (which == 1) {
        if (!axisBoard) {
            if (v[1] >= kTempRegisters) return BadRegister(v[1]);
            return Board(unit, familyCode, "A" + std::to_string(run.TempRegisters[v[1]].load()));
        }
        const char letter =
            v[1] <= family::AxisZ ? CorrectionLetter(static_cast<uint8_t>(v[1])) : 0;
        if (v[1] < family::AxisW || letter == 0)
            return BadLine("set_AxisBoard_position needs the axis W, X, Y or Z.");
        if (v[2] >= kTempRegisters) return BadRegister(v[2]);
        return Board(unit, static_cast<uint8_t>(v[1]),
                     std::string(1, letter) + "A" + std::to_string(run.TempRegisters[v[2]].load()));
    }
    if (which == 2) {
        if (axisBoard) {
            if (!IsAxisSelector(v[1])) return Next::Continue;
            motion_.CheckDone(unit, static_cast<uint8_t>(v[1]), true) ? Jump(line, 0, v[2])
                                                                      : Jump(line, 1, v[3]);
        } else {
            motion_.CheckDone(unit, familyCode, true) ? Jump(line, 0, v[1]) : Jump(line, 1, v[2]);
        }
        return Next::Continue;
    }
    if (which == 3 || which == 4) {
        uint8_t code = familyCode;
        if (axisBoard) {
            if (!IsAxisSelector(v[1])) return Next::Continue;
            code = static_cast<uint8_t>(v[1]);
        }
        if (which == 3)
            motion_.WaitDone(unit, code, true);
        else
            motion_.WaitResponse(unit, code, true);
        if (AfterBoardCommand() == Next::End) return Next::End;
        UpdateMoveStatistics(state_.Run.Stats);
        return Next::Continue;
    }
    return Next::Continue;
}

}  // namespace vendra
