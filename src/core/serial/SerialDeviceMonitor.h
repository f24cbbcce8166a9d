// Tells when a serial device came or went, so that a list of them can follow plugging without
// asking the system over and over: the caller's event loop watches Descriptor() and, when it is
// readable, calls TakeChanges and lists the devices again.
// Error rule: where the system offers no such notice (Windows, or udev refused one),
// MakePlatformSerialMonitor gives none and says why; the caller then offers to list again by hand.
// Nothing throws.
// Thread rule: one thread at a time.
#pragma once
#include <memory>
#include <string>

namespace vendra {

class SerialDeviceMonitor {
  public:
    virtual ~SerialDeviceMonitor() = default;
    // Becomes readable when a device came or went; stays valid for the monitor's life.
    virtual int Descriptor() const = 0;
    // Reads every waiting notice (so the descriptor is quiet again); true when one was about a
    // serial device.
    virtual bool TakeChanges() = 0;
};

// The system's monitor (udev's "tty" events), or none with `error`.
std::unique_ptr<SerialDeviceMonitor> MakePlatformSerialMonitor(std::string& error);

}  // namespace vendra
