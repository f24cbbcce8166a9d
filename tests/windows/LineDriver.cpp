// line-driver: drives the core over a real serial port with no window, for comparing what the
// Linux and the Windows builds send: the network initialisation's scan, then (optionally) one
// program run to its end. Every message box the core shows is printed, one line each.
//
//   line-driver [--settle MS] PORT BAUD [PROGRAM.def]
//
// Output (standard output, the same bytes on every system):
//   port: <device opened>
//   units: <D3 U2 ...>           in scan order, "none" when nothing answered
//   run: ended at line <n>       or "run: not finished"
//   box: <title>: <text>         for each message box, line ends shown as "\n"
// Exit status: 0 when the scan found a unit and the program (if any) ran to its end, 1 otherwise,
// 2 for a bad command line.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/base/PlatformFiles.h"
#include "core/runner/RunTables.h"

namespace {

using namespace vendra;

// Prints what a person would see; answers every question with its safe choice.
class PrintingOperator final : public ScreenlessOperator {
  public:
    int ShowMessageBox(const std::string& text, const std::string& title, unsigned flags) override {
        std::string shown;
        for (char c : text) shown += c == '\n' ? std::string("\\n") : std::string(1, c);
        Print("box: " + title + ": " + shown);
        switch (flags & 0xF) {
            case mb::YesNo:
            case mb::YesNoCancel:
                return mb::IdNo;
            case mb::OkCancel:
            case mb::RetryCancel:
                return mb::IdCancel;
            case mb::AbortRetryIgnore:
                return mb::IdAbort;
            default:
                return mb::IdOk;
        }
    }
    bool AskBoardType(uint8_t&) override { return false; }
    bool AskBoardAddress(uint8_t&) override { return false; }
    bool AskUserValue(const std::string&, uint32_t&) override { return false; }

    void Print(const std::string& line) {
        std::lock_guard lock(mu_);
        std::fputs((line + "\n").c_str(), stdout);
        std::fflush(stdout);
    }

  private:
    std::mutex mu_;
};

std::string FoundUnits(const UnitMap& units) {
    static const char kLetter[kUnitGroups] = {'D', 'U', 'H', 'X', 'Q'};
    std::string found;
    for (int g = 0; g < kUnitGroups; ++g)
        for (unsigned a = 0; a < 16; ++a)
            if (units.IsPresent(static_cast<UnitGroup>(g), a))
                found +=
                    (found.empty() ? "" : " ") + std::string(1, kLetter[g]) + std::to_string(a);
    return found.empty() ? "none" : found;
}

bool Number(const char* text, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *text != '\0' && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    UseBinaryStandardStreams();
    long settleMs = 200;
    int arg = 1;
    if (argc > 2 && std::string(argv[1]) == "--settle") {
        if (!Number(argv[2], settleMs) || settleMs < 0) argc = 0;
        arg = 3;
    }
    long port = 0, baud = 0;
    if (argc - arg < 2 || argc - arg > 3 || !Number(argv[arg], port) ||
        !Number(argv[arg + 1], baud)) {
        std::fputs("usage: line-driver [--settle MS] PORT BAUD [PROGRAM.def]\n", stderr);
        return 2;
    }
    const std::string program = argc - arg == 3 ? argv[arg + 2] : "";

    PrintingOperator op;
    Core core(op);
    SystemState& state = core.State;
    ResetRunTables(RunnerStateOf(state));
    state.Config.CommPortNumber = static_cast<int32_t>(port);
    state.Serial.CurrentBaud = static_cast<uint32_t>(baud);
    core.Network.SetSettleMs(static_cast<uint32_t>(settleMs));

    bool ok = false;
    {
        LineSession line = core.Line.Take(LineUser::NetworkInit);
        ok = core.Network.InitialiseNetwork(line) == 1;
    }
    op.Print("port: " + core.Line.DevicePath());
    op.Print("units: " + FoundUnits(state.Units));
    ok = ok && state.Units.totalUnits.load() > 0;

    if (ok && !program.empty()) {
        ok = LoadProgramFromPath(state, op, program) == 1;
        if (ok) {
            core.RunControls.RunButtonClick();
            ok = core.RunnerWorker.Wait(30000);
            op.Print(ok ? "run: ended at line " + std::to_string(state.Run.ProgramPointer.load())
                        : std::string("run: not finished"));
        }
    }
    core.Line.Take(LineUser::MainWindow).Close();
    return ok ? 0 : 1;
}
