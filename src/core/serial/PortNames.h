// Which device a port number opens, for the port itself and for the windows that show it.
// Error rule: pure functions; an impossible number gives an empty name.
// Thread rule: safe from any thread.
#pragma once
#include <string>

namespace vendra {

// Device for port number n: "COM<n>" in `folder` when that exists (even as a dangling link, so a
// vanished device is reported instead of another one being opened), otherwise the system device
// <systemPrefix><n-1> (/dev/ttyS<n-1>). On Windows always WindowsDeviceName(n) (the folder and
// prefix have no say there). Empty for a number below 1. Defined by the platform's device.
std::string DevicePathForPort(int portNumber, const std::string& folder = ".",
                              const std::string& systemPrefix = "/dev/ttyS");
// The "COM<n>" path in `folder` that DevicePathForPort looks for first.
std::string LocalPortPath(int portNumber, const std::string& folder = ".");
// The Windows device name: "COM%d" below 10, "\\.\COM%d" from 10.
std::string WindowsDeviceName(int portNumber);

}  // namespace vendra
