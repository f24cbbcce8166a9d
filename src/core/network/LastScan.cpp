#include "core/network/LastScan.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/serial/BoardProtocol.h"

namespace vendra {

namespace {

std::string KeptFilePath(const std::string& folder) {
    return (std::filesystem::path(folder) / kLastScanFileName).string();
}

}  // namespace

std::string UnitList(const UnitMap& units) {
    std::string list;
    for (int g = 0; g < kUnitGroups; ++g)
        for (unsigned a = 0; a < 16; ++a)
            if (units.IsPresent(static_cast<UnitGroup>(g), a)) {
                if (!list.empty()) list += ',';
                list += protocol::GroupFamily(static_cast<UnitGroup>(g)).letter;
                list += protocol::UnitDigit(a);
            }
    return list;
}

bool SaveLastScanUnits(const std::string& folder, const std::string& list, std::string& error) {
    // Written beside and renamed over: a program killed meanwhile leaves the old file whole.
    const std::string path = KeptFilePath(folder);
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << list << "\n";
        if (!out.flush()) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string LoadLastScanUnits(const std::string& folder) {
    std::ifstream in(KeptFilePath(folder), std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

}  // namespace vendra
