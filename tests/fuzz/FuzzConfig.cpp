// "Config.cfg" with any bytes in it: the reader takes seven values without a fault, never wraps a
// number round, reads no more than it needs, and what the writer then writes reads back to the
// same seven values with no complaint.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "core/network/ConfigFile.h"

using namespace vendra;

namespace {

// A folder of this process's own, on a memory file system when there is one.
const std::string& Folder() {
    static const std::string folder = [] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path dir = base / ("vendra-fuzz-config-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

// Removes the folder when the run ends (it keeps its own copy of the name: statics go in any
// order at exit).
struct RemoveFolder {
    std::string folder = Folder();
    ~RemoveFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

int32_t Value(const Configuration& c, int i) {
    const std::atomic<int32_t>* fields[kConfigLineCount] = {
        &c.CommPortNumber, &c.ReplyTimeout,   &c.MainWindowTime, &c.TempWinTime,
        &c.TXDdelay,       &c.EncoderWinTime, &c.InitTimeout};
    return fields[i]->load();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static RemoveFolder removeAtExit;
    const std::string path = ConfigFilePath(Folder());
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
        std::fclose(f);
        if (!written) return 0;
    }
    fuzz::QuietOperator op;
    Configuration first;
    FUZZ_CHECK(ReadConfiguration(first, op, Folder()) == 1);
    FUZZ_CHECK(op.boxes <= 1);  // at most the warning that names the lines without a number

    // Lines by hand, as the reader sees them: none longer than its buffer, none past the limit.
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char line[kConfigLineSize];
        for (int i = 0; i < kConfigLineCount; ++i) {
            ReadConfigLine(f, line, sizeof line);
            FUZZ_CHECK(std::char_traits<char>::length(line) < sizeof line);
            bool digits = false;
            int32_t v = ConfigAtol(line, &digits);
            FUZZ_CHECK(v == Value(first, i));
            FUZZ_CHECK(digits || v == 0);
        }
        FUZZ_CHECK(std::ftell(f) <= static_cast<long>(kConfigReadLimit) + 1);  // + a CR LF's LF
        std::fclose(f);
    }

    fuzz::QuietOperator quiet;
    FUZZ_CHECK(WriteConfiguration(first, quiet, Folder()) == 1);
    Configuration second;
    FUZZ_CHECK(ReadConfiguration(second, quiet, Folder()) == 1);
    FUZZ_CHECK(quiet.boxes == 0);
    for (int i = 0; i < kConfigLineCount; ++i) FUZZ_CHECK(Value(second, i) == Value(first, i));
    return 0;
}
