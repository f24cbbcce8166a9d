// The machine's serial devices as a table to choose one from: stable path, kernel name and a USB
// adapter's maker, product and serial texts, with the devices the current user may not open
// marked. The table follows plugging through a monitor's descriptor; without a monitor it offers
// "Refresh" instead.
// Thread rule: GUI thread.
#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/serial/SerialDeviceList.h"
#include "core/serial/SerialDeviceMonitor.h"

class QLabel;
class QSocketNotifier;
class QTreeWidget;

namespace vendra::ui {

class SerialDeviceTable : public QWidget {
    Q_OBJECT
  public:
    struct Sources {
        std::shared_ptr<SerialDeviceEnumerator> enumerator;
        std::unique_ptr<SerialDeviceMonitor> monitor;        // none: a "Refresh" button
        std::function<int(const std::string&)> accessError;  // 0 or errno, see DeviceAccess.h
    };

    explicit SerialDeviceTable(Sources sources, QWidget* parent = nullptr);
    ~SerialDeviceTable() override;

    // Lists the devices again; the chosen one stays chosen while it is present.
    void Refresh();
    // The chosen device's stable path; empty when none is chosen.
    std::string Chosen() const;

  signals:
    void chosenChanged();

  private:
    void MonitorReadable();

    Sources sources_;
    QTreeWidget* table_;
    QLabel* error_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vendra::ui
