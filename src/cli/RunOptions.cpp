#include "cli/RunOptions.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>

#include "cli/CliPlatform.h"
#include "core/base/PlatformFiles.h"
#include "core/serial/BoardProtocol.h"

namespace vendra {
namespace {

struct OptionRow {
    const char* name;
    const char* value;  // name of the value in the help text; nullptr for a switch
    const char* help;   // may span lines ('\n')
    std::function<bool(const std::string& value, RunOptions&, std::string& error)> take;
    bool optionalValue = false;  // taken only when the next word is no option and no program
};

bool IsProgramFileName(const std::string& word) {
    if (word.size() < 4) return false;
    std::string end = word.substr(word.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".def";
}

bool Number(const std::string& text, long long low, long long high, long long& out) {
    if (text.empty() || text.size() > 12) return false;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && out >= low && out <= high;
}

// A number option between low and high, stored by `store`.
template <typename Store>
auto NumberOption(const char* name, long long low, long long high, Store store) {
    return [=](const std::string& v, RunOptions& o, std::string& error) {
        long long n = 0;
        if (!Number(v, low, high, n)) {
            error = std::string(name) + " needs a number " + std::to_string(low) + ".." +
                    std::to_string(high);
            return false;
        }
        store(o, n);
        return true;
    };
}

// A path option: an empty path would quietly mean "none" (the port rule, no answers, no log).
template <typename Store>
auto PathOption(const char* name, Store store) {
    return [=](const std::string& v, RunOptions& o, std::string& error) {
        if (v.empty()) {
            error = std::string(name) + " needs a path";
            return false;
        }
        store(o, v);
        return true;
    };
}

// No answers file needs more: a larger one is a mistake (a device, a log), not answers.
constexpr size_t kAnswersFileLimit = 1 << 20;

// The answers file's text: a regular file of at most kAnswersFileLimit bytes.
bool ReadAnswersFile(const std::string& path, std::string& text, std::string& error) {
    int code = 0;
    std::FILE* file = OpenRegularFile(path, code);
    if (file == nullptr) {
        error = "--answers: can not read " + path + ": " +
                (code == EISDIR   ? std::string("a folder")
                 : code == EINVAL ? std::string("not a regular file")
                                  : std::string(std::strerror(code)));
        return false;
    }
    text.resize(kAnswersFileLimit + 1);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "--answers: can not read " + path;
        return false;
    }
    if (text.size() > kAnswersFileLimit) {
        error = "--answers: " + path + " holds more than " + std::to_string(kAnswersFileLimit) +
                " bytes: no answers file is that long";
        return false;
    }
    return true;
}

const std::vector<OptionRow>& Table() {
    static const std::vector<OptionRow> rows = {
        {"--device", "PATH",
         "open this serial device instead of the configured port number's\n"
         "(a path --list-devices shows: a /dev/serial/by-id/ one names the\n"
         "adapter whatever socket it is in)",
         PathOption("--device", [](RunOptions& o, const std::string& v) { o.device = v; })},
        {"--port", "N", PlatformHelp().portRule,
         NumberOption("--port", 1, 40, [](RunOptions& o, long long n) { o.port = int(n); })},
        {"--baud", "RATE",
         "the line's rate: 9600, 19200, 38400, 57600 (default), 115200, 230400,\n460800",
         [](const std::string& v, RunOptions& o, std::string& error) {
             long long n = 0;
             if (!Number(v, 0, 1000000, n) || !protocol::IsSupportedBaud(uint32_t(n))) {
                 error = "--baud needs one of 9600, 19200, 38400, 57600, 115200, 230400, 460800";
                 return false;
             }
             o.baud = static_cast<uint32_t>(n);
             return true;
         }},
        {"--reply-timeout", "MS", "reply time-out instead of Config.cfg's (default 120)",
         NumberOption("--reply-timeout", 0, 600000,
                      [](RunOptions& o, long long n) { o.replyTimeout = int32_t(n); })},
        {"--init-timeout", "MS",
         "time-out of each unit's answer during the scan instead of\nConfig.cfg's (default 60)",
         NumberOption("--init-timeout", 0, 600000,
                      [](RunOptions& o, long long n) { o.initTimeout = int32_t(n); })},
        {"--units", "LIST",
         "the units on the line, e.g. D3,X1,Q0 (D, U, H, X for an AxisBoard,\n"
         "Q, then the unit digit 0..F); the network is not scanned",
         [](const std::string& v, RunOptions& o, std::string& error) {
             std::vector<std::pair<UnitGroup, unsigned>> units;
             if (!ParseUnitList(v, units, error)) {
                 error = "--units: " + error;
                 return false;
             }
             o.units = v;
             return true;
         }},
        {"--answer", "A",
         "the answer to the next question of the program; may be repeated:\n"
         "ok, cancel, yes, no, abort, retry, ignore (or their first letter),\n"
         "or a number for user_value",
         [](const std::string& v, RunOptions& o, std::string&) {
             o.answers.push_back(v);
             return true;
         }},
        {"--answers", "FILE",
         "more answers, one a line (blank lines and '#' lines skipped), taken\n"
         "after the --answer ones; a regular file of at most 1 MB",
         PathOption("--answers", [](RunOptions& o, const std::string& v) { o.answersFile = v; })},
        {"--log", "FILE",
         "write the communications log to FILE, as the debugger saves it (also\n"
         "while the run waits for a lost line)",
         PathOption("--log", [](RunOptions& o, const std::string& v) { o.logFile = v; })},
        {"--json", nullptr,
         "print a summary of the run as JSON on stdout at the end (also of a\nrun that never "
         "started)",
         [](const std::string&, RunOptions& o, std::string&) { return o.json = true; }},
        {"--reconnect-s", "N",
         "how long a line lost during the run is waited for (default 30; 0: not\nat all)",
         NumberOption("--reconnect-s", 0, 86400,
                      [](RunOptions& o, long long n) { o.reconnectSeconds = int(n); })},
        {"--resume-after-reconnect", nullptr,
         "go on with the run at the held line when the line came back and every\n"
         "unit answers as before (otherwise the run ends there)",
         [](const std::string&, RunOptions& o, std::string&) {
             return o.resumeAfterReconnect = true;
         }},
        {"--allow-repeat", nullptr,
         "with --resume-after-reconnect: resume also when the held line's\n"
         "command had reached the line before it was lost; it is sent again, so\n"
         "a relative move or a counting command is done twice",
         [](const std::string&, RunOptions& o, std::string&) { return o.allowRepeat = true; }},
        {"--simulate", "[NETWORK_FILE]",
         "run against a simulated network in this program, no real device: the\n"
         "units of NETWORK_FILE (a vendra-sim network file; taken when the word\n"
         "after --simulate does not end in .def), else those of the last real\n"
         "scan (LastScan.cfg), else the demo network",
         [](const std::string& v, RunOptions& o, std::string&) {
             o.networkFile = v;
             return o.simulate = true;
         },
         true},
        {"--list-devices", nullptr,
         "list the machine's serial devices (path, kernel name, maker, product,\n"
         "serial number) and end; with --json as one object",
         [](const std::string&, RunOptions& o, std::string&) { return o.listDevices = true; }},
        {"--help", nullptr, "this text",
         [](const std::string&, RunOptions& o, std::string&) { return o.help = true; }},
    };
    return rows;
}

const char* const kUsageHead =
    "Usage: vendra-run [options] PROGRAM.def\n"
    "       vendra-run --simulate [NETWORK_FILE] [options] PROGRAM.def\n"
    "       vendra-run --list-devices [--json]\n"
    "Runs a program without a window, as the program's \"Run Program\" does: reads Config.cfg\n"
    "in the working folder (when it is there), opens the port at the chosen rate, scans the\n"
    "network (unless --units), loads the program, runs it with the same runner, and ends.\n"
    "\n"
    "Options:\n";

const char* const kUsageTail =
    "\n"
    "Questions (user_input, user_wait, user_value) take the answers given, in order; when they\n"
    "are used up, a question is asked on the terminal when stdin is one, otherwise the run is\n"
    "stopped (the stop frame is sent) with a message naming the question. Messages (board\n"
    "errors and other reports) are written to stderr.\n"
    "\n"
    "While it runs, stderr shows the current line, command and loop count when it is a\n"
    "terminal. --json prints one object however vendra-run ends: program, end_reason\n"
    "(end_program, last_line, stopped, line_lost, signal, no_answer; usage for a refused\n"
    "command line, not_started for a file, program or port that stopped the start),\n"
    "exit_status, end_line, lines_executed, program_time_s, frames_sent, replies,\n"
    "reply_avg_ms, reply_low_ms, reply_high_ms (null without replies), moves,\n"
    "motor_busy_percent.\n"
    "\n"
    "Before the line is opened: a program not loaded whole (more than 10000 lines or 999\n"
    "labels, a field too long, a NUL byte in a text, a line whose text runs into the next)\n"
    "or without a program line is refused,\n"
    "the --log file is created and every data logger file of the program is checked.\n"
    "\n"
    "A line that goes away during the run holds the run at its line; the device is looked for\n"
    "every 0.5 s for --reconnect-s seconds, reopened at the same rate, and every unit is asked\n"
    "its \"v0\" again (with --resume-after-reconnect, units given with --units are asked theirs\n"
    "at the start, to compare). With --resume-after-reconnect and every unit answering as\n"
    "before, the run goes on at the held line when running it again is harmless: its command\n"
    "had not reached the line, or the line only asks (status queries, waits, \"v\" queries). A\n"
    "command that had reached the line (a move, a raw command) is sent again only with\n"
    "--allow-repeat. Otherwise the run ends with status 1 and the reason; the stop frame is\n"
    "sent when the line is back.\n"
    "\n";

}  // namespace

bool ParseUnitList(const std::string& text, std::vector<std::pair<UnitGroup, unsigned>>& units,
                   std::string& error) {
    units.clear();
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        static const struct {
            char letter;
            UnitGroup group;
        } kLetters[] = {{'D', UnitGroup::DBoard},
                        {'U', UnitGroup::UBoard},
                        {'H', UnitGroup::HBoard},
                        {'X', UnitGroup::AxisBoard},
                        {'Q', UnitGroup::QBoard}};
        const UnitGroup* group = nullptr;
        if (item.size() == 2)
            for (const auto& l : kLetters)
                if (std::toupper(static_cast<unsigned char>(item[0])) == l.letter) group = &l.group;
        const int digit = item.size() == 2 ? protocol::UnitOfDigit(static_cast<char>(
                                                 std::toupper(static_cast<unsigned char>(item[1]))))
                                           : -1;
        if (group == nullptr || digit < 0) {
            error = "\"" + item + "\" is no unit (D, U, H, X or Q and a digit 0..F, e.g. D3)";
            return false;
        }
        for (const auto& u : units)
            if (u.first == *group && u.second == unsigned(digit)) {
                error = item + " is named twice";
                return false;
            }
        units.emplace_back(*group, static_cast<unsigned>(digit));
    }
    if (units.empty()) {
        error = "no unit given";
        return false;
    }
    return true;
}

std::vector<std::string> ParseAnswersText(const std::string& text) {
    std::vector<std::string> answers;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t begin = line.find_first_not_of(" \t\r");
        if (begin == std::string::npos || line[begin] == '#') continue;
        const size_t end = line.find_last_not_of(" \t\r");
        answers.push_back(line.substr(begin, end + 1 - begin));
    }
    return answers;
}

bool ParseRunOptions(const std::vector<std::string>& args, RunOptions& options,
                     std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "-h") arg = "--help";
        if (arg.size() > 1 && arg[0] == '-') {
            const OptionRow* row = nullptr;
            for (const OptionRow& r : Table())
                if (arg == r.name) row = &r;
            if (row == nullptr) {
                error = "unknown option " + arg + " (see --help)";
                return false;
            }
            std::string value;
            // An optional value: a following word that is no option and no program.
            if (row->optionalValue) {
                if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-' &&
                    !IsProgramFileName(args[i + 1]))
                    value = args[++i];
            } else if (row->value != nullptr) {
                if (i + 1 >= args.size()) {
                    error = arg + " needs a value (see --help)";
                    return false;
                }
                value = args[++i];
            }
            if (!row->take(value, options, error)) return false;
            if (options.help) return true;
            continue;
        }
        if (!options.program.empty()) {
            error = "one program only (" + options.program + ", " + arg + ")";
            return false;
        }
        options.program = arg;
    }
    if (options.listDevices) {
        if (!options.program.empty()) {
            error = "--list-devices runs no program (" + options.program + ")";
            return false;
        }
        return true;
    }
    if (options.simulate && (!options.device.empty() || options.port != 0)) {
        error = "--simulate sends no byte to a real device: it cannot go with " +
                std::string(options.device.empty() ? "--port" : "--device");
        return false;
    }
    if (options.program.empty()) {
        error = "no program given (see --help)";
        return false;
    }
    if (!options.answersFile.empty()) {
        std::string text;
        if (!ReadAnswersFile(options.answersFile, text, error)) return false;
        for (std::string& a : ParseAnswersText(text)) options.answers.push_back(a);
    }
    return true;
}

std::string RunHelpText() {
    std::string text = kUsageHead;
    constexpr size_t kHelpColumn = 29;
    for (const OptionRow& row : Table()) {
        std::string head =
            std::string("  ") + row.name + (row.value ? std::string(" ") + row.value : "");
        const std::string help = row.help;
        size_t start = 0;
        for (bool first = true;; first = false) {
            const size_t nl = help.find('\n', start);
            std::string lead = first ? head : std::string();
            lead.resize(lead.size() + 1 > kHelpColumn ? lead.size() + 2 : kHelpColumn, ' ');
            text += lead + help.substr(start, nl == std::string::npos ? nl : nl - start) + "\n";
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
    }
    return text + kUsageTail + PlatformHelp().stops + "\n" + PlatformHelp().example;
}

}  // namespace vendra
