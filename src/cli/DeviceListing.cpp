#include "cli/DeviceListing.h"

#include <algorithm>
#include <array>

#include "cli/RunOptions.h"
#include "cli/RunSession.h"

namespace vendra {
namespace {

constexpr size_t kColumns = 5;

std::array<std::string, kColumns> Fields(const SerialDeviceInfo& d) {
    return {d.stablePath, d.kernelName, d.maker, d.product, d.serial};
}

std::string JsonText(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

}  // namespace

std::string DeviceListText(const std::vector<SerialDeviceInfo>& list) {
    if (list.empty()) return "no serial device found\n";
    std::vector<std::array<std::string, kColumns>> rows = {
        {"PATH", "NAME", "MAKER", "PRODUCT", "SERIAL"}};
    for (const SerialDeviceInfo& d : list) {
        rows.push_back(Fields(d));
        for (std::string& f : rows.back())
            if (f.empty()) f = "-";
    }
    std::array<size_t, kColumns> widths{};
    for (const auto& row : rows)
        for (size_t i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], row[i].size());
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < kColumns; ++i) {
            line += row[i];
            if (i + 1 < kColumns) line += std::string(widths[i] - row[i].size() + 2, ' ');
        }
        // A last column that is empty leaves no blanks at the end of the line.
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

std::string DeviceListJson(const std::vector<SerialDeviceInfo>& list) {
    std::string json = "{\"devices\": [";
    for (size_t i = 0; i < list.size(); ++i) {
        const SerialDeviceInfo& d = list[i];
        json += (i ? ", " : "") + std::string("{\"path\": ") + JsonString(d.stablePath) +
                ", \"kernel_name\": " + JsonString(d.kernelName) +
                ", \"maker\": " + JsonText(d.maker) + ", \"product\": " + JsonText(d.product) +
                ", \"serial\": " + JsonText(d.serial) + "}";
    }
    return json + "]}";
}

int ListDevices(SerialDeviceEnumerator& enumerator, bool json, std::ostream& out,
                std::ostream& err) {
    std::vector<SerialDeviceInfo> list;
    std::string error;
    if (!ListSerialDevices(enumerator, list, error)) {
        err << "vendra-run: the serial devices could not be listed: " << error << "\n";
        if (json) out << "{\"devices\": null, \"error\": " << JsonString(error) << "}" << std::endl;
        return kRunUsage;
    }
    if (json)
        out << DeviceListJson(list) << std::endl;
    else
        out << DeviceListText(list);
    return kRunEnded;
}

}  // namespace vendra
