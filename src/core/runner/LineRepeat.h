// Whether a program line may be run a second time without changing what the boards do: after a
// lost line the held line is run again, and a command that already reached the boards would then
// act twice.
// Error rule: none (a pure function of the line). Thread rule: any thread.
#pragma once
#include "core/program/ProgramModel.h"

namespace vendra {

// True for a line that only asks: a status query (an empty command text), a "v" information
// query, a check or wait for a motor, a wait for a response, a delay, and lines that send nothing.
// False for every other board line (moves, relative moves, raw commands, encoder readings that
// feed the data logger): its effect may be done twice.
bool LineOnlyAsks(const ProgramLine& line);

}  // namespace vendra
