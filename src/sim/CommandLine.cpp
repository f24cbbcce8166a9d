#include "sim/CommandLine.h"

#include <cstdlib>
#include <functional>

#include "sim/Faults.h"
#include "sim/NetworkFile.h"

namespace vendra::sim {
namespace {

// What the options ask for, before they are applied in their order (file, units, the rest).
struct Wanted {
    std::string networkFile, units;
    std::vector<std::function<bool(Options&, std::string&)>> overrides;
};

struct OptionRow {
    const char* name;
    const char* value;  // name of the value in the help text; nullptr for a switch
    const char* help;   // may span lines ('\n'); indented by the help printer
    std::function<bool(const std::string& value, CommandLine&, Wanted&, std::string& error)> take;
};

bool Number(const std::string& text, long& out) {
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

// An option applied after the network file and the units.
template <typename F>
bool Later(Wanted& wanted, F apply) {
    wanted.overrides.emplace_back(apply);
    return true;
}

const std::vector<OptionRow>& Table() {
    static const std::vector<OptionRow> rows = {
        {"--dir", "DIR", "folder for the COM<n> link (default: the current folder)",
         [](const std::string& v, CommandLine& l, Wanted&, std::string&) {
             l.options.folder = v;
             return true;
         }},
        {"--port", "N", "port number: the link is COM<N> (default 1)",
         [](const std::string& v, CommandLine& l, Wanted&, std::string& error) {
             long n = 0;
             if (!Number(v, n) || n < 1 || n > 255) {
                 error = "--port needs a number 1..255";
                 return false;
             }
             l.options.port = static_cast<int>(n);
             return true;
         }},
        {"--units", "LIST",
         "units, comma-separated: D3 (DBoard), U2 (UBoard), H1 (HBoard),\n"
         "X1 (AxisBoard unit with axes W, X, Y, Z), Q0 (QBoard); each may take\n"
         "':'-separated settings, e.g. D3:ver=205:cpu=11,X1,Q0",
         [](const std::string& v, CommandLine&, Wanted& w, std::string&) {
             w.units += (w.units.empty() ? "" : ",") + v;
             return true;
         }},
        {"--network", "FILE", "network description (format below); --units adds to it",
         [](const std::string& v, CommandLine&, Wanted& w, std::string&) {
             w.networkFile = v;
             return true;
         }},
        {"--baud", "RATE",
         "the rate the boards listen at: 9600, 19200, 38400, 57600 (default),\n"
         "115200, 230400, 460800. Frames the host sends at another rate are\n"
         "ignored; \"GGc<code>\" moves every board to another rate",
         [](const std::string& v, CommandLine&, Wanted& w, std::string&) {
             return Later(w, [v](Options& o, std::string& error) {
                 long n = 0;
                 if (!Number(v, n) || !IsBoardBaud(static_cast<uint32_t>(n))) {
                     error =
                         "--baud needs one of 9600, 19200, 38400, 57600, 115200, 230400, "
                         "460800";
                     return false;
                 }
                 o.boardBaud = static_cast<uint32_t>(n);
                 return true;
             });
         }},
        {"--pace", nullptr, "send and receive at line speed (10 bits per byte at the boards' rate)",
         [](const std::string&, CommandLine&, Wanted& w, std::string&) {
             return Later(w, [](Options& o, std::string&) { return o.pace = true; });
         }},
        {"--stamps", nullptr,
         "the boards take the host's time stamp (\"<digits> : \") off the front\n"
         "of every frame; a unit loading its program keeps it as program text",
         [](const std::string&, CommandLine&, Wanted& w, std::string&) {
             return Later(w, [](Options& o, std::string&) { return o.stampedFrames = true; });
         }},
        {"--speed", "N",
         "default motor speed in steps per second (default 10000; 0: moves\nend at once)",
         [](const std::string& v, CommandLine&, Wanted& w, std::string&) {
             return Later(w, [v](Options& o, std::string& error) {
                 char* end = nullptr;
                 double speed = std::strtod(v.c_str(), &end);
                 if (v.empty() || *end != '\0') {
                     error = "--speed needs steps per second";
                     return false;
                 }
                 o.defaultSpeed = speed;
                 return true;
             });
         }},
        {"--lower-case", nullptr,
         "DBoard, UBoard and HBoard units answer with their lower-case letter\n(d3>, u2f, h1>)",
         [](const std::string&, CommandLine&, Wanted& w, std::string&) {
             return Later(w, [](Options& o, std::string&) { return o.lowerCaseReplies = true; });
         }},
        {"--busy", "C", "status while a motor moves (default b)",
         [](const std::string& v, CommandLine&, Wanted& w, std::string& error) {
             if (v.size() != 1) {
                 error = "--busy needs one status character";
                 return false;
             }
             return Later(w, [c = v[0]](Options& o, std::string&) { return (o.defaultBusy = c); });
         }},
        {"--done", "C", "status when a motor stands (default f)",
         [](const std::string& v, CommandLine&, Wanted& w, std::string& error) {
             if (v.size() != 1) {
                 error = "--done needs one status character";
                 return false;
             }
             return Later(w, [c = v[0]](Options& o, std::string&) { return (o.defaultDone = c); });
         }},
        {"--memory", "N",
         "every unit's program memory in characters (default 2048; a unit's\n"
         "vF=N setting overrides it); vF answers it",
         [](const std::string& v, CommandLine&, Wanted& w, std::string& error) {
             long n = 0;
             if (!Number(v, n) || n < 1 || n > (1L << 24)) {
                 error = "--memory needs a number of characters 1..16777216";
                 return false;
             }
             return Later(w, [n](Options& o, std::string&) {
                 o.programSize = static_cast<uint32_t>(n);
                 return true;
             });
         }},
        {"--fault", "RULE", "a fault rule, may be repeated (format below)",
         [](const std::string& v, CommandLine&, Wanted& w, std::string& error) {
             if (!ParseFault(v, error)) {
                 error = "--fault: " + error;
                 return false;
             }
             return Later(w, [v](Options& o, std::string&) {
                 o.faults.push_back(v);
                 return true;
             });
         }},
        {"--vanish-after", "MS", "the line vanishes MS milliseconds after the start",
         [](const std::string& v, CommandLine& l, Wanted&, std::string& error) {
             if (!Number(v, l.vanishAfterMs) || l.vanishAfterMs < 0) {
                 error = "--vanish-after needs milliseconds";
                 return false;
             }
             return true;
         }},
        {"--return-after", "MS",
         "a vanished line (--vanish-after, a vanish fault) comes back on the\n"
         "same link MS milliseconds later, with every unit as it was",
         [](const std::string& v, CommandLine& l, Wanted&, std::string& error) {
             long n = 0;
             if (!Number(v, n) || n < 0 || n > 86400000) {
                 error = "--return-after needs milliseconds";
                 return false;
             }
             l.options.returnAfterMs = static_cast<int>(n);
             return true;
         }},
        {"--log", "FILE", "write every byte received and sent, with times, to FILE",
         [](const std::string& v, CommandLine& l, Wanted&, std::string&) {
             l.options.logFile = v;
             return true;
         }},
        {"--help", nullptr, "this text",
         [](const std::string&, CommandLine& l, Wanted&, std::string&) { return l.help = true; }},
    };
    return rows;
}

const char* const kAfterOptions =
    "\n"
    "Program memory (each unit; addresses from 1, a line takes its length and a CR):\n"
    "  vF -> \"<letter><digit>><size>\"; D<a> lists \"<address>:<text>\" lines from address a,\n"
    "  then the end marker <lower-case letter><digit>c (d5c, x1c, q0c); Q<a> loads from a: a\n"
    "  ':' before every line, a line beginning with ESC ends the load (a line that does not\n"
    "  fit ends it with '!'); Z erases, K<a> runs, * stops the program and what the unit was\n"
    "  sending. GGZ and GGK<a> reach the DBoard, UBoard and HBoard units; a QBoard takes\n"
    "  Q*, QZ and QK<a>.\n"
    "\n"
    "Network file: one statement per line, '#' starts a comment, quotes keep spaces:\n"
    "  unit NAME [setting ...]       e.g. unit D3 ver=205 cpu=11 speed=5000\n"
    "  link Q<u>.<c> MOTOR [offset=N] [scale=F] [slip=F]\n"
    "                                QBoard u channel c follows MOTOR: D3, U2, H1, or W1, X1,\n"
    "                                Y1, Z1 for the axes of AxisBoard unit 1. The count is\n"
    "                                offset + round(scale * counts moved); in full-step mode\n"
    "                                (F) a step counts twice, so the host halves it; slip is\n"
    "                                the fraction of every step the motor loses\n"
    "  baud RATE | speed N | pace on|off | replies upper|lower | memory N | fault RULE\n"
    "\n"
    "Fault rules: KIND[:key=value]...\n"
    "  error     answer with an error status, the unit does not act   status=C (default !)\n"
    "  noreply   the unit acts but its answer is lost\n"
    "  late      the answer comes late                                 ms=N (default 200)\n"
    "  nocr      the answer lacks its CR\n"
    "  overlong  the value text gets extra digits                      len=N (default 40)\n"
    "  garbage   bytes that are no answer, then CR                     text=T\n"
    "  wrongaddr the answer carries another unit digit                 digit=H (default +1)\n"
    "  vanish    the line vanishes: the pty closes and the link goes;  return=MS (it comes\n"
    "            back on the same link MS later; default --return-after, else never)\n"
    "  cut       the answer stops after some of its lines              lines=N (default 1)\n"
    "            (a program listing broken off; the load's ':' prompt counts as no line)\n"
    "  noise     a line without ':' before every line of the answer    text=T\n"
    "  offby     the number the answer carries is off by N             by=N (default 1)\n"
    "  slow      the answer's bytes come N ms apart                    ms=N (default 200)\n"
    "  for all:  match=PREFIX (frames that begin with it; default all), count=N (fires N\n"
    "            times; default always), skip=N (let N matching frames through), once\n"
    "  e.g. --fault error:match=D3A:once   --fault late:match=Q0P:ms=500\n"
    "       --fault offby:match=D3m (the read-back answers one more than was set)\n";

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error) {
    line.options.keepMemoryLog = false;
    Wanted wanted;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h") arg = "--help";
        const OptionRow* row = nullptr;
        for (const OptionRow& r : Table())
            if (arg == r.name) row = &r;
        if (row == nullptr) {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
        std::string value;
        if (row->value != nullptr) {
            if (i + 1 >= argc) {
                error = arg + " needs a value (see --help)";
                return false;
            }
            value = argv[++i];
        }
        if (!row->take(value, line, wanted, error)) return false;
        if (line.help) return true;
    }
    if (!wanted.networkFile.empty() && !LoadNetworkFile(wanted.networkFile, line.options, error))
        return false;
    if (!wanted.units.empty() && !ParseUnits(wanted.units, line.options.units, error)) {
        error = "--units: " + error;
        return false;
    }
    for (const auto& apply : wanted.overrides)
        if (!apply(line.options, error)) return false;
    return true;
}

std::string HelpText() {
    std::string text =
        "Usage: vendra-sim [options]\n"
        "Plays a network of controller boards on a pseudo-terminal. The terminal is linked as\n"
        "COM<port> in the chosen folder (the host opens port n as COM<n> in its working folder).\n"
        "Runs until SIGINT or SIGTERM, then removes the link.\n"
        "\n"
        "Options:\n";
    constexpr size_t kHelpColumn = 19;
    for (const OptionRow& row : Table()) {
        std::string head =
            std::string("  ") + row.name + (row.value ? std::string(" ") + row.value : "");
        std::string help = row.help;
        size_t start = 0;
        for (bool first = true; start <= help.size(); first = false) {
            size_t nl = help.find('\n', start);
            std::string part = help.substr(start, nl == std::string::npos ? nl : nl - start);
            std::string lead = first ? head : std::string();
            // A long name pushes its first help line two spaces to the right.
            lead.resize(lead.size() + 1 > kHelpColumn ? lead.size() + 2 : kHelpColumn, ' ');
            text += lead + part + "\n";
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
    }
    text += "\nUnit settings:\n";
    text += UnitSettingsHelp();
    text += kAfterOptions;
    return text;
}

}  // namespace vendra::sim
