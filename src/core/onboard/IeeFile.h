// On-board program files (".IEE"): one program line per text line, each written as "%s\r\n"; no
// header, no count, no trailer (an empty program is an empty file). Lines that the reading rules
// would change are written quoted (IeeFileLine), so that a saved program reads back the same.
//
// Reading is more lenient than writing:
//  - CR is ignored outside quotes; LF ends a line that has text (blank lines vanish);
//  - a double quote starts text taken unchanged up to the next double quote (';', LF and Ctrl-Z
//    too; the quotes themselves are dropped);
//  - ';' outside quotes ends the line and starts a comment that runs to the end of its text line
//    (a Ctrl-Z in it is comment text);
//  - Ctrl-Z (byte 26) or the end of the file ends the line and the file;
//  - a line left empty (a comment-only line) is not stored; characters past 255 are dropped;
//  - a NUL byte is dropped (the report names its text line);
//  - at most 50000 lines are kept.
//
// Error rule: nothing throws and nothing shows messages (the editor does); results and reports
// say what happened. A load that fails leaves the program as it was (a mistyped name or an
// unreadable file costs no lines), never half-loaded. A save writes the whole file or leaves the
// old one as it was.
// Thread rule: the thread that owns the program at the time (the editor's GUI thread or a tool).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/onboard/OnboardProgram.h"

namespace vendra {

// Where the reader is in the file: its text line (counted from 1 at every LF) and the text lines
// from which a NUL byte was dropped.
struct IeeReadPosition {
    uint32_t Line = 1;
    std::vector<uint32_t> NulLines;
};

// Reads the next line by the rules above into `line`. Returns false once the file (or Ctrl-Z)
// has ended: `line` then holds the text of the last, unterminated line, possibly empty.
// `cut` is set when characters past 255 were dropped; `position`, when given, is kept up to date.
bool ReadIeeLine(std::FILE* file, std::string& line, bool& cut,
                 IeeReadPosition* position = nullptr);

enum class IeeLoadStatus { Loaded, CannotOpen, ReadError };

struct IeeLoadReport {
    IeeLoadStatus Status = IeeLoadStatus::Loaded;
    int Error = 0;                   // errno of a failed open or read
    bool LinesDropped = false;       // the file holds more than 50000 lines
    uint32_t LinesCut = 0;           // lines longer than 255 characters
    std::vector<uint32_t> NulLines;  // text lines (from 1) from which a NUL byte was dropped
    bool Lossy() const { return LinesDropped || LinesCut > 0 || !NulLines.empty(); }
};

// The report's NUL lines as the load names them: "a NUL byte was dropped from line(s) 2, 5"
// (the first ten, then "and N more"); "" when there were none.
std::string IeeNulLinesNote(const IeeLoadReport& report);

// Every line of an open file that the loader keeps: empty lines skipped, at most 50000 (then
// LinesDropped), LinesCut counted. A read error shows in ferror(file).
std::vector<std::string> ReadIeeLines(std::FILE* file, IeeLoadReport& report);

// Loads the file at `path` into the program's lines (current line 0). Only regular files are
// read. Returns true when loaded (possibly with losses, see the report); false leaves the
// program untouched.
bool LoadIeeFile(OnboardProgram& program, const std::string& path, IeeLoadReport& report);

// The name a save writes: `path` as chosen when its file name has an extension, else path.IEE.
std::string IeeFileName(const std::string& path);

// One line as the file holds it: the text and CR LF. A line the reader would not read back as it
// is (one holding ';', CR, LF or Ctrl-Z) is written between double quotes, unless it holds a
// double quote itself, which the format cannot carry inside quotes.
std::string IeeFileLine(const std::string& line);

// Writes every line to IeeFileName(path) and returns true; false with a reason in *error when
// the file cannot be written.
bool SaveIeeFile(const OnboardProgram& program, const std::string& path,
                 std::string* error = nullptr);

// The base name of a file: no folder, no extension ("progs/pump.IEE" -> "pump").
std::string IeeBaseName(const std::string& path);

}  // namespace vendra
