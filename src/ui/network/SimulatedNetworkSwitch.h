// The System menu's "Simulated Network..." and "Back to the Real Line": the program starts a
// simulated board network of its own (in this process, see SimulatedLine) and the line opens it
// instead of the port's device, so no byte goes to a real device while it is on; the caption and
// every run start say so. Going back, or ending the program, stops it. Either way the start-up
// scan then runs on the line now chosen.
// Thread rule: GUI thread.
#pragma once
#include <QObject>
#include <functional>
#include <memory>

#include "simline/SimulatedLine.h"

namespace vendra::ui {

class TMain;

class SimulatedNetworkSwitch : public QObject {
    Q_OBJECT
  public:
    explicit SimulatedNetworkSwitch(TMain& main);
    ~SimulatedNetworkSwitch() override;

    // The menu item: the dialog, then Start with what it chose.
    void Choose();
    // Starts the network chosen and scans it; false (with a message) when it cannot start or the
    // line is busy, and the line stays as it was.
    bool Start(const SimulatedNetworkChoice& choice);
    void BackToRealLine();
    SimulatedLine* Line() { return line_.get(); }

  private:
    // Runs `change` while holding the line, closed; false when another activity has it.
    bool WithLineClosed(const std::function<void()>& change);
    void Stop();

    TMain& main_;
    std::unique_ptr<SimulatedLine> line_;
};

// Adds the menu items' handling to the window.
void InstallSimulatedNetwork(TMain& main);

}  // namespace vendra::ui
