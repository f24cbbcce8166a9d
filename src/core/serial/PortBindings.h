// "Ports.cfg", beside Config.cfg: which device a port number opens when no COM<n> link in the
// folder names one. Plain text, one line per bound port: the number, one blank, the device's
// stable path (its /dev/serial/by-id/ link, so that an adapter plugged into another socket, now
// ttyUSB1 instead of ttyUSB0, is still the one opened), ended by LF (CR LF is read too).
// Blank lines and lines starting with '#' are skipped.
// Error rule: a file that cannot be read, or holds a line that is not "<number> <path>" or a port
// bound twice, is an error naming the file and the line: no port number is resolved through a
// file that may say something else than it seems to. A missing file binds nothing. Nothing
// throws.
// Thread rule: plain functions; one writer of the file at a time.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace vendra {

inline constexpr const char* kPortBindingFileName = "Ports.cfg";
// No binding file needs more: a larger one is not a binding file.
inline constexpr size_t kPortBindingReadLimit = 64 * 1024;

struct PortBinding {
    int portNumber = 0;
    std::string devicePath;
    bool operator==(const PortBinding&) const = default;
};

// The file's path in `folder` ("" or "." is the working directory).
std::string PortBindingFilePath(const std::string& folder);

// The bindings of a file's text; false with `error` ("line 3: ...") for a line that is none.
bool ParsePortBindings(const std::string& text, std::vector<PortBinding>& bindings,
                       std::string& error);
// The file's text: one line per binding, in port-number order.
std::string FormatPortBindings(std::vector<PortBinding> bindings);

// The folder's bindings (none when the file is missing); false with `error` otherwise.
bool ReadPortBindings(const std::string& folder, std::vector<PortBinding>& bindings,
                      std::string& error);
// Binds `portNumber` to `devicePath` (an empty path unbinds it) and writes the file whole (a
// temporary file replaces it only when complete). The other ports' bindings are kept.
bool BindPort(const std::string& folder, int portNumber, const std::string& devicePath,
              std::string& error);

// The device `portNumber` is bound to: true with its path, false when it is not bound.
bool BoundDevice(const std::vector<PortBinding>& bindings, int portNumber, std::string& path);

}  // namespace vendra
