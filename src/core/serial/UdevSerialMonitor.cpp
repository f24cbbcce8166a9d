// udev's notices about "tty" devices, as processed by udev (so the by-id links already exist when
// the list is read again).
#include <libudev.h>
#include <unistd.h>

#include "core/serial/SerialDeviceMonitor.h"

namespace vendra {
namespace {

class UdevSerialMonitor : public SerialDeviceMonitor {
  public:
    UdevSerialMonitor(udev* context, udev_monitor* monitor)
        : context_(context), monitor_(monitor) {}
    ~UdevSerialMonitor() override {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }
    UdevSerialMonitor(const UdevSerialMonitor&) = delete;
    UdevSerialMonitor& operator=(const UdevSerialMonitor&) = delete;

    int Descriptor() const override { return udev_monitor_get_fd(monitor_); }

    bool TakeChanges() override {
        // The socket is non-blocking: receiving ends with null once nothing more waits.
        bool changed = false;
        while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
            changed = true;
            udev_device_unref(dev);
        }
        return changed;
    }

  private:
    udev* context_;
    udev_monitor* monitor_;
};

}  // namespace

std::unique_ptr<SerialDeviceMonitor> MakePlatformSerialMonitor(std::string& error) {
    // Without the daemon (a container, a minimal system) the "udev" source stays silent forever:
    // a monitor then would leave the list stale with no way to list again.
    if (::access("/run/udev/control", F_OK) != 0) {
        error = "udev's daemon is not running";
        return nullptr;
    }
    udev* context = udev_new();
    if (context == nullptr) {
        error = "udev is not available";
        return nullptr;
    }
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor != nullptr) udev_monitor_unref(monitor);
        udev_unref(context);
        error = "udev gives no notice of devices plugged in or out";
        return nullptr;
    }
    return std::make_unique<UdevSerialMonitor>(context, monitor);
}

}  // namespace vendra
