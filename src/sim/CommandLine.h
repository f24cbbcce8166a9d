// The command line of vendra-sim: one table of options, which both the parser and --help walk.
// Error rule: ParseCommandLine returns false with a one-line reason; nothing is printed here.
// Thread rule: plain functions, no state.
#pragma once
#include <string>
#include <vector>

#include "sim/SimConfig.h"

namespace vendra::sim {

struct CommandLine {
    Options options;
    bool help = false;
    long vanishAfterMs = -1;  // the line vanishes this long after the start; -1: never
};

// Reads the arguments (argv[1..argc-1]). The network file is read first, then --units adds to
// it, and the other options override what the file set.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& line, std::string& error);

// The --help text: usage, every option of the table, unit settings, network file, fault rules.
std::string HelpText();

}  // namespace vendra::sim
