#include "core/app/LoadProgramFile.h"

#include <algorithm>
#include <memory>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/base/PathNames.h"
#include "core/program/ProgramFile.h"
#include "core/runner/RunTables.h"

namespace vendra {

namespace {
int AfterLoad(SystemState& state, int result, const LoadReport& report) {
    state.Run.LinksPresent = result == 1 && report.LinksFound ? 1 : 0;
    return result;
}
}  // namespace

int LoadProgram(SystemState& state, std::FILE* file, LoadReport& report) {
    ResetRunTables(RunnerStateOf(state));
    return AfterLoad(state, LoadProgram(state.Program, state.Labels, file, report), report);
}

int LoadProgram(SystemState& state, const std::string& path, LoadReport& report) {
    ResetRunTables(RunnerStateOf(state));
    return AfterLoad(state, LoadProgram(state.Program, state.Labels, path, report), report);
}

std::string ProgramBaseName(const std::string& path) {
    return BaseNameOf(path);
}

std::string LoadedCaption(const std::string& programName) {
    return "Vendra for Windows - Def. File Loaded: " + programName;
}

int LoadProgramFromPath(SystemState& state, Operator& op, const std::string& path,
                        LoadReport* reportOut) {
    // The runner reads the program without locks: never change it under a run.
    if (state.SystemBusy()) return 0;

    // Read aside first: a load that fails leaves the program in memory, its name and the run-time
    // tables as they were (still loaded, still runnable).
    auto program = std::make_unique<UserProgram>();
    auto labels = std::make_unique<LabelTable>();
    LoadReport local;
    LoadReport& report = reportOut ? *reportOut : local;
    if (!LoadProgram(*program, *labels, path, report)) {
        if (report.Status == LoadStatus::ReadError) {
            op.ShowMessageBox(kFileOperationErrorText, kFileOperationErrorTitle, mb::OkCancel);
        } else {
            op.ShowMessageBox(kLoadErrorText, kLoadErrorTitle, mb::Warning);
        }
        return 0;
    }
    state.App.ProgramName.Set(ProgramBaseName(path));
    state.App.ProgramPath.Set(path);
    ResetRunTables(RunnerStateOf(state));
    // Copied, not swapped: whoever holds the program's lines keeps valid ones.
    std::copy_n(program->Lines.get(), kMaxProgramLines, state.Program.Lines.get());
    state.Program.LineCount = program->LineCount;
    std::copy_n(labels->Entries.get(), kMaxLabels, state.Labels.Entries.get());
    state.Labels.LabelCount = labels->LabelCount;
    AfterLoad(state, 1, report);

    if (report.Lossy()) {
        op.ShowMessageBox(
            "The program was loaded, but not all of the file:\n" + DescribeLosses(report),
            kLoadErrorTitle, mb::Warning);
    }
    state.App.ProgramLoaded = 1;
    return 1;
}

}  // namespace vendra
