// vendra-def: lists .def program files as the definition editor shows them and checks their jump
// addresses, and lists on-board program files (".IEE", by extension in any case) as the IEEPROM
// editor shows them, for people who keep programs under version control. Everything it reads and
// writes goes through the program's own readers, formatters and writers.
// Errors: reported on `err`, one line per problem, prefixed "vendra-def: <file>: ".
// Thread rule: single-threaded tool.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace vendra {

// Exit statuses.
constexpr int kDefOk = 0;      // every file read whole and passed the check
constexpr int kDefFailed = 1;  // a file could not be read, was not read whole, failed the check
                               // or could not be written back
constexpr int kDefUsage = 2;   // bad command line

// Runs the tool on its arguments (without the program name): "[--normalize] FILE...".
// For each .def file: the display listing ("%04u - " lines) on out, then the address check's
// result. For each .IEE file: one "%05u/%05u - " line per program line (number, location).
// --normalize writes each file back in the program's own form, unless the file holds more than
// the program keeps (that would lose data) or could not be read.
int RunVendraDef(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vendra
