// The network description file of vendra-sim: one statement per line, '#' starts a comment,
// values with spaces go in double quotes.
//   unit NAME [setting ...]        a unit: D3, U2, H1, X1 (AxisBoard unit), Q0; settings as in
//                                  --units (ver=, cpu=, vI=, speed=, busy=, done=, aset=,
//                                  program=; a relative program file is found beside the
//                                  network file)
//   link Q<u>.<c> MOTOR [offset=N] [scale=F] [slip=F]
//                                  QBoard u channel c follows MOTOR (D3, U2, H1, or W1..Z1 for
//                                  the axes of AxisBoard unit 1)
//   baud RATE                      the rate the boards listen at
//   speed N                        default steps per second
//   pace on|off                    line-speed pacing
//   memory N                       every unit's program memory in characters
//   fault RULE                     a fault rule (Faults.h)
// Errors name the file and line; nothing is applied from a file with an error.
#pragma once
#include <string>

#include "sim/SimConfig.h"

namespace vendra::sim {

bool LoadNetworkFile(const std::string& path, Options& options, std::string& error);
// `baseFolder`: where relative program files are found (LoadNetworkFile: the file's folder;
// empty: as given).
bool ParseNetworkText(const std::string& text, const std::string& name, Options& options,
                      std::string& error, const std::string& baseFolder = {});

}  // namespace vendra::sim
