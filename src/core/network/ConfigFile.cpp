#include "core/network/ConfigFile.h"

#include <atomic>
#include <cctype>
#include <climits>
#include <cstdio>

#include "core/base/AtomicFile.h"

namespace vendra {

namespace {

constexpr const char* kErrorTitle = "VDWin Error Message";
constexpr unsigned kWarningYesNo = mb::IconWarning | mb::YesNo;  // 52
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
    // atol saturates at the range of a long; the stored value is its low 32 bits.
    uint64_t value = 0;
    bool saturated = false;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (hadDigits) *hadDigits = true;
        if (!saturated) {
            value = value * 10 + static_cast<uint64_t>(*p - '0');
            if (value > static_cast<uint64_t>(LONG_MAX)) saturated = true;
        }
    }
    int64_t result;
    if (saturated)
        result = negative ? LONG_MIN : LONG_MAX;
    else
        result = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(result)));
}

bool ReadConfigLine(std::FILE* file, char* line, size_t capacity) {
    size_t stored = 0;
    bool any = false;
    for (;;) {
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
    std::FILE* file = std::fopen(ConfigFilePath(folder).c_str(), "rb");
    if (file == nullptr) {
        int button = op.ShowMessageBox(
            "Error, Can not Open Configuration file, Would you like to create one???", kErrorTitle,
            kWarningYesNo);
        if (button == mb::IdYes) WriteConfiguration(config, op, folder);
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
