// The serial devices udev knows: every "tty" device with a device node.
#include <libudev.h>

#include <string>

#include "core/serial/SerialDeviceList.h"

namespace vendra {
namespace {

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

// Trailing blanks of a USB descriptor text ("FTDI    ") carry nothing.
std::string Trimmed(const char* text) {
    std::string s = Text(text);
    s.erase(s.find_last_not_of(" \t\r\n") + 1);
    return s;
}

FoundSerialDevice Describe(udev_device* dev) {
    FoundSerialDevice d;
    d.devicePath = Text(udev_device_get_devnode(dev));
    d.kernelName = Text(udev_device_get_sysname(dev));
    for (udev_list_entry* e = udev_device_get_devlinks_list_entry(dev); e != nullptr;
         e = udev_list_entry_get_next(e))
        d.links.push_back(Text(udev_list_entry_get_name(e)));
    // Virtual terminals, ptmx and the console live under /devices/virtual: no parent device.
    d.hasHardware = udev_device_get_parent(dev) != nullptr;
    d.uartType = Trimmed(udev_device_get_sysattr_value(dev, "type"));
    // The parent is owned by `dev`: not unreferenced here.
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device")) {
        d.maker = Trimmed(udev_device_get_sysattr_value(usb, "manufacturer"));
        d.product = Trimmed(udev_device_get_sysattr_value(usb, "product"));
        d.serial = Trimmed(udev_device_get_sysattr_value(usb, "serial"));
    }
    return d;
}

class UdevSerialEnumerator : public SerialDeviceEnumerator {
  public:
    bool Enumerate(std::vector<FoundSerialDevice>& devices, std::string& error) override {
        devices.clear();
        udev* context = udev_new();
        if (context == nullptr) {
            error = "udev is not available";
            return false;
        }
        udev_enumerate* en = udev_enumerate_new(context);
        bool ok = en != nullptr && udev_enumerate_add_match_subsystem(en, "tty") >= 0 &&
                  udev_enumerate_scan_devices(en) >= 0;
        if (!ok) error = "udev could not list the tty devices";
        for (udev_list_entry* e = ok ? udev_enumerate_get_list_entry(en) : nullptr; e != nullptr;
             e = udev_list_entry_get_next(e)) {
            udev_device* dev = udev_device_new_from_syspath(context, udev_list_entry_get_name(e));
            // A device that went away since the scan is simply no longer there.
            if (dev == nullptr) continue;
            if (udev_device_get_devnode(dev) != nullptr) devices.push_back(Describe(dev));
            udev_device_unref(dev);
        }
        if (en != nullptr) udev_enumerate_unref(en);
        udev_unref(context);
        return ok;
    }
};

}  // namespace

std::unique_ptr<SerialDeviceEnumerator> MakePlatformSerialEnumerator() {
    return std::make_unique<UdevSerialEnumerator>();
}

}  // namespace vendra
