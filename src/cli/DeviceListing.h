// vendra-run --list-devices: the machine's serial devices, as text or as JSON.
// Error rule: ListDevices writes the reason to `err` and returns kRunUsage when the system could
// not be asked (with --json an object with "error" on `out` as well); an empty list is no error.
// Thread rule: plain functions, no state.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "core/serial/SerialDeviceList.h"

namespace vendra {

// One line per device, in columns: stable path, kernel name, maker, product, serial ("-" where
// the device has none), under a heading; "no serial device found" for an empty list.
std::string DeviceListText(const std::vector<SerialDeviceInfo>& list);
// {"devices": [{"path", "kernel_name", "maker", "product", "serial"}, ...]}, null where the
// device has no such text.
std::string DeviceListJson(const std::vector<SerialDeviceInfo>& list);

// Lists the devices `enumerator` finds on `out`; the exit status.
int ListDevices(SerialDeviceEnumerator& enumerator, bool json, std::ostream& out,
                std::ostream& err);

}  // namespace vendra
