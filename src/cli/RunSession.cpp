#include "cli/RunSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/app/LoadProgramFile.h"
#include "core/app/StartupReset.h"
#include "core/base/Clock.h"
#include "core/base/PlatformFiles.h"
#include "core/network/ConfigFile.h"
#include "core/network/LastScan.h"
#include "core/network/UnitRecheck.h"
#include "core/program/CommandTable.h"
#include "core/runner/StatusDisplay.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {

namespace {

constexpr uint32_t kScanLookMs = 100;  // how often a signal is looked for while the scan runs

// Files the units given on the command line as the scan would have found them.
void MarkUnits(const std::vector<std::pair<UnitGroup, unsigned>>& list, UnitMap& units) {
    for (const auto& [group, address] : list) {
        const int g = static_cast<int>(group);
        units.present[g][address] = 1;
        units.unitCount[g].fetch_add(1);
        units.totalUnits.fetch_add(1);
    }
    // The last unit found: the scan's order, groups first, addresses rising.
    for (int g = kUnitGroups - 1; g >= 0; --g)
        for (int a = 15; a >= 0; --a)
            if (units.present[g][a].load()) {
                units.lastFoundFamily = protocol::GroupFamily(static_cast<UnitGroup>(g)).code;
                units.lastFoundAddress = static_cast<uint8_t>(a);
                return;
            }
}

std::string UnitNames(const UnitMap& units) {
    std::string names = UnitList(units);
    std::replace(names.begin(), names.end(), ',', ' ');
    return names.empty() ? names : " " + names;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// The data logger files the program names, each opened as the runner will create it, so that a
// file that cannot be created stops the start instead of losing the readings of a run. A file
// made only for this is removed again; one that exists is left as it is.
bool LoggerFilesCanBeCreated(const UserProgram& program, const std::string& name,
                             std::string& why) {
    for (uint32_t i = 0; i < program.LineCount; ++i) {
        const ProgramLine& line = program.Lines[i];
        if (line.Command != CmdEnableQeDataLogger) continue;
        const std::string path(line.Text, strnlen(line.Text, sizeof line.Text));
        const bool existed = EntryExists(path);
        std::FILE* file = std::fopen(path.c_str(), "ab");
        if (file == nullptr) {
            why = name + " line " + std::to_string(i + 1) + ": the data logger file " + path +
                  " can not be created: " + std::strerror(errno);
            return false;
        }
        std::fclose(file);
        if (!existed) RemoveFile(path);
    }
    return true;
}

// The summary of a run as one JSON object; `s` holds the run's figures.
std::string SummaryJson(const std::string& program, const std::string& endReason, int status,
                        uint32_t endLine, uint32_t elapsed, const Statistics& s) {
    const uint32_t replies = s.ReplyCount.load();
    auto fixed = [](double v, const char* format) {
        char n[48];
        std::snprintf(n, sizeof n, format, v);
        return std::string(n);
    };
    auto count = [](uint32_t v) { return std::to_string(v); };
    const double busy = elapsed ? double(s.MotorBusyTime.load()) * 100.0 / elapsed : 0.0;
    std::string json = "{";
    json += "\"program\": " + JsonString(program);
    json += ", \"end_reason\": " + JsonString(endReason);
    json += ", \"exit_status\": " + std::to_string(status);
    json += ", \"end_line\": " + count(endLine);
    json += ", \"lines_executed\": " + count(s.LinesExecuted.load());
    json += ", \"program_time_s\": " + fixed(elapsed / 1000.0, "%.3f");
    json += ", \"frames_sent\": " + count(s.FramesSent.load());
    json += ", \"replies\": " + count(s.RepliesCounted.load());
    json += ", \"reply_avg_ms\": " +
            (replies ? fixed(double(s.ReplyDelaySum.load()) / replies, "%.3f") : "null");
    json += ", \"reply_low_ms\": " + (replies ? count(s.ReplyDelayMin.load()) : "null");
    json += ", \"reply_high_ms\": " + (replies ? count(s.ReplyDelayMax.load()) : "null");
    json += ", \"moves\": " + count(s.MovesCompleted.load());
    json += ", \"motor_busy_percent\": " + fixed(busy, "%.2f");
    return json + "}";
}

}  // namespace

std::string UsageSummary(const std::string& program) {
    const Statistics none;
    return SummaryJson(program, "usage", kRunUsage, 0, 0, none);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

RunSession::RunSession(RunOptions options, std::ostream& out, std::ostream& err, Terminal terminal)
    : options_(std::move(options)),
      out_(out),
      terminal_(terminal),
      op_(CliOperator::Setup{{options_.answers.begin(), options_.answers.end()},
                             terminal.inputFd,
                             options_.resumeAfterReconnect,
                             options_.allowRepeat},
          err),
      core_(op_) {
    // A question nobody can answer stops the run as Abort does (the motors are stopped too).
    op_.SetStopHook([this] {
        questionLine_ = static_cast<uint32_t>(core_.State.Run.ProgramPointer.load()) + 1;
        core_.RunControls.AbortButtonClick();
    });
}

int RunSession::Fail(const std::string& why) {
    op_.Say(why);
    return kRunUsage;
}

int RunSession::Prepare(const std::function<bool()>& goOn) {
    SystemState& state = core_.State;
    ResetStartupState(state);
    state.Serial.CurrentBaud = options_.baud;
    core_.Line.SetDeviceFolder(options_.folder);

    std::error_code ec;
    const std::string config = ConfigFilePath(options_.folder);
    if (std::filesystem::exists(config, ec)) {
        // A file that is there but cannot be read is not silently replaced by the defaults.
        if (!ReadConfiguration(state.Config, op_, options_.folder))
            return Fail(config + " could not be read");
    } else {
        op_.Say(config + " not found: the default time-outs are used");
    }
    if (options_.port > 0) state.Config.CommPortNumber = options_.port;
    if (options_.replyTimeout >= 0) state.Config.ReplyTimeout = options_.replyTimeout;
    if (options_.initTimeout >= 0) state.Config.InitTimeout = options_.initTimeout;

    // The program first: a file that cannot be run never touches the line.
    if (!std::filesystem::is_regular_file(options_.program, ec))
        return Fail(
            options_.program + ": " +
            (std::filesystem::exists(options_.program, ec) ? "not a file" : "no such file"));
    LoadReport report;
    if (LoadProgramFromPath(state, op_, options_.program, &report) != 1)
        return Fail(options_.program + ": the program could not be loaded");
    // A bench must not run part of what it was given and call that success.
    if (report.Lossy())
        return Fail(options_.program + ": not all of the file was loaded: nothing is run");
    if (state.Program.LineCount == 0)
        return Fail(options_.program + ": no program line in it: nothing is run");

    // Every file the run will write is made now: one that cannot be is found before the motors
    // move, not after the run.
    if (!options_.logFile.empty()) {
        const int fd = OpenFileForRewrite(options_.logFile);
        if (fd < 0)
            return Fail("--log: can not create " + options_.logFile + ": " + std::strerror(errno));
        CloseFile(fd);
    }
    if (std::string why; !LoggerFilesCanBeCreated(state.Program, options_.program, why))
        return Fail(why);

    if (int status = OpenLine(goOn); status != 0) return status;

    if (!options_.logFile.empty()) {
        // The debugger's list, open from the start; disable_comm_debug pauses it as it pauses
        // the window's.
        state.CommDebug.CommDebugEnabled = 1;
        state.CommDebug.CommDebugWindowOpen = 1;
        core_.Reconnect.AddHeldHook([this] { SaveLog(); });
    }
    core_.Reconnect.SetLimitMs(static_cast<int64_t>(options_.reconnectSeconds) * 1000);
    return 0;
}

int RunSession::OpenLine(const std::function<bool()>& goOn) {
    SystemState& state = core_.State;
    if (options_.simulate) {
        std::string error;
        SimulatedNetworkChoice choice;
        choice.networkFile = options_.networkFile;
        if (choice.networkFile.empty()) choice.keptUnits = LoadLastScanUnits(options_.folder);
        if (!simulated_.Start(choice, error)) return Fail(error);
        state.Serial.Simulated = 1;
        // Opened by its path, as a device named with --device is.
        options_.device = simulated_.DevicePath();
        op_.Say("SIMULATED NETWORK (" + simulated_.Source() + "): no byte goes to a real device");
    }
    if (!options_.device.empty()) core_.Network.SetDevicePath(options_.device);
    if (!options_.units.empty()) {
        std::vector<std::pair<UnitGroup, unsigned>> units;
        std::string error;
        if (!ParseUnitList(options_.units, units, error)) return Fail("--units: " + error);
        const uint32_t baud = state.Serial.CurrentBaud.load();
        LineSession line = core_.Line.Take(LineUser::NetworkInit);
        const bool open = options_.device.empty()
                              ? line.Open(state.Config.CommPortNumber.load(), baud)
                              : line.OpenDevice(options_.device, baud);
        if (!open)
            return Fail("Can not open Communications Port " + line.DevicePath() + ": " +
                        line.LastError());
        MarkUnits(units, state.Units);
        op_.Say("units given:" + UnitNames(state.Units));
        // No scan asked them who they are: ask now, so that a run resumed after a lost line
        // finds a unit swapped meanwhile as it would after a scan.
        if (options_.resumeAfterReconnect && options_.reconnectSeconds > 0) {
            for (const UnitDifference& d : core_.Reconnect.RecordUnitIdentities(line))
                op_.Say(DescribeDifference(d) + " (\"v0\"): after a lost line any answer will do");
        }
        return 0;
    }
    // The scan, as the window's start-up runs it.
    if (!core_.Initialisation.Start()) return Fail("the network initialisation could not start");
    while (!core_.Initialisation.Wait(kScanLookMs)) {
        if (goOn && !goOn()) {
            signalled_ = true;
            core_.Initialisation.Stop();
            core_.Initialisation.Wait(60000);
            op_.Say("stopped during the network scan");
            return kRunSignalled;
        }
    }
    if (!core_.Line.IsOpen()) return kRunUsage;  // the initialisation said why
    if (state.Units.totalUnits.load() == 0)
        op_.Say("no unit answered the scan: frames go out unanswered");
    else
        op_.Say("units found:" + UnitNames(state.Units));
    return 0;
}

int RunSession::EndBeforeRun(int status) {
    endReason_ = status == kRunSignalled ? "signal" : "not_started";
    if (options_.json) out_ << Summary(status) << std::endl;
    return status;
}

void RunSession::Start() {
    started_ = true;
    core_.RunControls.RunButtonClick();
}

bool RunSession::WaitFinished(uint32_t ms) {
    const bool done = !started_ || !core_.RunnerWorker.Running() || core_.RunnerWorker.Wait(ms);
    if (done && endMs_ == 0) endMs_ = TickMs();
    return done;
}

void RunSession::Abort() {
    signalled_ = true;
    // The stop order first: a question ended by the interruption must find the run stopping.
    core_.RunControls.AbortButtonClick();
    op_.Interrupt();
}

void RunSession::ShowProgress() {
    if (!terminal_.progress || !started_) return;
    RunState& run = core_.State.Run;
    PublishStatusTexts(RunnerStateOf(core_.State));
    std::string loop = run.CloopText.Get();
    if (!loop.empty() && loop.back() == '\r') loop.pop_back();
    op_.Progress("line " + run.LineText.Get() + "  " + run.CommandText.Get() + "  loop " + loop);
}

bool RunSession::SaveLog() {
    if (options_.logFile.empty()) return true;
    std::string error;
    if (core_.CommLog.SaveToFile(options_.logFile, error)) return true;
    op_.Say("the communications log: " + error);
    return false;
}

int RunSession::Finish() {
    WaitFinished(0);
    op_.Progress("");
    const SystemState& state = core_.State;
    const RunState& run = state.Run;
    const uint32_t lineCount = state.Program.LineCount;
    const int32_t pointer = run.ProgramPointer.load();
    const uint32_t line = EndLine();
    const LineReconnect::End lineEnd = core_.Reconnect.LastEnd();
    const bool lineLost = lineEnd == LineReconnect::End::TimedOut ||
                          lineEnd == LineReconnect::End::UnitsChanged ||
                          lineEnd == LineReconnect::End::Declined;
    int status = kRunEnded;
    std::string told;
    if (signalled_) {
        endReason_ = "signal";
        status = kRunSignalled;
        told = "the run was aborted at line " + std::to_string(line);
    } else if (!op_.Unanswered().empty()) {
        endReason_ = "no_answer";
        status = kRunUsage;
        told = "the run was stopped: the question of line " + std::to_string(questionLine_.load()) +
               " found no answer";
    } else if (lineLost && run.StopRun.load() != 0) {
        endReason_ = "line_lost";
        status = kRunStopped;
        told = "the run was stopped at line " + std::to_string(line) + ": " +
               FirstLine(core_.Reconnect.LastEndText());
    } else if (run.StopRun.load() != 0 || !started_) {
        endReason_ = "stopped";
        status = kRunStopped;
        told = "the run was stopped at line " + std::to_string(line) + " (see the message above)";
    } else if (static_cast<uint32_t>(std::max(pointer, 0)) >= lineCount) {
        endReason_ = "last_line";
        told = "the program ended after its last line";
    } else if (state.Program.Lines[pointer].Command == CmdEndProgram) {
        endReason_ = "end_program";
        told = "the program ended at line " + std::to_string(line) + " (end_program)";
    } else {
        endReason_ = "stopped";
        status = kRunStopped;
        told = "the run ended at line " + std::to_string(line);
    }
    if (!SaveLog() && status == kRunEnded) status = kRunUsage;
    switch (run.StopFrame.load()) {
        case StopFrameResult::Sent:
            op_.Say("the stop frame \"GG!\" was sent");
            break;
        case StopFrameResult::Unsent:
            op_.Say("the stop frame could not be sent: the boards may still be moving");
            break;
        case StopFrameResult::None:
            break;
    }
    op_.Say(told + " (status " + std::to_string(status) + ")");
    if (options_.json) out_ << Summary(status) << std::endl;
    return status;
}

std::string RunSession::Summary(int status) const {
    const Statistics& s = core_.State.Run.Stats;
    const uint32_t start = s.RunStartTime.load();
    const uint32_t elapsed = started_ && start != 0 && endMs_ != 0 ? endMs_ - start : 0;
    const uint32_t line = !started_                   ? 0
                          : endReason_ == "no_answer" ? questionLine_.load()
                                                      : EndLine();
    return SummaryJson(options_.program, endReason_, status, line, elapsed, s);
}

uint32_t RunSession::EndLine() const {
    const uint32_t lineCount = core_.State.Program.LineCount;
    const int32_t pointer = core_.State.Run.ProgramPointer.load();
    return std::min<uint32_t>(static_cast<uint32_t>(std::max(pointer, 0)) + 1,
                              std::max<uint32_t>(lineCount, 1));
}

}  // namespace vendra
