// The IEEPROM editor's line operations on the program: each asks for the text through `edit`
// (false = the operator cancelled), keeps OnboardCurrentLine where the editor shows it afterwards
// and sets OnboardModified when the program changed. `selected` is the selected row, -1 for none.
//
// Error rule: a refused or cancelled operation leaves the program as it was; the result says why.
// Thread rule: the editor's GUI thread, while no transfer runs.
#pragma once
#include <functional>
#include <string>

#include "core/onboard/OnboardProgram.h"

namespace vendra {

enum class OnboardEdit { Changed, Cancelled, Full, NoLine };
using OnboardLineEdit = std::function<bool(std::string& text)>;

// A new line after the last one.
OnboardEdit AddOnboardLine(OnboardProgram& program, const OnboardLineEdit& edit);
// A new line before the selected one (at the end with none selected).
OnboardEdit InsertOnboardLine(OnboardProgram& program, int selected, const OnboardLineEdit& edit);
// The selected line changed (nothing happens with none selected).
OnboardEdit EditOnboardLineAt(OnboardProgram& program, int selected, const OnboardLineEdit& edit);
// The selected line removed (the last one with none selected).
OnboardEdit DeleteOnboardLine(OnboardProgram& program, int selected);

}  // namespace vendra
