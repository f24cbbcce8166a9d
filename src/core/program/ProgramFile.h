// Program files (".def"): the reader and the writer.
// File form: one program line per text line, as FormatLine's file form, each ending in CR LF.
// Reading: fields are read as a stream (TokenReader); a field that is no keyword is skipped, a
// missing field is taken from the text that follows; reading stops after `end_program`. So a
// line whose last field is empty ("") or missing, with no comment after it, takes the next line's
// text in: it is read that way all the same, and named in the report. The
// reader never stores more than 10000 lines or 999 named labels, and keeps the first 149 bytes of
// a field (99 of a label name); what it leaves out is counted in the LoadReport.
// Errors: functions return 1/0 and fill a report; they never show messages (LoadProgramFile does).
// A load that fails after the file was opened leaves the program cleared, never half-loaded.
// A save writes a temporary file next to the target and renames it over the target, so a failed
// save leaves the previous file as it was (core/base/AtomicFile.h: links, permissions, folders
// where no temporary file can be made).
// Thread rule: GUI thread (or a tool's only thread), never while a runner runs.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/base/SharedText.h"
#include "core/program/ProgramModel.h"

namespace vendra {

// The file dialogs' filter of program files, and the folder they open in.
constexpr const char* kDefinitionFilter = "Definition Filter|*.def;*.DEF";
constexpr const char* kDefinitionFolder = "define";

enum class LoadStatus { Loaded, CannotOpen, ReadError };

struct LoadReport {
    LoadStatus Status = LoadStatus::Loaded;
    int Error = 0;               // errno of a failed open or read
    bool LinesDropped = false;   // the file holds more than 10000 program lines
    uint32_t LabelsDropped = 0;  // label lines past the 999th: stored, but not in the label table
    uint32_t FieldsCut = 0;      // fields, comments and label names cut to their buffers
    std::vector<uint32_t> NulLines;    // lines (1-based) whose text, label or comment a NUL cut
    std::vector<uint32_t> RunOnLines;  // lines (1-based) that took a field from the next line
    bool LinksFound = false;           // a link_me line was read
    bool EndFound = false;             // reading stopped at end_program

    // The program in memory is not everything the file holds.
    bool Lossy() const {
        return LinesDropped || LabelsDropped > 0 || FieldsCut > 0 || !NulLines.empty() ||
               !RunOnLines.empty();
    }
};

// One sentence per loss of the report, or "" when nothing was lost.
std::string DescribeLosses(const LoadReport& report);

// Reads program lines from an open stream into program and labels, which the caller has cleared.
// Sets report's counts; does not look at read errors (the caller checks ferror).
void ReadProgram(std::FILE* file, UserProgram& program, LabelTable& labels, LoadReport& report);

// Loads from an open stream: clears the program, then reads. A read error gives ReadError and
// leaves the program empty. Returns 1 when loaded, 0 on a read error.
int LoadProgram(UserProgram& program, LabelTable& labels, std::FILE* file, LoadReport& report);

// Loads the file at path: clears the program, then reads. Only regular files are read (a
// directory, FIFO or device gives CannotOpen). A file whose size or time of change moved while it
// was read was rewritten meanwhile: ReadError, program empty. Returns 1 when loaded (possibly with
// losses, see report), 0 when the file cannot be opened or read; the program is then empty.
int LoadProgram(UserProgram& program, LabelTable& labels, const std::string& path,
                LoadReport& report);

// The name SaveProgram writes: path, with ".def" appended when its file name has no extension.
std::string DefinitionFileName(const std::string& path);

// Writes every line of the program to exactly `path` (FormatLine file form + CR LF), through a
// temporary file beside the file and a rename (WriteFileAtomically): an existing file keeps its
// permissions, a symbolic link stays and its file is replaced, and a folder where no temporary
// file can be made gets the file written in place. Returns 1 on success; 0 when the file cannot
// be created or written, with a reason in *error when error is not null.
int SaveProgramTo(UserProgram& program, const std::string& path, std::string* error = nullptr);

// Saves to DefinitionFileName(programPath) and, on success, sets programPath to that name.
int SaveProgram(UserProgram& program, SharedText& programPath, std::string* error = nullptr);

}  // namespace vendra
