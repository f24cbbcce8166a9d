// The command line of vendra-run: one table of options that the parser and --help both walk.
// Error rule: ParseRunOptions returns false with a one-line reason; nothing is printed here.
// Thread rule: plain functions, no state.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/base/UnitGroup.h"

namespace vendra {

// Exit statuses of vendra-run.
constexpr int kRunEnded = 0;      // the program ended (end_program or its last line)
constexpr int kRunStopped = 1;    // a board error, a time-out rule or a lost line stopped it
constexpr int kRunSignalled = 2;  // a stop signal stopped it (as the Abort button)
constexpr int kRunUsage = 3;      // usage, file or port error, a program not loaded whole or with
                                  // no line; a question nobody could answer

struct RunOptions {
    std::string program;  // the .def file
    std::string device;   // --device: open this instead of the port number's device
    int port = 0;         // --port: 0 = Config.cfg's (or the default)
    uint32_t baud = 57600;
    int32_t replyTimeout = -1;         // --reply-timeout; -1 = Config.cfg's
    int32_t initTimeout = -1;          // --init-timeout; -1 = Config.cfg's
    std::string units;                 // --units D3,X1,Q0: no scan
    std::vector<std::string> answers;  // --answer, in order, then the --answers file's lines
    std::string answersFile;
    std::string logFile;
    bool json = false;
    int reconnectSeconds = 30;
    bool resumeAfterReconnect = false;
    bool allowRepeat = false;  // resuming may send the held line's command again
    bool help = false;
    bool listDevices = false;  // --list-devices: list the serial devices, run nothing
    bool simulate = false;     // --simulate: a simulated network in this process, no device
    std::string networkFile;   // --simulate's network file ("" for the kept or the demo units)
    // Not on the command line: where Config.cfg and the COM<n> links are (tests).
    std::string folder = ".";
};

// Reads the arguments (without the program name). With --list-devices no program is needed and
// none may be given. The answers file is read here, so that a
// missing one is a usage error before anything is opened; it must be a regular file of at most
// 1 MB (a device or a folder named by mistake is refused, never read).
bool ParseRunOptions(const std::vector<std::string>& args, RunOptions& options, std::string& error);

// The --help text: usage, every option, answers, progress, summary and exit statuses.
std::string RunHelpText();

// "D3,X1,Q0": a family letter (D, U, H, X for an AxisBoard unit, Q) and one hexadecimal unit
// digit per unit. False with `error` for anything else, or a unit named twice.
bool ParseUnitList(const std::string& text, std::vector<std::pair<UnitGroup, unsigned>>& units,
                   std::string& error);

// One answer per line of `text`: blanks around are dropped, empty lines and lines starting with
// '#' are skipped.
std::vector<std::string> ParseAnswersText(const std::string& text);

}  // namespace vendra
