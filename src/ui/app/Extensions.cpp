// The one place where the handler groups of the subsystems attach themselves to the main window.
// Each subsystem declares an Install function in its own header and adds one call here.
#include "core/app/SystemState.h"
#include "core/program/CommDebugSource.h"
#include "ui/app/MainWindow.h"
#include "ui/editor/DefinitionEditorDisplay.h"
#include "ui/network/AxisStatsBox.h"
#include "ui/network/SimulatedNetworkSwitch.h"
#include "ui/onboard/OnboardEditor.h"
#include "ui/runner/MotionPlotWindow.h"
#include "ui/runner/RunController.h"
#include "ui/serial/CommDebugController.h"
#include "ui/tools/PortConfigurationDialog.h"
#include "ui/tools/ToolsController.h"

namespace vendra::ui {

void InstallExtensions(TMain& main) {
    // The debugger shows the log; the program line of a sent frame comes from the program.
    InstallCommDebug(main, [&state = main.State()](std::string_view logLine) {
        return CommDebugSourceLine(state.Program, state.App.ProgramLoaded.load() == 1, logLine);
    });
    InstallDefinitionEditor(main);
    InstallRunControls(main);
    InstallBoardInfo(main);
    InstallTerminal(main);
    InstallOnboardEditor(main);
    InstallTools(main);
    InstallMotionPlot(main);
    InstallSimulatedNetwork(main);
}

}  // namespace vendra::ui
