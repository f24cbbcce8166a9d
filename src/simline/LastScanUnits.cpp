// The units of the last real scan, kept for the next simulated start (SimulatedLine.h).
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "simline/SimulatedLine.h"

namespace vendra {

namespace {

std::string KeptFilePath(const std::string& folder) {
    return (std::filesystem::path(folder) / kLastScanFileName).string();
}

}  // namespace

bool SaveLastScanUnits(const std::string& folder, const std::string& units, std::string& error) {
    // Written beside and renamed over: a program killed meanwhile leaves the old file whole.
    const std::string path = KeptFilePath(folder);
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << units << "\n";
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
