#include "core/onboard/OnboardTransfer.h"

#include <algorithm>

#include "core/base/Clock.h"
#include "core/onboard/OnboardFrames.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/FrameText.h"

namespace vendra {

namespace {

// "DBoard 5", "AxisBoard 1", "QBoard A".
std::string UnitName(UnitGroup group, unsigned unit) {
    return std::string(protocol::GroupName(group)) + " " + protocol::UnitDigit(unit);
}

UnitGroup GroupOf(uint8_t f) {
    const protocol::BoardFamilyInfo* family = protocol::FindFamily(f);
    return family != nullptr ? family->group : UnitGroup::AxisBoard;
}

// A line from the unit: its reply letter (in either case) and its unit digit.
bool FromUnit(uint8_t f, unsigned unit, const std::string& line) {
    if (protocol::ReplyMatches(f, unit, line.c_str())) return true;
    const protocol::BoardFamilyInfo* family = protocol::FindFamily(f);
    return family != nullptr && line.size() >= 2 && line[0] == family->lowerLetter &&
           line[1] == protocol::UnitDigit(unit);
}

}  // namespace

OnboardTransfer::OnboardTransfer(OnboardState state, Operator& op, TargetSelector selectTargetBoard)
    : state_(state),
      op_(op),
      step_({state.Boards, state.Units, state.Run}, op, nullptr),
      selectTargetBoard_(std::move(selectTargetBoard)) {}

void OnboardTransfer::UseSession(LineSession* session) {
    session_ = session;
    step_.UseSession(session);
    // Cancel ends the session's waits for board output at once.
    if (session_ != nullptr) session_->SetStopToken(StopToken(&cancel_));
}

void OnboardTransfer::RequestCancel() {
    cancel_ = true;
}

void OnboardTransfer::ClearCancel() {
    cancel_ = false;
}

bool OnboardTransfer::SelectOnboardTarget() {
    const UnitMap& units = state_.Units;
    AppState& app = state_.App;
    int groupsWithUnits = 0;
    int lone = -1;
    for (int g = 0; g < kUnitGroups; ++g) {
        if (units.unitCount[g].load() == 0) continue;
        ++groupsWithUnits;
        lone = g;
    }
    bool single = groupsWithUnits == 1 && units.unitCount[lone].load() == 1;
    if (!single) return selectTargetBoard_ ? selectTargetBoard_() : false;

    auto group = static_cast<UnitGroup>(lone);
    uint8_t lowest = 0;
    for (uint8_t a = 0; a < 16; ++a) {
        if (units.IsPresent(group, a)) {
            lowest = a;
            break;
        }
    }
    if (group == UnitGroup::AxisBoard) {
        // Only the axis is asked; the unit is the one on the line.
        if (!selectTargetBoard_ || !selectTargetBoard_()) return false;
    } else {
        app.SelectedBoardFamily = protocol::GroupFamily(group).code;
    }
    app.SelectedBoardAddress = lowest;
    return true;
}

int OnboardTransfer::SendOnboardCommand(unsigned unit, uint8_t f, const std::string& text) {
    DiscardInput();
    const protocol::BoardFamilyInfo* family = protocol::FindFamily(f);
    if (family == nullptr) {
        step_.SendFrame(text);
        return 1;
    }
    std::string frame = OnboardCommandFrame(f, unit, text);
    if (frame.empty()) return 1;  // no such unit address: nothing to address
    endMarker_ = OnboardEndMarker(f, unit);
    step_.SendFrame(frame);
    return state_.Units.IsPresent(family->group, unit) ? 0 : 1;
}

uint32_t OnboardTransfer::ByteWaitMs() const {
    const int32_t timeout =
        session_ != nullptr ? session_->ReplyTimeoutMs() : state_.Config.ReplyTimeout.load();
    return static_cast<uint32_t>(std::max(timeout, 0)) + kExtraLineWaitMs;
}

OnboardTransfer::Got OnboardTransfer::GotOf(LinePiece::End end) {
    switch (end) {
        case LinePiece::End::Ended:
            return Got::Byte;
        case LinePiece::End::TimedOut:
            return Got::TimedOut;
        case LinePiece::End::Unended:
            return Got::Unended;
        case LinePiece::End::TooLong:
            return Got::TooLong;
        case LinePiece::End::Stopped:
            return Got::Cancelled;
        default:
            return Got::Lost;
    }
}

bool OnboardTransfer::ReadBoardLine() {
    return ReadBoardLineBy(TickUs() + ByteWaitUs());
}

bool OnboardTransfer::ReadBoardLineBy(uint64_t firstByteByUs) {
    line_.clear();
    if (session_ == nullptr) {
        lastFailure_ = Got::Lost;
        return false;
    }
    const uint64_t now = TickUs();
    const uint32_t firstByteMs =
        firstByteByUs > now ? static_cast<uint32_t>((firstByteByUs - now + 999) / 1000) : 0;
    LinePiece piece = session_->ReadPiece("\r", firstByteMs, ByteWaitMs(), kBoardLineBytes - 1);
    lastFailure_ = GotOf(piece.how);
    if (lastFailure_ != Got::Byte) return false;
    line_ = std::move(piece.text);
    return true;
}

bool OnboardTransfer::ReadProgramSize(unsigned unit, uint8_t f) {
    // Only the unit's own answer tells its size (another unit's line is passed over), and only a
    // number of at least 1: "D5>" or "D5>0" would leave no address to choose.
    const uint64_t firstByteBy = TickUs() + ByteWaitUs();
    do {
        if (!ReadBoardLineBy(firstByteBy)) return false;
    } while (!FromUnit(f, unit, line_));
    if (line_.size() > 3 && line_[2] == '>') {
        const int32_t size = ReplyNumber(line_.c_str() + 3);
        if (size >= 1) {
            state_.Onboard.BoardProgramSize = static_cast<uint32_t>(size);
            sizeKnown_ = true;
            sizeGroup_ = GroupOf(f);
            sizeUnit_ = unit;
        }
    }
    return true;
}

bool OnboardTransfer::ReadPrompt(unsigned unit, uint8_t f) {
    if (session_ == nullptr) {
        lastFailure_ = Got::Lost;
        return false;
    }
    // The prompt's first byte within ByteWaitMs, and the prompt within as long again of the first
    // line the board sends instead, also when it sends line after line and no prompt.
    const uint64_t firstByteByUs = TickUs() + ByteWaitUs();
    uint64_t endUs = 0;
    for (;;) {
        const uint64_t now = TickUs();
        const uint64_t byUs = endUs != 0 ? endUs : firstByteByUs;
        const uint32_t leftMs = byUs > now ? static_cast<uint32_t>((byUs - now + 999) / 1000) : 0;
        LinePiece heard = session_->ReadPiece(":\r", leftMs, endUs != 0 ? leftMs : ByteWaitMs(),
                                              kBoardLineBytes - 1);
        lastFailure_ = GotOf(heard.how);
        // A wait that ran out after the board began to send is a prompt that never came.
        if (lastFailure_ == Got::TimedOut && endUs != 0) lastFailure_ = Got::Unended;
        if (lastFailure_ != Got::Byte) return false;
        if (heard.end == ':') return true;
        if (endUs == 0) endUs = TickUs() + ByteWaitUs();
        // A unit that cannot take a line ends its load with an error status, not a prompt.
        if (heard.text.size() >= 3 && FromUnit(f, unit, heard.text)) {
            protocol::ReplyStatus status = protocol::LookupReplyStatus(heard.text[2]);
            if (!status.success) {
                refusal_ = status.text;
                lastFailure_ = Got::Refused;
                return false;
            }
        }
    }
}

void OnboardTransfer::DiscardInput() {
    if (session_ != nullptr) session_->DiscardInput();
}

void OnboardTransfer::SendLoadData(const std::string& text) {
    // Program data: the board would store a time stamp as program text, and an ESC line behind
    // one would not end the load.
    step_.SendFrame(text, Sending::Data);
}

OnboardTransfer::Answer OnboardTransfer::Command(unsigned unit, uint8_t f,
                                                 const std::string& text) {
    if (cancel_.load() || session_ == nullptr) return Answer::Failed;
    // A board busy erasing is not interrupted: Cancel is seen once it has answered.
    const StopToken cancel = session_->SetStopToken({});
    const int done = step_.Command(unit, f, text);
    session_->SetStopToken(cancel);
    if (done == 1) return Answer::Done;
    // Nobody answers a global frame.
    if (OnboardUsesGlobalFrames(f)) return Answer::Done;
    return step_.CommandGotNoReply() ? Answer::None : Answer::Failed;
}

OnboardTransfer::Answer OnboardTransfer::SendEraseCommands(unsigned unit, uint8_t f,
                                                           int32_t timeoutMs) {
    if (OnboardUsesGlobalFrames(f)) {
        Command(unit, f, OnboardStarText(f));
        return Command(unit, f, OnboardEraseText(f));
    }
    LineSession::Setting timeout = session_->ReplyTimeout(timeoutMs);
    Command(unit, f, OnboardStarText(f));
    return Command(unit, f, OnboardEraseText(f));
}

bool OnboardTransfer::ConfirmGlobalCommand(unsigned unit, uint8_t f, const char* verb) {
    if (!OnboardUsesGlobalFrames(f)) return true;
    std::vector<std::string> others;
    for (UnitGroup g : {UnitGroup::DBoard, UnitGroup::UBoard, UnitGroup::HBoard}) {
        for (unsigned a = 0; a < 16; ++a) {
            if (state_.Units.IsPresent(g, a) && !(g == GroupOf(f) && a == unit))
                others.push_back(UnitName(g, a));
        }
    }
    if (others.empty()) return true;
    std::string names = others.front();
    for (size_t i = 1; i < others.size(); ++i)
        names += (i + 1 == others.size() ? " and " : ", ") + others[i];
    return op_.ShowMessageBox(
               "This also " + std::string(verb) + " the programs of " + names + ". Go on?",
               kOnboardTitle, mb::WarningYesNo) == mb::IdYes;
}

bool OnboardTransfer::ProgramFits(unsigned unit, uint8_t f, const std::vector<std::string>& lines) {
    if (!sizeKnown_ || GroupOf(f) != sizeGroup_ || unit != sizeUnit_) return true;
    const uint64_t start = state_.Onboard.OnboardStartAddress.load();
    const uint64_t size = state_.Onboard.BoardProgramSize.load();
    uint64_t needed = 0;
    for (const std::string& line : lines) needed += line.size() + 1;  // its text and its CR
    if (start + needed <= size + 1) return true;
    abortReason_ = "The program does not fit " + UnitName(GroupOf(f), unit) +
                   "'s memory: from address " + std::to_string(start) + " it needs " +
                   std::to_string(needed) + " characters, the memory holds " +
                   std::to_string(size) + ".\nNothing was written to the board.";
    return false;
}

OnboardOutcome OnboardTransfer::Closing(unsigned unit, uint8_t f, Answer answer, const char* done) {
    if (answer == Answer::Failed)
        return cancel_.load() ? OnboardOutcome::Cancelled : OnboardOutcome::Aborted;
    if (answer == Answer::None) {
        op_.Beep(beep::Stop);
        op_.ShowMessageBox(UnitName(GroupOf(f), unit) +
                               " did not answer.\nIts program may not have been " + done + ".",
                           kOnboardTitle, mb::StopModal);
        return OnboardOutcome::Aborted;
    }
    op_.Beep(beep::Information);
    op_.ShowMessageBox(kOnboardComplete, kOnboardTitle, mb::StopModal);
    return OnboardOutcome::Complete;
}

OnboardOutcome OnboardTransfer::Abort(Got why, const char* waitingFor) {
    DiscardInput();
    OnboardProgress& bar = state_.Onboard.Progress;
    if (why == Got::Cancelled) {
        abortReason_ = "cancelled by the operator";
        bar.Show(kOnboardCancelled, bar.BarMaximum.load(), 0);
        return OnboardOutcome::Cancelled;
    }
    OnboardOutcome outcome = OnboardOutcome::Broken;
    if (why == Got::Unended) {
        abortReason_ = "no line end within " + std::to_string(ByteWaitMs()) + " ms";
    } else if (why == Got::TooLong) {
        abortReason_ = "a line of more than " + std::to_string(kBoardLineBytes - 1) + " characters";
    } else {
        outcome = OnboardOutcome::Aborted;
        abortReason_ = why == Got::Lost ? "the serial line went away" : "no answer from the board";
    }
    if (why != Got::Lost) abortReason_ += std::string(" while waiting for ") + waitingFor;
    bar.Show(kOnboardAborted, bar.BarMaximum.load(), 0);
    return outcome;
}

OnboardOutcome OnboardTransfer::ReadOnboardProgram() {
    abortReason_.clear();
    droppedLines_ = 0;
    OnboardProgram& program = state_.Onboard;
    OnboardProgress& bar = program.Progress;
    if (!SelectOnboardTarget()) {
        bar.Show(kOnboardAborted, bar.BarMaximum.load(), 0);
        return OnboardOutcome::NoTarget;
    }
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    line_.clear();
    ClearOnboardProgram(program);

    {
        LineSession::Setting timeout = session_->ReplyTimeout(
            OnboardUsesGlobalFrames(f) ? kGlobalStarTimeoutMs : kStarTimeoutMs);
        Command(unit, f, OnboardStarText(f));
    }
    if (cancel_.load()) return Abort(Got::Cancelled, "");

    if (SendOnboardCommand(unit, f, protocol::kProgramSizeText) == 1) {
        program.BoardProgramSize = kUnknownSize;
        sizeKnown_ = false;
    } else if (!ReadProgramSize(unit, f)) {
        return Abort(lastFailure_, "the program memory's size");
    }
    line_.clear();

    SendOnboardCommand(unit, f, OnboardListText(program.OnboardStartAddress.load()));
    bar.Show(kOnboardReading, program.BoardProgramSize.load(), 0);
    auto finish = [&](const char* caption, OnboardOutcome outcome) {
        program.OnboardCurrentLine = 0;
        program.OnboardSaved = 1;
        program.OnboardModified = 0;
        DiscardInput();
        bar.Show(caption, bar.BarMaximum.load(), 0);
        return outcome;
    };
    for (;;) {
        if (!ReadBoardLine()) return Abort(lastFailure_, "the next line of the listing");
        if (line_.size() >= 3 && line_.compare(0, 3, endMarker_) == 0) {
            return droppedLines_ > 0 ? finish(kOnboardOverflow, OnboardOutcome::Overflow)
                                     : finish(kOnboardComplete, OnboardOutcome::Complete);
        }
        size_t colon = line_.find(':');
        if (colon == std::string::npos || colon + 1 == line_.size()) continue;
        // Past the editor's capacity the listing is read to its end, counting what is dropped.
        if (program.Full()) {
            ++droppedLines_;
            continue;
        }
        std::string_view text = std::string_view(line_).substr(colon + 1);
        program.AppendLine(text);
        bar.BarPosition.fetch_add(static_cast<uint32_t>(CutOnboardLine(text).size()));
    }
}

OnboardOutcome OnboardTransfer::WriteOnboardProgram() {
    abortReason_.clear();
    OnboardProgram& program = state_.Onboard;
    OnboardProgress& bar = program.Progress;
    if (!SelectOnboardTarget()) return OnboardOutcome::NoTarget;
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    const std::vector<std::string> lines = program.Lines();
    const uint32_t start = program.OnboardStartAddress.load();
    if (!ProgramFits(unit, f, lines)) {
        bar.Show(kOnboardAborted, bar.BarMaximum.load(), 0);
        return OnboardOutcome::Refused;
    }
    if (!ConfirmGlobalCommand(unit, f, "erases")) return OnboardOutcome::Declined;

    bar.Caption.Set(kOnboardErasing);
    SendEraseCommands(unit, f, kWriteEraseTimeoutMs);
    if (cancel_.load()) return Abort(Got::Cancelled, "");

    bar.Show(kOnboardWriting, static_cast<uint32_t>(lines.size()), 0);
    int32_t txd = state_.Config.TXDdelay.load();
    LineSession::Setting pacing = session_->Pacing(static_cast<uint32_t>(std::max(txd, 0)));
    line_.clear();

    // A load broken off leaves the board taking every line it hears as program text: end it.
    auto abortLoad = [&](size_t sent) {
        Got why = lastFailure_;
        if (why != Got::Lost) SendLoadData(kOnboardLoadEnd);
        if (why != Got::Refused)
            return Abort(why, sent < lines.size() ? "the board's ':' prompt"
                                                  : "the board's last ':' prompt");
        const std::string name = UnitName(GroupOf(f), unit);
        const std::string status = " (" + refusal_ + ")";
        abortReason_ = sent == 0 ? name + " refused to load a program at address " +
                                       std::to_string(start) + status +
                                       ".\nNothing was written to the board."
                                 : name + " refused the program at line " + std::to_string(sent) +
                                       " of " + std::to_string(lines.size()) + status +
                                       ": it may not fit the board's memory.\nOnly the lines "
                                       "before it are on the board.";
        DiscardInput();
        bar.Show(kOnboardAborted, bar.BarMaximum.load(), 0);
        return OnboardOutcome::Refused;
    };
    SendOnboardCommand(unit, f, OnboardLoadText(start));
    size_t sent = 0;
    for (const std::string& line : lines) {
        if (!ReadPrompt(unit, f)) return abortLoad(sent);
        SendLoadData(line + "\r");
        ++sent;
        bar.BarPosition.fetch_add(1);
    }
    if (!ReadPrompt(unit, f)) return abortLoad(sent);
    SendLoadData(kOnboardLoadEnd);
    bar.Show(kOnboardComplete, bar.BarMaximum.load(), 0);
    return OnboardOutcome::Complete;
}

OnboardOutcome OnboardTransfer::EraseOnboardProgram() {
    abortReason_.clear();
    op_.Beep(beep::Stop);
    if (op_.ShowMessageBox("You are going to ERASE a program, Continue?", kOnboardTitle,
                           mb::StopModalYesNo) != mb::IdYes)
        return OnboardOutcome::Cancelled;
    if (!SelectOnboardTarget()) return OnboardOutcome::NoTarget;
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    if (!ConfirmGlobalCommand(unit, f, "erases")) return OnboardOutcome::Declined;
    return Closing(unit, f, SendEraseCommands(unit, f, kEraseTimeoutMs), "erased");
}

OnboardOutcome OnboardTransfer::RunOnboardProgram() {
    abortReason_.clear();
    if (!SelectOnboardTarget()) return OnboardOutcome::NoTarget;
    const unsigned unit = state_.App.SelectedBoardAddress.load();
    const uint8_t f = state_.App.SelectedBoardFamily.load();
    if (!ConfirmGlobalCommand(unit, f, "starts")) return OnboardOutcome::Declined;
    const uint32_t address = state_.Onboard.OnboardStartAddress.load();
    return Closing(unit, f, Command(unit, f, OnboardRunText(f, address)), "started");
}

}  // namespace vendra
