#include "core/app/LineReconnect.h"

#include <algorithm>
#include <cstdio>

#include "core/base/Clock.h"
#include "core/network/NetworkInit.h"
#include "core/network/UnitRecheck.h"

namespace vendra {

namespace {

constexpr const char* kCommErrorTitle = "VDWin Comm ERROR Message";

std::string LineNumberText(uint32_t line) {
    return "line " + std::to_string(line);
}

// "30 s", "0.5 s": the limit as people read it.
std::string SecondsText(int64_t ms) {
    char text[32];
    if (ms % 1000 == 0)
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(ms / 1000));
    else
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

LineReconnect::LineReconnect(ReconnectState state, Operator& op, NetworkInitialiser& network)
    : state_(state), op_(op), network_(network) {}

std::string LineReconnect::LastEndText() const {
    std::lock_guard<std::mutex> lock(textMutex_);
    return lastEndText_;
}

LineRecovery::Outcome LineReconnect::Finish(End end, const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(textMutex_);
        lastEndText_ = text;
    }
    lastEnd_ = end;
    return end == End::Resumed ? Outcome::Resume : Outcome::End;
}

bool LineReconnect::AwaitDevice(LineSession& session, const std::string& path, uint32_t baud,
                                uint64_t lostAtUs, uint32_t line, const Pause& pause) {
    for (;;) {
        uint32_t slice = kPollMs;
        if (limitMs_ >= 0) {
            const uint64_t waitedMs = (TickUs() - lostAtUs) / 1000;
            if (waitedMs >= static_cast<uint64_t>(limitMs_)) {
                std::string text = "Communications Port lost (" + path + ")\n";
                text += limitMs_ > 0 ? "It did not come back within " + SecondsText(limitMs_) +
                                           ": the program has been stopped at "
                                     : std::string("The program has been stopped at ");
                text += LineNumberText(line) + ".";
                Finish(End::TimedOut, text);
                op_.SetSystemMessage("The program was stopped: the Communications Port is lost");
                op_.ShowMessageBox(text, kCommErrorTitle, mb::StopModal);
                return false;
            }
            slice = static_cast<uint32_t>(std::min<uint64_t>(slice, limitMs_ - waitedMs));
        }
        if (!pause(slice)) {
            Finish(End::Stopped, "");
            return false;
        }
        // Opening is the look: a device that is not there yet fails at once.
        if (session.OpenDevice(path, baud)) return true;
    }
}

uint32_t LineReconnect::AnswerMs() const {
    return static_cast<uint32_t>(
        std::max<int32_t>({state_.Config.InitTimeout.load(), state_.Config.ReplyTimeout.load(),
                           static_cast<int32_t>(kLeastAnswerMs)}));
}

std::vector<UnitDifference> LineReconnect::RecordUnitIdentities(LineSession& session) {
    return RecordIdentities(session, network_, state_.Units, AnswerMs());
}

LineRecovery::Outcome LineReconnect::Recover(LineSession& session, const HeldRun& held,
                                             const Pause& pause) {
    {
        std::lock_guard<std::mutex> lock(textMutex_);
        lastEndText_.clear();
    }
    lastEnd_ = End::None;
    reopenedAtUs_ = 0;
    const std::string path = session.DevicePath();
    const uint32_t baud = state_.Serial.CurrentBaud.load();
    const std::string where = LineNumberText(held.lineNumber);
    const std::string lostText = "Communications Port lost (" + path + "): the program waits at " +
                                 where + " for it to come back";
    const uint64_t lostAtUs = TickUs();
    op_.Beep(beep::Warning);
    op_.SetSystemMessage(lostText);
    for (auto& hook : heldHooks_) hook();
    op_.StateChanged();

    const uint32_t answerMs = AnswerMs();
    for (;;) {
        if (!AwaitDevice(session, path, baud, lostAtUs, held.lineNumber, pause))
            return Outcome::End;
        reopenedAtUs_ = TickUs();
        op_.SetSystemMessage("Communications Port back (" + path + "): asking the units");
        const std::vector<UnitDifference> differences =
            RecheckUnits(session, network_, state_.Units, answerMs, [&] { return pause(0); });
        if (!pause(0)) return Finish(End::Stopped, "");
        if (!session.IsOpen()) {
            // Gone again while the units were asked: wait for it once more.
            op_.SetSystemMessage(lostText);
            continue;
        }
        if (!differences.empty()) {
            std::string text = "The Communications Port (" + path +
                               ") is back, but not every unit answers as before:\n";
            for (const UnitDifference& d : differences) text += DescribeDifference(d) + "\n";
            text += "The program has been stopped at " + where + ".";
            Finish(End::UnitsChanged, text);
            op_.SetSystemMessage(
                "The program was stopped: the units changed while the line was lost");
            op_.ShowMessageBox(text, kCommErrorTitle, mb::StopModal);
            return Outcome::End;
        }
        std::string question = "The Communications Port (" + path +
                               ") is back and every unit answers as before.\n"
                               "The boards' positions may have changed while the line was down.\n";
        if (held.RepeatsCommand())
            question += "Resuming repeats a command: " + where +
                        "'s command reached the line before it was lost and will be sent again.\n";
        question += "\nResume the program at " + where + "?";
        const bool resume = op_.AskResumeAfterLineLoss(question, held.RepeatsCommand());
        if (!pause(0)) return Finish(End::Stopped, "");
        if (!resume) {
            op_.SetSystemMessage("The program was ended at " + where + " after the line was lost");
            return Finish(End::Declined, "The Communications Port (" + path +
                                             ") is back, but the program was not resumed at " +
                                             where + ".");
        }
        if (!session.IsOpen()) {
            op_.SetSystemMessage(lostText);
            continue;
        }
        op_.SetSystemMessage("Communications Port back (" + path + "): the program goes on at " +
                             where);
        return Finish(End::Resumed, "");
    }
}

}  // namespace vendra
