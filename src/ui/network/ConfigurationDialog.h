// TConfiguration ("Configure System"): shows and edits the seven values of "Config.cfg". Choosing
// a port changes CommPortNumber at once (Cancel does not undo it); OK stores the six times, writes
// the file and, when the port differs from the one at activation, restarts network
// initialisation. With "No Comm" chosen the port cannot be changed.
// Below, the machine's serial devices: the one chosen is bound to the port number in Ports.cfg on
// OK (Cancel binds nothing), and a label says which device the port will open, why, and what to
// do when the current user may not open it.
// Thread rule: GUI thread.
#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/app/SystemState.h"
#include "core/serial/SerialDeviceList.h"
#include "core/serial/SerialDeviceMonitor.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace vendra::ui {

class SerialDeviceTable;

class TConfiguration : public QDialog {
    Q_OBJECT
  public:
    struct Actions {
        std::function<int()> WriteConfiguration;             // 1 written, 0 failed (it reports)
        std::function<void()> StartNetworkInitialisation;    // after a port change
        std::string Folder = ".";                            // where COM<n> links and Ports.cfg are
        std::shared_ptr<SerialDeviceEnumerator> Enumerator;  // none: no list
        std::function<std::unique_ptr<SerialDeviceMonitor>()> MakeMonitor;  // none: "Refresh"
        std::function<int(const std::string&)> AccessError;  // none: DeviceAccessError
        std::function<void(const std::string&)> BindFailed;  // Ports.cfg could not be written
    };

    TConfiguration(SystemState& state, Actions actions, QWidget* parent = nullptr);

    void FormActivate();
    void CommPortChange(int index);
    void OKButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLineEdit* Edit(const char* name) const;
    void ShowDevice();
    bool BindChosenDevice();

    SystemState& state_;
    Actions actions_;
    QComboBox* commPort_;
    QLabel* device_;
    SerialDeviceTable* devices_;
    QLabel* deviceReason_;
    int32_t portAtActivation_ = 0;
    bool activated_ = false;
    bool loading_ = false;
};

}  // namespace vendra::ui
