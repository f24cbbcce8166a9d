#include "core/serial/PortBindings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/base/AtomicFile.h"
#include "core/base/PlatformFiles.h"

namespace vendra {
namespace {

// Port numbers are small; more digits than this are a mistake, not a port.
constexpr size_t kMaxPortDigits = 3;

bool ParseLine(const std::string& line, PortBinding& binding) {
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0 || digits > kMaxPortDigits || digits + 1 >= line.size() || line[digits] != ' ')
        return false;
    binding.portNumber = std::stoi(line.substr(0, digits));
    binding.devicePath = line.substr(digits + 1);
    return binding.portNumber >= 1 && binding.devicePath.find_first_not_of(" \t") == 0;
}

}  // namespace

std::string PortBindingFilePath(const std::string& folder) {
    return (folder.empty() || folder == ".") ? kPortBindingFileName
                                             : folder + "/" + kPortBindingFileName;
}

bool ParsePortBindings(const std::string& text, std::vector<PortBinding>& bindings,
                       std::string& error) {
    bindings.clear();
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        PortBinding binding;
        if (!ParseLine(line, binding)) {
            error = "line " + std::to_string(number) + " is not a port number and a device path";
            return false;
        }
        for (const PortBinding& b : bindings)
            if (b.portNumber == binding.portNumber) {
                error = "line " + std::to_string(number) + " binds port " +
                        std::to_string(binding.portNumber) + " again";
                return false;
            }
        bindings.push_back(std::move(binding));
    }
    return true;
}

std::string FormatPortBindings(std::vector<PortBinding> bindings) {
    std::sort(bindings.begin(), bindings.end(), [](const PortBinding& a, const PortBinding& b) {
        return a.portNumber < b.portNumber;
    });
    std::string text;
    for (const PortBinding& b : bindings)
        text += std::to_string(b.portNumber) + " " + b.devicePath + "\n";
    return text;
}

bool ReadPortBindings(const std::string& folder, std::vector<PortBinding>& bindings,
                      std::string& error) {
    bindings.clear();
    const std::string path = PortBindingFilePath(folder);
    int code = 0;
    std::FILE* file = OpenRegularFile(path, code);
    if (file == nullptr) {
        if (code == ENOENT) return true;
        error = path + " can not be read: " +
                (code == EINVAL ? std::string("not a regular file") : std::strerror(code));
        return false;
    }
    std::string text(kPortBindingReadLimit + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || text.size() > kPortBindingReadLimit) {
        error = path + (failed ? " can not be read" : " is too long for a list of ports");
        return false;
    }
    if (!ParsePortBindings(text, bindings, error)) {
        error = path + ", " + error;
        return false;
    }
    return true;
}

bool BindPort(const std::string& folder, int portNumber, const std::string& devicePath,
              std::string& error) {
    if (portNumber < 1 || std::to_string(portNumber).size() > kMaxPortDigits) {
        error = "no port number " + std::to_string(portNumber);
        return false;
    }
    // The path is the rest of its line: one that holds a line end or begins blank would read
    // back as something else.
    if (devicePath.find_first_of("\r\n") != std::string::npos ||
        (!devicePath.empty() && (devicePath[0] == ' ' || devicePath[0] == '\t'))) {
        error = "the device path \"" + devicePath + "\" can not be kept in " + kPortBindingFileName;
        return false;
    }
    std::vector<PortBinding> bindings;
    if (!ReadPortBindings(folder, bindings, error)) return false;
    std::erase_if(bindings, [&](const PortBinding& b) { return b.portNumber == portNumber; });
    if (!devicePath.empty()) bindings.push_back({portNumber, devicePath});
    std::string why;
    if (!WriteFileAtomically(PortBindingFilePath(folder), FormatPortBindings(bindings), &why)) {
        error = PortBindingFilePath(folder) + " can not be written: " + why;
        return false;
    }
    return true;
}

bool BoundDevice(const std::vector<PortBinding>& bindings, int portNumber, std::string& path) {
    for (const PortBinding& b : bindings)
        if (b.portNumber == portNumber) {
            path = b.devicePath;
            return true;
        }
    return false;
}

}  // namespace vendra
