// The serial devices present on the machine, for choosing one by name rather than by number.
// The system is asked through SerialDeviceEnumerator (udev here, the registry on Windows), so the
// list's rules and its callers are tested with an enumeration the test makes up.
// Error rule: Enumerate returns false with a reason when the system could not be asked at all;
// an empty list is no error. Nothing throws.
// Thread rule: no shared state; an enumerator is used by one thread at a time.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace vendra {

// One device as the system describes it, before the list's rules are applied.
struct FoundSerialDevice {
    std::string devicePath;          // /dev/ttyUSB0 (Windows: COM3)
    std::string kernelName;          // ttyUSB0 (Windows: COM3)
    std::vector<std::string> links;  // every other name the device has (/dev/serial/by-id/...)
    bool hasHardware = false;        // a bus device stands behind it (not a virtual console)
    std::string uartType;            // a UART port's "type" ("0": no UART answered), else empty
    std::string maker;               // USB adapters: manufacturer, product, serial number texts
    std::string product;
    std::string serial;
};

// One entry of the list shown to the person choosing.
struct SerialDeviceInfo {
    std::string stablePath;  // the /dev/serial/by-id/ link when there is one, else devicePath
    std::string devicePath;
    std::string kernelName;
    std::string maker;
    std::string product;
    std::string serial;
    bool operator==(const SerialDeviceInfo&) const = default;
};

class SerialDeviceEnumerator {
  public:
    virtual ~SerialDeviceEnumerator() = default;
    virtual bool Enumerate(std::vector<FoundSerialDevice>& devices, std::string& error) = 0;
};

// The system's enumerator (udev, or the registry's SERIALCOMM key on Windows).
std::unique_ptr<SerialDeviceEnumerator> MakePlatformSerialEnumerator();

// The folder whose links name a device by what it is rather than by the socket it is in.
inline constexpr const char* kStableLinkFolder = "/dev/serial/by-id/";

// The list: devices without hardware (virtual consoles) and the ttyS placeholders are left out.
// The 8250 driver makes a ttyS for every UART it may have (32 of them) and gives the ones where
// no UART answered the type 0, "unknown"; that type, not the driver's name, is the rule, because
// a real legacy port hangs under the same "serial8250" platform device as the placeholders. the
// stable path is the by-id link (the first in name order when there are several); sorted by kernel
// name, numbers by value (ttyS2 before ttyS10).
std::vector<SerialDeviceInfo> BuildSerialDeviceList(const std::vector<FoundSerialDevice>& found);

// Enumerates and builds the list; false with `error` when the system could not be asked.
bool ListSerialDevices(SerialDeviceEnumerator& enumerator, std::vector<SerialDeviceInfo>& list,
                       std::string& error);

}  // namespace vendra
