// The one place where the handler groups of the subsystems attach themselves to the main window.
// Each subsystem declares an Install function in its own header and adds one call here.
#include "ui/app/MainWindow.h"
#include "ui/editor/DefinitionEditorDisplay.h"
#include "ui/network/AxisStatsBox.h"
#include "ui/onboard/OnboardEditor.h"
#include "ui/runner/MotionPlotWindow.h"
#include "ui/runner/RunController.h"
#include "ui/serial/CommDebugController.h"
#include "ui/tools/PortConfigurationDialog.h"
#include "ui/tools/ToolsController.h"

namespace vendra::ui {

void InstallExtensions(TMain& main) {
    InstallCommDebug(main);
    InstallDefinitionEditor(main);
    InstallRunControls(main);
    InstallBoardInfo(main);
    InstallTerminal(main);
    InstallOnboardEditor(main);
    InstallTools(main);
    InstallMotionPlot(main);
}

}  // namespace vendra::ui
