#include "cli/VendraDef.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/app/SystemState.h"
#include "core/base/PathNames.h"
#include "core/onboard/IeeFile.h"
#include "core/program/AddressCheck.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramFile.h"

namespace vendra {

namespace {

const char* kUsage =
    "usage: vendra-def [--normalize] FILE...\n"
    "  Lists each program file as the definition editor shows it, then checks its jump\n"
    "  addresses and its end_program line. On-board program files (.IEE, any case) are\n"
    "  listed as the IEEPROM editor shows them: line number, location and text.\n"
    "  --normalize  write each file back in the form the program saves it\n"
    "Exit status: 0 all files read and passed the check, 1 otherwise, 2 bad usage.\n";

void Problem(std::ostream& err, const std::string& path, const std::string& what) {
    err << "vendra-def: " << path << ": " << what << "\n";
}

// Prints the listing and the check of one loaded program; returns true when the check passed.
bool ListAndCheck(UserProgram& program, std::ostream& out) {
    char line[kLineBufferSize];
    for (uint32_t i = 0; i < program.LineCount; ++i) {
        FormatLine(program, i, LineForm::Display, line, sizeof line);
        out << line << "\n";
    }
    AddressCheckResult check = AddressCheck(program);
    for (uint32_t faulty : check.FaultyLines) {
        std::snprintf(line, sizeof line, "%04u", faulty + 1);
        out << "Address check: line " << line << " jumps past the last line (" << program.LineCount
            << ")\n";
    }
    if (!check.EndFound) out << "Address check: No end_program FOUND!!!\n";
    if (check.Ok) out << "Address check: OK\n";
    return check.Ok == 1;
}

bool IsIeeFile(const std::string& path) {
    if (!HasExtension(path)) return false;
    std::string ext = path.substr(path.find_last_of('.') + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == "IEE";
}

bool ProcessIeeFile(OnboardProgram& program, const std::string& path, bool normalize,
                    std::ostream& out, std::ostream& err) {
    IeeLoadReport report;
    if (!LoadIeeFile(program, path, report)) {
        const char* how =
            report.Status == IeeLoadStatus::ReadError ? "read error: " : "cannot open: ";
        Problem(err, path, how + std::string(std::strerror(report.Error)));
        return false;
    }
    for (const std::string& line : FormatOnboardLines(program.Lines())) out << line << "\n";
    bool ok = true;
    if (report.LinesDropped) {
        Problem(err, path, "more than 50000 lines: only the first 50000 are kept");
        ok = false;
    }
    if (report.LinesCut > 0) {
        Problem(err, path,
                report.LinesCut == 1 ? std::string("1 line longer than 255 characters was cut")
                                     : std::to_string(report.LinesCut) +
                                           " lines longer than 255 characters were cut");
        ok = false;
    }
    if (!report.NulLines.empty()) {
        Problem(err, path, IeeNulLinesNote(report));
        ok = false;
    }
    if (!normalize) return ok;
    if (!ok) {
        Problem(err, path, "not normalized: writing it back would lose what was cut");
        return false;
    }
    std::string error;
    if (!SaveIeeFile(program, path, &error)) {
        Problem(err, path, "not normalized: " + error);
        return false;
    }
    return true;
}

bool ProcessFile(SystemState& state, const std::string& path, bool normalize, std::ostream& out,
                 std::ostream& err) {
    if (IsIeeFile(path)) return ProcessIeeFile(state.Onboard, path, normalize, out, err);
    LoadReport report;
    if (!LoadProgram(state.Program, state.Labels, path, report)) {
        const char* how = report.Status == LoadStatus::ReadError ? "read error: " : "cannot open: ";
        Problem(err, path, how + std::string(std::strerror(report.Error)));
        return false;
    }
    bool ok = ListAndCheck(state.Program, out);
    if (report.Lossy()) {
        std::string losses = DescribeLosses(report);
        size_t start = 0;
        for (size_t nl; (nl = losses.find('\n', start)) != std::string::npos; start = nl + 1) {
            Problem(err, path, losses.substr(start, nl - start));
        }
        ok = false;
    }
    if (!normalize) return ok;
    if (report.Lossy()) {
        Problem(err, path, "not normalized: writing it back would lose what was cut");
        return false;
    }
    std::string error;
    if (!SaveProgramTo(state.Program, path, &error)) {
        Problem(err, path, "not normalized: " + error);
        return false;
    }
    return ok;
}

}  // namespace

int RunVendraDef(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool normalize = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a == "--normalize") {
            normalize = true;
        } else if (!optionsEnded && (a == "--help" || a == "-h")) {
            out << kUsage;
            return kDefOk;
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            err << "vendra-def: unknown option " << a << "\n" << kUsage;
            return kDefUsage;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        err << kUsage;
        return kDefUsage;
    }

    auto state = std::make_unique<SystemState>();
    int status = kDefOk;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files.size() > 1) out << (i > 0 ? "\n" : "") << "==> " << files[i] << " <==\n";
        if (!ProcessFile(*state, files[i], normalize, out, err)) status = kDefFailed;
    }
    out.flush();
    return status;
}

}  // namespace vendra
