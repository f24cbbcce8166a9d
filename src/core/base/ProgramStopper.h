// How a layer below the runner ends the user program's run (a board error seen by the board
// transaction, a lost line): it calls this interface, which the composition root wires to the
// runner, instead of writing the runner's flags.
// Thread rule: StopProgram may be called from any thread.
#pragma once

namespace vendra {

class ProgramStopper {
  public:
    virtual ~ProgramStopper() = default;
    // Ends the run after the current command; a run that is not running is left as it is.
    virtual void StopProgram() = 0;
};

}  // namespace vendra
