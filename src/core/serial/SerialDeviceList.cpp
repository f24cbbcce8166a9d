#include "core/serial/SerialDeviceList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <tuple>

namespace vendra {
namespace {

// PORT_UNKNOWN: the 8250 driver found no UART at that port.
constexpr const char* kNoUart = "0";

bool Kept(const FoundSerialDevice& d) {
    return d.hasHardware && d.uartType != kNoUart;
}

std::string StablePath(const FoundSerialDevice& d) {
    std::vector<std::string> byId;
    const std::string folder = kStableLinkFolder;
    for (const std::string& link : d.links)
        if (link.compare(0, folder.size(), folder) == 0) byId.push_back(link);
    if (byId.empty()) return d.devicePath;
    return *std::min_element(byId.begin(), byId.end());
}

// "ttyUSB10" -> ("ttyUSB", 10, ""): names ordered by their stem, then their number's value.
std::tuple<std::string, unsigned long, std::string> SortKey(const std::string& name) {
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    if (digits == name.size() || name.size() - digits > 9) return {name, 0, name};
    return {name.substr(0, digits), std::strtoul(name.c_str() + digits, nullptr, 10), name};
}

}  // namespace

std::vector<SerialDeviceInfo> BuildSerialDeviceList(const std::vector<FoundSerialDevice>& found) {
    std::vector<SerialDeviceInfo> list;
    for (const FoundSerialDevice& d : found) {
        if (!Kept(d)) continue;
        list.push_back({StablePath(d), d.devicePath, d.kernelName, d.maker, d.product, d.serial});
    }
    std::sort(list.begin(), list.end(), [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        return SortKey(a.kernelName) < SortKey(b.kernelName);
    });
    return list;
}

bool ListSerialDevices(SerialDeviceEnumerator& enumerator, std::vector<SerialDeviceInfo>& list,
                       std::string& error) {
    std::vector<FoundSerialDevice> found;
    list.clear();
    if (!enumerator.Enumerate(found, error)) return false;
    list = BuildSerialDeviceList(found);
    return true;
}

}  // namespace vendra
