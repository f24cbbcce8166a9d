// vendra-sim: plays a network of controller boards on a pseudo-terminal until SIGINT or SIGTERM.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "sim/Faults.h"
#include "sim/NetworkFile.h"
#include "sim/Simulator.h"

using namespace vendra::sim;

namespace {

void PrintHelp() {
    std::printf(
        "Usage: vendra-sim [options]\n"
        "Plays a network of controller boards on a pseudo-terminal. The terminal is linked as\n"
        "COM<port> in the chosen folder (the host opens port n as COM<n> in its working folder).\n"
        "Runs until SIGINT or SIGTERM, then removes the link.\n"
        "\n"
        "Options:\n"
        "  --dir DIR        folder for the COM<n> link (default: the current folder)\n"
        "  --port N         port number: the link is COM<N> (default 1)\n"
        "  --units LIST     units, comma-separated: D3 (DBoard), U2 (UBoard), H1 (HBoard),\n"
        "                   X1 (AxisBoard unit with axes W, X, Y, Z), Q0 (QBoard); each may take\n"
        "                   ':'-separated settings, e.g. D3:ver=205:cpu=11,X1,Q0\n"
        "  --network FILE   network description (format below); --units adds to it\n"
        "  --baud RATE      the rate the boards listen at: 9600, 19200, 38400, 57600 (default),\n"
        "                   115200, 230400, 460800. Frames the host sends at another rate are\n"
        "                   ignored; \"GGc<code>\" moves every board to another rate\n"
        "  --pace           send and receive at line speed (10 bits per byte at the boards' rate)\n"
        "  --speed N        default motor speed in steps per second (default 10000; 0: moves\n"
        "                   end at once)\n"
        "  --busy C         status while a motor moves (default b)\n"
        "  --done C         status when a motor stands (default f)\n"
        "  --fault RULE     a fault rule, may be repeated (format below)\n"
        "  --vanish-after MS  the line vanishes MS milliseconds after the start\n"
        "  --log FILE       write every byte received and sent, with times, to FILE\n"
        "  --help           this text\n"
        "\n"
        "Unit settings:\n"
        "%s"
        "\n"
        "Network file: one statement per line, '#' starts a comment, quotes keep spaces:\n"
        "  unit NAME [setting ...]       e.g. unit D3 ver=205 cpu=11 speed=5000\n"
        "  link Q<u>.<c> MOTOR [offset=N] [scale=F] [slip=F]\n"
        "                                QBoard u channel c follows MOTOR: D3, U2, H1, or W1, X1,\n"
        "                                Y1, Z1 for the axes of AxisBoard unit 1. The count is\n"
        "                                offset + round(scale * counts moved); in full-step mode\n"
        "                                (F) a step counts twice, so the host halves it; slip is\n"
        "                                the fraction of every step the motor loses\n"
        "  baud RATE | speed N | pace on|off | fault RULE\n"
        "\n"
        "Fault rules: KIND[:key=value]...\n"
        "  error     answer with an error status, the unit does not act   status=C (default !)\n"
        "  noreply   the unit acts but its answer is lost\n"
        "  late      the answer comes late                                 ms=N (default 200)\n"
        "  nocr      the answer lacks its CR\n"
        "  overlong  the value text gets extra digits                      len=N (default 40)\n"
        "  garbage   bytes that are no answer, then CR                     text=T\n"
        "  wrongaddr the answer carries another unit digit                 digit=H (default +1)\n"
        "  vanish    the line vanishes: the pty closes and the link goes\n"
        "  for all:  match=PREFIX (frames that begin with it; default all), count=N (fires N\n"
        "            times; default always), skip=N (let N matching frames through), once\n"
        "  e.g. --fault error:match=D3A:once   --fault late:match=Q0P:ms=500\n",
        UnitSettingsHelp());
}

bool NeedValue(int argc, char** argv, int& i, std::string& value) {
    if (i + 1 >= argc) {
        std::fprintf(stderr, "vendra-sim: %s needs a value (see --help)\n", argv[i]);
        return false;
    }
    value = argv[++i];
    return true;
}

bool ParseNumber(const std::string& text, long& out) {
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    options.keepMemoryLog = false;
    std::string networkFile, units, baud, speed, busy, done;
    std::vector<std::string> faults;
    long vanishAfterMs = -1;
    bool pace = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        long number = 0;
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        } else if (arg == "--pace") {
            pace = true;
        } else if (arg == "--dir") {
            if (!NeedValue(argc, argv, i, options.folder)) return 2;
        } else if (arg == "--port") {
            if (!NeedValue(argc, argv, i, value)) return 2;
            if (!ParseNumber(value, number) || number < 1 || number > 255) {
                std::fprintf(stderr, "vendra-sim: --port needs a number 1..255\n");
                return 2;
            }
            options.port = static_cast<int>(number);
        } else if (arg == "--units") {
            if (!NeedValue(argc, argv, i, value)) return 2;
            units += (units.empty() ? "" : ",") + value;
        } else if (arg == "--network") {
            if (!NeedValue(argc, argv, i, networkFile)) return 2;
        } else if (arg == "--baud") {
            if (!NeedValue(argc, argv, i, baud)) return 2;
        } else if (arg == "--speed") {
            if (!NeedValue(argc, argv, i, speed)) return 2;
        } else if (arg == "--busy") {
            if (!NeedValue(argc, argv, i, busy)) return 2;
        } else if (arg == "--done") {
            if (!NeedValue(argc, argv, i, done)) return 2;
        } else if (arg == "--log") {
            if (!NeedValue(argc, argv, i, options.logFile)) return 2;
        } else if (arg == "--fault") {
            if (!NeedValue(argc, argv, i, value)) return 2;
            faults.push_back(value);
        } else if (arg == "--vanish-after") {
            if (!NeedValue(argc, argv, i, value)) return 2;
            if (!ParseNumber(value, vanishAfterMs) || vanishAfterMs < 0) {
                std::fprintf(stderr, "vendra-sim: --vanish-after needs milliseconds\n");
                return 2;
            }
        } else {
            std::fprintf(stderr, "vendra-sim: unknown option %s (see --help)\n", arg.c_str());
            return 2;
        }
    }

    std::string error;
    if (!networkFile.empty() && !LoadNetworkFile(networkFile, options, error)) {
        std::fprintf(stderr, "vendra-sim: %s\n", error.c_str());
        return 2;
    }
    if (!units.empty() && !ParseUnits(units, options.units, error)) {
        std::fprintf(stderr, "vendra-sim: --units: %s\n", error.c_str());
        return 2;
    }
    long number = 0;
    if (!baud.empty()) {
        if (!ParseNumber(baud, number) || !IsBoardBaud(static_cast<uint32_t>(number))) {
            std::fprintf(stderr,
                         "vendra-sim: --baud needs one of 9600, 19200, 38400, 57600, "
                         "115200, 230400, 460800\n");
            return 2;
        }
        options.boardBaud = static_cast<uint32_t>(number);
    }
    if (!speed.empty()) {
        char* end = nullptr;
        options.defaultSpeed = std::strtod(speed.c_str(), &end);
        if (*end != '\0') {
            std::fprintf(stderr, "vendra-sim: --speed needs steps per second\n");
            return 2;
        }
    }
    std::pair<const std::string*, char*> statuses[] = {{&busy, &options.defaultBusy},
                                                       {&done, &options.defaultDone}};
    for (auto [text, target] : statuses) {
        if (text->empty()) continue;
        if (text->size() != 1) {
            std::fprintf(stderr, "vendra-sim: --busy and --done need one status character\n");
            return 2;
        }
        *target = (*text)[0];
    }
    if (pace) options.pace = true;
    for (const auto& rule : faults) {
        if (!ParseFault(rule, error)) {
            std::fprintf(stderr, "vendra-sim: --fault: %s\n", error.c_str());
            return 2;
        }
        options.faults.push_back(rule);
    }

    // The signals are taken synchronously by this thread; the simulator thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "vendra-sim: %s\n", sim.Error().c_str());
        return 1;
    }
    std::string names;
    for (const auto& name : sim.UnitNames()) names += " " + name;
    std::printf("vendra-sim: %s -> %s; units:%s; boards at %u baud%s\n", sim.LinkPath().c_str(),
                sim.SlavePath().c_str(), names.empty() ? " none" : names.c_str(), sim.BoardBaud(),
                options.pace ? ", paced" : "");
    std::fflush(stdout);

    for (;;) {
        int sig = 0;
        if (vanishAfterMs >= 0 && !sim.LineVanished()) {
            timespec wait{vanishAfterMs / 1000, (vanishAfterMs % 1000) * 1000000};
            sig = sigtimedwait(&signals, nullptr, &wait);
            if (sig < 0 && errno == EAGAIN) {
                sim.VanishLine();
                std::printf("vendra-sim: the line vanished\n");
                std::fflush(stdout);
                vanishAfterMs = -1;
                continue;
            }
        } else {
            sig = sigwaitinfo(&signals, nullptr);
        }
        if (sig > 0) break;
    }
    sim.Stop();
    return 0;
}
