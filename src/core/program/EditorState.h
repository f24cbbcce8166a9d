// The definition editor's state: which line the editor and its dialogs work on, the flags that
// track unsaved work, and the label picker's memory. It outlives each opening of the editor (the
// main window reads the program's name, the chooser remembers its last choice) and lives in the
// system state; the editor takes it, with the program and the application flags, as its slice.
// Errors: none; plain data.
// Thread rule: GUI thread only. The editor runs only while no runner runs, so the runner never
// sees the program change under it.
#pragma once
#include <cstdint>
#include <vector>

#include "core/base/AppState.h"
#include "core/program/ProgramModel.h"

namespace vendra {

struct EditorState {
    int32_t CurrentLine = -1;    // 0-based line the editor and its dialogs work on; -1 none
    uint32_t ProgramEdited = 0;  // changed in the editor since the last New File
    uint32_t SavePending = 0;    // changed since the editor was opened and not yet written
    uint32_t EditorActive = 0;   // the window has done its activation work
    uint32_t NewProgram = 0;     // begun with New File, not loaded or saved since
    std::vector<uint8_t> LineIsLabel = std::vector<uint8_t>(kMaxProgramLines);  // drawn bold
    uint8_t ChosenCommand = 0;       // code picked in the chooser; 255 when its text is no keyword
    uint32_t LastChosenCommand = 0;  // the chooser's selection, kept between openings
    uint32_t LabelPickInit = 0;      // item the label picker preselects
    uint32_t LabelPick = 0;          // item picked last
    int32_t FaultyLine = 0;          // line the address check found faulty
};

// What the definition editor works on.
struct DefinitionEditorState {
    AppState& App;
    UserProgram& Program;
    LabelTable& Labels;
    EditorState& Editor;
};

}  // namespace vendra
