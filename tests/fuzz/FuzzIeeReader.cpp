// The .IEE reader on any bytes: every line it keeps is non-empty, within 255 characters and free
// of the double quote it cannot carry; the lines written back as a save writes them read back the
// very same, with nothing cut or dropped.
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/onboard/IeeFile.h"
#include "core/onboard/OnboardProgram.h"

using namespace vendra;

namespace {

bool Read(const void* data, size_t size, std::vector<std::string>& lines, IeeLoadReport& report) {
    // fmemopen wants at least one byte; an empty file is a file of no bytes all the same.
    static char empty = '\0';
    std::FILE* file =
        size > 0 ? fmemopen(const_cast<void*>(data), size, "rb") : fmemopen(&empty, 1, "rb");
    if (file == nullptr) return false;
    if (size == 0) std::fgetc(file);
    report = IeeLoadReport{};
    lines = ReadIeeLines(file, report);
    std::fclose(file);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines;
    IeeLoadReport report;
    if (!Read(data, size, lines, report)) return 0;
    FUZZ_CHECK(lines.size() <= kOnboardCapacity);
    std::string saved;
    for (const std::string& line : lines) {
        FUZZ_CHECK(!line.empty() && line.size() <= kOnboardLineChars);
        FUZZ_CHECK(line.find('"') == std::string::npos);
        saved += IeeFileLine(line);
    }
    std::vector<std::string> again;
    IeeLoadReport againReport;
    FUZZ_CHECK(Read(saved.data(), saved.size(), again, againReport));
    FUZZ_CHECK(!againReport.Lossy());
    FUZZ_CHECK(again == lines);
    return 0;
}
