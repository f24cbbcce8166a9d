// TConfiguration ("Configure System"): shows and edits the seven values of "Config.cfg". Choosing
// a port changes CommPortNumber at once (Cancel does not undo it); OK stores the six times, writes
// the file and, when the port differs from the one at activation, restarts network
// initialisation. With "No Comm" chosen the port cannot be changed.
// Thread rule: GUI thread.
#pragma once
#include <QDialog>
#include <functional>

#include "core/app/SystemState.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace vendra::ui {

class TConfiguration : public QDialog {
    Q_OBJECT
  public:
    struct Actions {
        std::function<int()> WriteConfiguration;           // 1 written, 0 failed (it reports)
        std::function<void()> StartNetworkInitialisation;  // after a port change
        std::function<QString(int)> DeviceForPort;         // what port n opens
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

    SystemState& state_;
    Actions actions_;
    QComboBox* commPort_;
    QLabel* device_;
    int32_t portAtActivation_ = 0;
    bool activated_ = false;
    bool loading_ = false;
};

}  // namespace vendra::ui
