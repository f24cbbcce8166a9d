#include "core/network/ConfigFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/base/AtomicFile.h"

namespace vendra {

namespace {

constexpr const char* kErrorTitle = "VDWin Error Message";
constexpr int kCtrlZ = 26;

// The seven values in file order.
const std::atomic<int32_t>* Field(const Configuration& c, int i) {
    const std::atomic<int32_t>* fields[kConfigLineCount] = {
        &c.CommPortNumber, &c.ReplyTimeout,   &c.MainWindowTime, &c.TempWinTime,
        &c.TXDdelay,       &c.EncoderWinTime, &c.InitTimeout};
    return fields[i];
}
std::atomic<int32_t>* Field(Configuration& c, int i) {
    return const_cast<std::atomic<int32_t>*>(Field(static_cast<const Configuration&>(c), i));
}

// Opens the file for reading. Returns "" with file set, or "" with no file when there is no file
// at all (the only case in which one may be created), or the reason the existing one cannot be
// read.
std::string OpenConfigFile(const std::string& path, std::FILE*& file) {
    file = nullptr;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
        // A FIFO or a device would block the open or never end.
        if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    }
    file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::strerror(errno);
    return {};
}

}  // namespace

std::string ConfigFilePath(const std::string& folder) {
    if (folder.empty() || folder == ".") return kConfigFileName;
    return folder + "/" + kConfigFileName;
}

int32_t ConfigAtol(const char* text, bool* hadDigits) {
    if (hadDigits) *hadDigits = false;
    if (text == nullptr) return 0;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // The magnitude stops growing past what a line may hold; tested before each step, so that no
    // number of digits can wrap it round to a small value.
    constexpr uint64_t kMostPositive = UINT32_MAX;
    constexpr uint64_t kMostNegative = uint64_t{1} << 31;
    uint64_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (hadDigits) *hadDigits = true;
        if (value <= kMostPositive) value = value * 10 + static_cast<uint64_t>(*p - '0');
    }
    // Negative values down to -2^31 as they are; positive ones up to 2^32 - 1 stored as their 32
    // bits, which is how the writer writes negative values ("%u").
    if (negative) return value >= kMostNegative ? INT32_MIN : -static_cast<int32_t>(value);
    return static_cast<int32_t>(static_cast<uint32_t>(std::min(value, kMostPositive)));
}

bool ReadConfigLine(std::FILE* file, char* line, size_t capacity) {
    size_t stored = 0;
    bool any = false;
    // The seven short lines end long before the limit: a bigger file is cut there rather than
    // read to its end while the window waits.
    long at = std::ftell(file);
    long left = at < 0 ? 0 : static_cast<long>(kConfigReadLimit) - at;
    for (; left > 0; --left) {
        int c = std::fgetc(file);
        if (c == EOF) break;
        any = true;
        if (c == '\r') {
            // A CR LF pair is one line end.
            int next = std::fgetc(file);
            if (next != '\n' && next != EOF) std::ungetc(next, file);
            break;
        }
        if (c == '\n' || c == kCtrlZ) break;
        if (stored + 1 < capacity) line[stored++] = static_cast<char>(c);
    }
    if (capacity > 0) line[stored] = '\0';
    return any;
}

int ReadConfiguration(Configuration& config, Operator& op, const std::string& folder) {
    const std::string path = ConfigFilePath(folder);
    std::FILE* file = nullptr;
    std::string why = OpenConfigFile(path, file);
    if (file == nullptr && why.empty()) {
        int button = op.ShowMessageBox(
            "Error, Can not Open Configuration file, Would you like to create one???", kErrorTitle,
            mb::WarningYesNo);
        if (button == mb::IdYes) WriteConfiguration(config, op, folder);
        return 0;
    }
    if (file == nullptr) {
        // It exists: never offer to replace what could not be read.
        op.ShowMessageBox("Error, Can not read Configuration file " + path + ": " + why +
                              "\nThe default values are used; the file is left as it is.",
                          kErrorTitle, mb::Warning);
        return 0;
    }
    std::string unreadable;
    char line[kConfigLineSize];
    for (int i = 0; i < kConfigLineCount; ++i) {
        bool present = ReadConfigLine(file, line, sizeof line);
        bool hadDigits = false;
        Field(config, i)->store(ConfigAtol(line, &hadDigits));
        if (!present || !hadDigits)
            unreadable += (unreadable.empty() ? "" : ", ") + std::to_string(i + 1);
    }
    std::fclose(file);
    if (!unreadable.empty()) {
        op.ShowMessageBox("Error, Configuration file " + ConfigFilePath(folder) +
                              " is damaged: no number on line(s) " + unreadable +
                              "; these values are 0",
                          kErrorTitle, mb::Warning);
    }
    return 1;
}

int WriteConfiguration(const Configuration& config, Operator& op, const std::string& folder) {
    std::string text;
    char line[16];
    for (int i = 0; i < kConfigLineCount; ++i) {
        std::snprintf(line, sizeof line, "%u\r\n", static_cast<uint32_t>(Field(config, i)->load()));
        text += line;
    }
    if (!WriteFileAtomically(ConfigFilePath(folder), text)) {
        op.ShowMessageBox("Error, Can not Save Configuration file", kErrorTitle, mb::Warning);
        return 0;
    }
    return 1;
}

}  // namespace vendra
