// Which device a port number opens, for the port itself and for the windows that show it.
// Error rule: pure functions; an impossible number gives an empty name.
// Thread rule: safe from any thread.
#pragma once
#include <string>

namespace vendra {

// Why a port number leads to the device it opens.
enum class PortDeviceSource {
    None,        // no device: see `error`
    FolderLink,  // "COM<n>" in the folder
    Binding,     // the port's line in Ports.cfg beside Config.cfg
    SystemRule,  // neither: <systemPrefix><n-1>
    SystemName,  // Windows: the system's own COM<n>
    Given,       // a device path given instead of a port number
};
struct PortDevice {
    std::string path;  // empty when there is none
    PortDeviceSource source = PortDeviceSource::None;
    std::string error;  // why there is none
    bool operator==(const PortDevice&) const = default;
};

// Device for port number n, first match wins:
//  1. "COM<n>" in `folder` when that exists (even as a dangling link, so a vanished device is
//     reported instead of another one being opened);
//  2. the device Ports.cfg in `folder` binds n to (its stable path, opened even while it is
//     missing, for the same reason); a Ports.cfg that cannot be read gives no device and says
//     why, rather than another device than the one it may bind;
//  3. the system device <systemPrefix><n-1> (/dev/ttyS<n-1>).
// On Windows always WindowsDeviceName(n) (the folder and prefix have no say there). No device for
// a number below 1. Defined by the platform's device.
PortDevice ResolvePortDevice(int portNumber, const std::string& folder = ".",
                             const std::string& systemPrefix = "/dev/ttyS");
// ResolvePortDevice's path.
std::string DevicePathForPort(int portNumber, const std::string& folder = ".",
                              const std::string& systemPrefix = "/dev/ttyS");
// Why port n opens `device`, for the person who chose the number ("COM1 in the working folder").
std::string PortDeviceReason(int portNumber, const PortDevice& device);
// What port n will open once `chosen` (a stable path; "" for none) is bound to it: the chosen
// device, unless a COM<n> link in the folder or the system's own name still wins, or Ports.cfg
// cannot be read (then nothing can be bound either). `resolved` is ResolvePortDevice's answer.
PortDevice WithChosenDevice(const PortDevice& resolved, const std::string& chosen);
// The "COM<n>" path in `folder` that DevicePathForPort looks for first.
std::string LocalPortPath(int portNumber, const std::string& folder = ".");
// The Windows device name: "COM%d" below 10, "\\.\COM%d" from 10.
std::string WindowsDeviceName(int portNumber);

}  // namespace vendra
