// "Load Define File": the core part of loading a program the operator chose. The window shows the
// open dialog (filter kDefinitionFilter, folder kDefinitionFolder: ProgramFile.h) and hands the
// chosen path here.
// Errors: reported to the operator through Operator::ShowMessageBox; the result is 1 when a
// program is loaded, 0 otherwise. The file is read aside and takes the program's place only when
// it was read completely: a load that failed leaves the program in memory, ProgramLoaded, the
// program's name and path and the run-time tables as they were, never a half program.
// Thread rule: GUI thread, while the system is not busy.
#pragma once
#include <cstdio>
#include <string>

#include "core/program/ProgramFile.h"

namespace vendra {

struct SystemState;
class Operator;

// A program load that also starts the run-time tables afresh (motor records, encoder links,
// registers: ResetRunTables) and sets LinksPresent when the program has link_me lines. Results and
// report as the program file's LoadProgram.
int LoadProgram(SystemState& state, std::FILE* file, LoadReport& report);
int LoadProgram(SystemState& state, const std::string& path, LoadReport& report);

// Message texts of a load.
constexpr const char* kLoadErrorText = "Error in Data File";
constexpr const char* kLoadErrorTitle = "VDWin ERROR Message";
constexpr const char* kFileOperationErrorText =
    "Can't perform one of the following file operations: Open, Seek, Read, Close.";
constexpr const char* kFileOperationErrorTitle = "File Error";

// The file name without folder and extension.
std::string ProgramBaseName(const std::string& path);

// The main window's caption with a program: "Vendra for Windows - Def. File Loaded: <name>".
std::string LoadedCaption(const std::string& programName);

// While the system is busy (a run, network initialisation, communication test): does nothing and
// returns 0, as the menu does.
// Otherwise the file is read. Cannot open: "Error in Data File" / "VDWin ERROR Message" (48),
// result 0. Read error part-way: the file-operation message / "File Error" (1), result 0. Both
// change nothing. Read: ProgramName = base name of path; ProgramPath = path; the program and its
// labels are the file's, the run-time tables start afresh.
// Loaded, but the file holds more than the program can (lines, labels, field lengths): a warning
// naming what was left out / "VDWin ERROR Message" (48); the program is loaded (result 1).
// Success: ProgramLoaded = 1, result 1.
// `report`, when given, receives the load's report (what was left out, whether end_program came).
int LoadProgramFromPath(SystemState& state, Operator& op, const std::string& path,
                        LoadReport* report = nullptr);

}  // namespace vendra
