// "Config.cfg": the seven configuration values, one unsigned decimal number per line, each line
// ended by CR LF, in the order CommPortNumber, ReplyTimeout, MainWindowTime, TempWinTime,
// TXDdelay, EncoderWinTime, InitTimeout.
//
// Reading accepts lines ended by CR LF, CR alone or LF alone; a Ctrl-Z byte or the end of the
// file also ends a line; text is converted with atol conventions (no digits gives 0; numbers out
// of range saturate, never wrap). Lines longer than the line buffer are cut at its size (the rest
// of the line is skipped). Only the first kConfigReadLimit bytes are read. Missing lines read as 0.
// Error rule: results are 1 (done) or 0 (not done); every failure is reported to the operator by
// the function itself:
//  - no file: "Error, Can not Open Configuration file, Would you like to create one???" (Yes/No);
//    Yes writes the values held in memory;
//  - a file (or folder) that exists but cannot be read: "Error, Can not read Configuration file
//    <path>: <reason>", and it is never offered to be replaced;
//  - file cannot be written: "Error, Can not Save Configuration file"; the file on disk is left as
//    it was (the new text goes to a temporary file that replaces it only when complete; a link
//    stays a link and the file keeps its permissions; see core/base/AtomicFile.h);
//  - file read but some line holds no number, or lines are missing: a warning naming the lines;
//    those values are 0, as the reader always gave them.
// Thread rule: call from one thread at a time (the GUI thread, at start-up and on the dialog's
// OK); the values themselves are atomics.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/base/Configuration.h"
#include "core/base/Operator.h"

namespace vendra {

inline constexpr const char* kConfigFileName = "Config.cfg";
constexpr size_t kConfigLineSize = 64;  // line buffer of the reader (at least 52)
constexpr int kConfigLineCount = 7;
// The reader looks at no more of the file than this: the seven lines need far less, and a huge
// file must not hold the window.
constexpr size_t kConfigReadLimit = 64 * 1024;

// Path of the file in `folder` ("" or "." is the working directory).
std::string ConfigFilePath(const std::string& folder);

// Reads the seven values. Returns 1 when the file was read, 0 when it could not be opened.
int ReadConfiguration(Configuration& config, Operator& op, const std::string& folder = ".");
// Writes the seven values. Returns 1 when the file was written, 0 on failure (message shown).
int WriteConfiguration(const Configuration& config, Operator& op, const std::string& folder = ".");

// Reads one line from `file` into `line` (at most capacity-1 characters, NUL-terminated). A CR LF
// pair, a lone CR, a lone LF, a Ctrl-Z byte or the end of the file ends the line. Returns false
// when the file had already ended (the line is then empty).
bool ReadConfigLine(std::FILE* file, char* line, size_t capacity);

// The C library's atol conventions on a 32-bit value: optional blanks and sign, then decimal
// digits; no digits gives 0. Numbers beyond -2147483648 .. 4294967295 saturate there, and the
// value is stored as its 32 bits, so 4294967295 (what the writer writes for -1) reads as -1.
int32_t ConfigAtol(const char* text, bool* hadDigits = nullptr);

}  // namespace vendra
