#include "core/runner/StatusDisplay.h"

#include <cstdio>
#include <cstring>

#include "core/program/CommandTable.h"

namespace vendra {

namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Msec(uint32_t value) {
    return std::to_string(value) + " msec";
}

}  // namespace

bool UpdateIfChanged(const std::string& source, std::string& shown) {
    if (source == shown) return false;
    shown = source;
    return true;
}

void PublishStatusTexts(RunnerState state) {
    RunState& run = state.Run;
    const int32_t index = run.StatusLine.load();
    run.LineText = std::to_string(index == kNoStatusLine ? 1u : static_cast<uint32_t>(index) + 1);
    if (index >= 0 && static_cast<uint32_t>(index) < kMaxProgramLines) {
        const ProgramLine& line = state.Program.Lines[index];
        run.CommandText = CommandKeyword(line.Command);
        run.CommentText = std::string(line.Comment, strnlen(line.Comment, sizeof line.Comment));
    } else {
        run.CommandText = "";
        run.CommentText = "";
    }
    run.CloopText = std::to_string(run.CloopCounter.load()) + "\r";
}

StatusView StatusDisplay::Tick(uint32_t now) {
    StatusView view;
    const bool loaded = state_.App.ProgramLoaded.load() != 0;
    view.debugControlsEnabled = loaded;
    if (state_.Serial.Line.Owner() != LineUser::CommTest) view.runEnabled = loaded;
    view.baudrate = std::to_string(state_.Serial.CurrentBaud.load());

    RunState& run = state_.Run;
    if (run.DisplayRefresh.load()) {
        // Read before the texts: a run that ends during this tick gets one more refresh, so its
        // last line is what stays on the screen.
        const uint32_t running = run.ProgramRunning.load();
        const Statistics& s = run.Stats;
        const uint32_t start = s.RunStartTime.load();
        if (start == 0) {
            view.programTime = "";
            view.programAverage = "";
        } else {
            const uint32_t elapsed = now - start;
            view.programTime = Format("%0.3lf sec", elapsed * 0.001);
            if (const uint32_t count = s.ReplyCount.load(); count != 0)
                view.programAverage = Msec(s.ReplyDelaySum.load() / count);
            const uint32_t moves = s.MovesCompleted.load();
            view.motorComm = std::to_string(moves);
            if (moves == 0) {
                view.avgMove = "0 msec";
                view.mtrPercent = "0.0%";
            } else {
                const uint32_t busy = s.MotorBusyTime.load();
                view.avgMove = Msec(busy / moves);
                view.mtrPercent =
                    Format("%0.2lf%%", elapsed == 0 ? 0.0 : double(busy) / elapsed * 100.0);
            }
            view.programHigh = Msec(s.ReplyDelayMax.load());
            view.programLow = Msec(s.ReplyDelayMin.load());
            view.progCommand = std::to_string(s.FramesSent.load());
            view.programStatus = std::to_string(s.RepliesCounted.load());
        }
        run.Stats.TimerTicks.fetch_add(1);
        run.DisplayRefresh = running;

        PublishStatusTexts(state_);
        if (UpdateIfChanged(run.CommentText.Get(), shownComments_)) view.comments = shownComments_;
        if (UpdateIfChanged(run.LineText.Get(), shownLine_)) view.line = shownLine_;
        if (UpdateIfChanged(run.CommandText.Get(), shownCommand_)) view.command = shownCommand_;
        if (UpdateIfChanged(run.CloopText.Get(), shownCloop_)) view.cloop = shownCloop_;
    }
    view.caption = "Vendra for Windows - Def. File Loaded: " + state_.App.ProgramName.Get();
    return view;
}

}  // namespace vendra
