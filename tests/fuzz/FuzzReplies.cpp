// The host's reply handling on a line played from the input (FakeLine, on a virtual clock): board
// transactions and polls in a row, a family scan, or unit queries. Whatever the line does, every
// exchange ends within its time bounds with its flags restored, and an answer is only ever taken
// from the unit (and family) it was asked of, out of bytes that came after its own frame.
#include <memory>
#include <string>
#include <vector>

#include "FakeLine.h"
#include "FuzzSupport.h"
#include "core/network/NetworkInit.h"
#include "core/runner/BoardStep.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/RunState.h"
#include "core/serial/BoardProtocol.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "core/serial/SerialPort.h"

using namespace vendra;
using fuzz::FakeLine;
using fuzz::VirtualNowUs;

namespace {

// The host side of the line, fresh for every input.
struct Host {
    SerialState serial;
    Configuration config;
    UnitMap units;
    BoardState boards;
    CommDebugState commDebug;
    RunState run;
    fuzz::QuietOperator op;
    FakeLine* line;
    CommDebugLog log{CommDebugLogState{commDebug, run.ProgramRunning}};
    SerialLine serialLine;
    LineSession session;
    QeDataLogger logger{run};
    BoardStep step{{boards, units, run}, op, &logger};
    NetworkInitialiser network{NetworkState{serial, config, units}, op};

    Host(std::unique_ptr<FakeLine> fake)
        : line(fake.get()),
          serialLine(serial, op, log, run.ProgramPointer, config.ReplyTimeout, std::move(fake)) {
        session = serialLine.Take(LineUser::Runner);
        session.OpenDevice("fake", 57600);
        step.UseSession(&session);
        serial.CurrentBaud = 57600;
        commDebug.CommDebugEnabled = 1;  // the log's lines are built too
        commDebug.CommDebugWindowOpen = 1;
    }
};

constexpr uint8_t kPoll = 255;
constexpr uint8_t kFamilies[] = {0, 1, 2, 3, 4, 5, 6, 7, 90, 98, 99, 100, 50, kPoll};
constexpr uint8_t kPollFamilies[] = {0, 1, 2, 3, 4, 5, 6, 100, 7};
const char* const kTexts[] = {"A100", "\r",      "m",     "P",   "p0",    "p1",  "v0",
                              "W",    "XA5,YA6", "GG!\r", "D3m", "X1A5",  "Q2P", "#TEMP3#",
                              "H1m",  "",        "U2A1",  "Z",   "D31A5", "GA9", "Y0m"};

// The lines of what the host read: each CR-ended line, and the unended rest.
std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t cr; (cr = bytes.find('\r', start)) != std::string::npos; start = cr + 1)
        lines.push_back(bytes.substr(start, cr - start));
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

// The reply (as kept, at most 19 characters) is the start of a line read after frame `k`.
bool ReadAfterFrame(const FakeLine& line, size_t k, const std::string& reply) {
    if (k + 1 >= line.ReadAfter().size()) return false;
    for (const std::string& l : LinesOf(line.ReadAfter()[k + 1]))
        if (l.compare(0, reply.size(), reply) == 0) return true;
    return false;
}

void CheckRestored(const Host& h) {
    FUZZ_CHECK(h.boards.TransactionActive.load() == 0);
    FUZZ_CHECK(h.serial.QuietWait.load() == 0);
}

void Exchanges(Host& h, const uint8_t* steps, size_t count, uint32_t timeoutMs) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* s = steps + 3 * i;
        uint8_t f = kFamilies[(s[0] & 15) % sizeof kFamilies];
        const unsigned unit = s[1] % 17;  // 16: out of range
        const std::string text = kTexts[s[2] % (sizeof kTexts / sizeof *kTexts)];
        for (int g = 0; g < kUnitGroups; ++g) h.units.present[g][unit & 15] = (s[2] & 0x80) ? 0 : 1;
        h.run.StopRun = 0;
        const size_t frameBefore = h.line->Frames().size();
        const uint64_t start = VirtualNowUs();
        if (f == kPoll) {
            f = kPollFamilies[(s[0] >> 4) % sizeof kPollFamilies];
            int r = h.step.Poll(unit, f);
            FUZZ_CHECK(r == 0 || r == 1);
            FUZZ_CHECK(VirtualNowUs() - start <= (300 + SerialPort::kReplyLineMs + 100) * 1000ull);
            CheckRestored(h);
            FUZZ_CHECK(h.line->Frames().size() == frameBefore);  // a poll sends nothing
            if (r == 1 && unit < 16 && f != family::QBoard)
                FUZZ_CHECK(protocol::ReplyMatches(f, unit, h.step.LastAnswer().reply.c_str()));
            continue;
        }
        int r = h.step.Command(unit, f, text);
        FUZZ_CHECK(r == 0 || r == 1);
        // An owed answer's wait and the answer's own, each of which may end with a line whose CR
        // is slow to come: no more.
        FUZZ_CHECK(VirtualNowUs() - start <=
                   (LineSession::kLateReplyMs + timeoutMs + 2 * SerialPort::kReplyLineMs + 100) *
                       1000ull);
        CheckRestored(h);
        if (r != 1 || unit > 15 || h.line->Frames().size() == frameBefore) continue;
        if ((!text.empty() && text[0] == 'G') || (text.size() > 1 && text[1] == 'G'))
            f = family::AxisUnit;
        const bool raw = f >= family::RawNoRead && f <= family::RawRead;
        const bool read = f <= family::QBoard || f == family::AxisUnit || f == family::RawRead;
        if (!read || (!raw && (s[2] & 0x80))) continue;  // nothing read, or the unit is absent
        const std::string reply = h.step.LastAnswer().reply;
        const std::string frame = h.line->Frames().back();
        if (raw)
            FUZZ_CHECK(protocol::RawReplyMatches(frame.c_str(), reply.c_str()));
        else
            FUZZ_CHECK(protocol::ReplyMatches(f, unit, reply.c_str()));
        FUZZ_CHECK(ReadAfterFrame(*h.line, h.line->Frames().size() - 1, reply));
    }
}

void Scan(Host& h, uint8_t how) {
    const UnitGroup group = static_cast<UnitGroup>(how % kUnitGroups);
    const bool probe = (how & 8) != 0;
    const uint64_t start = VirtualNowUs();
    h.network.ScanFamily(h.session, group, probe);
    FUZZ_CHECK(VirtualNowUs() - start <= 32 * (h.config.ReplyTimeout + 2000 + 10) * 1000ull);
    for (unsigned a = 0; a < 16 && !probe; ++a) {
        if (!h.units.IsPresent(group, a)) continue;
        // Present only on an answer of that unit, read after its own query.
        const std::string query = protocol::IdentityFrame(group, a, 0);
        bool answered = false;
        const auto& frames = h.line->Frames();
        for (size_t k = 0; k < frames.size() && !answered; ++k) {
            if (frames[k] != query) continue;
            for (const std::string& l : LinesOf(h.line->ReadAfter()[k + 1]))
                answered =
                    answered || protocol::ReplyAnswersFrame(query.c_str(), l.substr(0, 19).c_str());
        }
        FUZZ_CHECK(answered);
    }
}

void Queries(Host& h, const uint8_t* steps, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* s = steps + 3 * i;
        const std::string query = protocol::IdentityFrame(
            static_cast<UnitGroup>(s[0] % kUnitGroups), s[1] & 15, s[2] & 3);
        char reply[protocol::kReplyBufferSize] = {};
        const uint64_t start = VirtualNowUs();
        int r = h.network.QueryUnit(h.session, query.c_str(), reply, sizeof reply);
        FUZZ_CHECK(VirtualNowUs() - start <=
                   (h.config.ReplyTimeout + SerialPort::kReplyLineMs + 100) * 1000ull);
        FUZZ_CHECK(std::char_traits<char>::length(reply) < sizeof reply);
        if (r == 1) {
            FUZZ_CHECK(protocol::ReplyAnswersFrame(query.c_str(), reply));
            FUZZ_CHECK(ReadAfterFrame(*h.line, h.line->Frames().size() - 1, reply));
        }
    }
}

}  // namespace

// Input: mode, reply time-out (ms), step count, then 3 bytes per step (or for a scan one byte
// choosing the family), then the line's answers (FakeLine.h).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t mode = data[0] % 3;
    const uint32_t timeoutMs = data[1];
    const size_t steps = mode == 1 ? 0 : 1 + data[2] % 8;
    const size_t header = mode == 1 ? 4 : 3 + 3 * steps;
    if (size < header) return 0;
    Host h(std::make_unique<FakeLine>(data + header, size - header));
    h.config.ReplyTimeout = static_cast<int32_t>(timeoutMs);
    h.run.ProgramRunning = 1;
    if (mode == 0) Exchanges(h, data + 3, steps, timeoutMs);
    if (mode == 1) Scan(h, data[3]);
    if (mode == 2) Queries(h, data + 3, steps);
    return 0;
}
