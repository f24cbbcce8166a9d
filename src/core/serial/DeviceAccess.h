// Whether the current user may open a device, asked before anyone tries, so that a window can say
// what to do about it while the choice is still being made.
// Error rule: plain functions; nothing throws.
// Thread rule: safe from any thread.
#pragma once
#include <string>

namespace vendra {

// Why the current user could not open `path` for reading and writing: an errno value (EACCES for
// permission), 0 when they can or when it cannot be told beforehand (Windows: only opening tells).
// Defined by the platform's device.
int DeviceAccessError(const std::string& path);

// The text a failed open of `path` with `error` reports (for EACCES: the group that owns the
// device and how to join it). Defined by the platform's device, beside its open.
std::string DeviceOpenErrorText(const std::string& path, int error);

}  // namespace vendra
