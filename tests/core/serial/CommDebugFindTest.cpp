// Finding things in the communications debug log: the filter (text, direction, unit, combined,
// cleared) over lines as the log writes them, the CSV export (exact rows, a million lines), the
// time kept per line, and filtering while a worker logs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/CommDebugLine.h"
#include "core/serial/CommDebugLog.h"
#include "support/ScratchFolder.h"

namespace vendra {
namespace {

using test::ReadFile;

// Sanitizer builds run slower; the figures that count come from a release build.
#if defined(__SANITIZE_THREAD__)
constexpr int kSlow = 25;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int kSlow = 5;
#else
constexpr int kSlow = 1;
#endif

class CommDebugFindTest : public ::testing::Test {
  protected:
    CommDebugFindTest() {
        state.CommDebug.CommDebugEnabled = 1;
        state.CommDebug.CommDebugWindowOpen = 1;
    }
    std::vector<uint32_t> Find(const CommDebugFilter& filter) {
        std::vector<uint32_t> rows;
        EXPECT_TRUE(log.FilterLines(filter, 0, log.LineCount(), log.Generation(), rows));
        return rows;
    }
    std::string Path(const char* name) {
        return ::testing::TempDir() + name + std::to_string(getpid()) + ".csv";
    }
    SystemState state;
    CommDebugLog log{CommDebugLogStateOf(state)};
};

TEST_F(CommDebugFindTest, FilterByTextDirectionAndUnit) {
    log.LogSentFrame(5, "D3A1000\r");        // 0
    log.LogReceivedText("D3>");              // 1
    log.LogSentFrame(6, "X1A100,Y1A200\r");  // 2
    log.LogReceivedText("x1>");              // 3
    log.LogDiscarded("H1>\r");               // 4
    log.LogSentFrame(7, "Q0P\r");            // 5
    log.LogReceivedText("q0>120,-40");       // 6
    log.LogSentFrame(8, "GG!\r");            // 7
    log.LogSentFrame(9, "DAA5\r");           // 8: DBoard unit 10
    using D = CommDirection;
    struct Case {
        const char* text;
        D direction;
        const char* unit;
        std::vector<uint32_t> rows;
    } const cases[] = {
        {"", D::Any, "", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"d3a", D::Any, "", {0}},    // case-insensitive
        {"A1", D::Any, "", {0, 2}},  // anywhere in the line
        {"->7/", D::Any, "", {5}},   // the numbers are part of the line
        {"discarded", D::Any, "", {4}},
        {"nothing like it", D::Any, "", {}},
        {"", D::Sent, "", {0, 2, 5, 7, 8}},
        {"", D::Received, "", {1, 3, 4, 6}},  // discarded bytes were received
        {"", D::Any, "D3", {0, 1}},
        {"", D::Any, "d", {0, 1, 8}},  // a letter alone: the whole family
        {"", D::Any, "X1", {2, 3}},    // replies of axes are lower case
        {"", D::Any, "h1", {4}},       // the unit of discarded bytes
        {"", D::Any, "Q0", {5, 6}},
        {"", D::Any, "Da", {8}},
        {"", D::Any, "G", {7}},
        {"120", D::Received, "q0", {6}},  // combined
        {"a1", D::Sent, "x", {2}},
        {"a1", D::Received, "x", {}},
        {"", D::Any, "3D", {}},  // not a unit: nothing
        {"", D::Any, "D33", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.text << "\" " << int(c.direction) << " \"" << c.unit << '"');
        CommDebugFilter filter(c.text, c.direction, c.unit);
        EXPECT_EQ(Find(filter), c.rows);
        EXPECT_EQ(filter.Active(), *c.text || c.direction != D::Any || *c.unit);
    }
    EXPECT_FALSE(CommDebugFilter("", D::Any, "3D").UnitValid());
    EXPECT_TRUE(CommDebugFilter("", D::Any, "qF").UnitValid());
    // Cleared: a filter without conditions shows everything again.
    EXPECT_EQ(Find(CommDebugFilter()).size(), 9u);
    EXPECT_FALSE(CommDebugFilter().Active());
}

TEST_F(CommDebugFindTest, CsvRowsQuoteWhatNeedsItAndCarryTheTime) {
    std::string out = CommDebugCsvHeader(true);
    AppendCommDebugCsvRow(out, "->6/2 - X1A100,Y1A200", true, 1234567);
    AppendCommDebugCsvRow(out, "<-3 - x1\"b", true, 5);
    AppendCommDebugCsvRow(out, "odd line", true, 0);
    EXPECT_EQ(out,
              "number,direction,program_line,time_ms,frame\r\n"
              "2,sent,6,1234.567,\"X1A100,Y1A200\"\r\n"
              "3,received,,0.005,\"x1\"\"b\"\r\n"
              ",,,0.000,odd line\r\n");
    out = CommDebugCsvHeader(false);
    AppendCommDebugCsvRow(out, "<-1 - D3>", false, 99);
    EXPECT_EQ(out, "number,direction,program_line,frame\r\n1,received,,D3>\r\n");
    EXPECT_EQ(FormatMillis(0), "0.000");
    EXPECT_EQ(FormatMillis(86'400'000'123), "86400000.123");
}

// The export writes the rows asked for (the filtered ones, or all), with the time when asked.
TEST_F(CommDebugFindTest, ExportWritesTheRowsShown) {
    log.LogSentFrame(5, "D3A1000\r");
    SleepMs(2);
    log.LogReceivedText("D3>");
    log.LogSentFrame(6, "U2v0\r");
    std::string error;
    const std::string path = Path("debug_rows_");
    const std::vector<uint32_t> rows = {0, 2};
    ASSERT_TRUE(log.ExportCsv(path, &rows, false, error)) << error;
    EXPECT_EQ(ReadFile(path),
              "number,direction,program_line,frame\r\n"
              "0,sent,5,D3A1000\r\n"
              "2,sent,6,U2v0\r\n");
    ASSERT_TRUE(log.ExportCsv(path, nullptr, true, error)) << error;
    std::istringstream csv(ReadFile(path));
    std::string header, row;
    std::getline(csv, header);
    EXPECT_EQ(header, "number,direction,program_line,time_ms,frame\r");
    std::vector<double> times;
    while (std::getline(csv, row)) {  // the fourth field
        size_t at = 0;
        for (int field = 0; field < 3; ++field) at = row.find(',', at) + 1;
        times.push_back(std::stod(row.substr(at)));
    }
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[0], 0.0);  // the time since the log's first line
    EXPECT_GE(times[1], 2.0);
    EXPECT_LE(times[1], times[2]);
    EXPECT_EQ(log.LineMicros(0), 0u);
    EXPECT_GE(log.LineMicros(1), 2000u);
    EXPECT_EQ(log.LineMicros(9), 0u);  // no such line
    std::remove(path.c_str());

    EXPECT_FALSE(log.ExportCsv(::testing::TempDir(), nullptr, false, error));  // a folder
    EXPECT_NE(error.find(::testing::TempDir()), std::string::npos);
}

// A million lines: filtered well within 200 ms (release build), exported whole.
TEST_F(CommDebugFindTest, MillionLinesFilterAndExport) {
    constexpr uint32_t kLines = 1'000'000;
    for (uint32_t i = 0; i < kLines / 2; ++i) {
        log.LogSentFrame(static_cast<int>(i % 1000 + 1), i % 5 ? "D3A1000\r" : "X1A100,Y1A200\r");
        log.LogReceivedText(i % 5 ? "D3>" : "x1>");
    }
    ASSERT_EQ(log.LineCount(), kLines);
    uint64_t t0 = TickUs();
    const std::vector<uint32_t> found = Find(CommDebugFilter("y1a2", CommDirection::Sent, "X1"));
    const double filterMs = (TickUs() - t0) / 1000.0;
    ASSERT_EQ(found.size(), kLines / 10);
    EXPECT_EQ(found[1], 10u);
    t0 = TickUs();
    const size_t units = Find(CommDebugFilter("", CommDirection::Any, "d3")).size();
    const double unitMs = (TickUs() - t0) / 1000.0;
    EXPECT_EQ(units, kLines * 4 / 5);
    std::printf("filter_1M_text_ms: %.1f\nfilter_1M_unit_ms: %.1f\n", filterMs, unitMs);
    EXPECT_LT(filterMs, 200.0 * kSlow);
    EXPECT_LT(unitMs, 200.0 * kSlow);

    const std::string path = Path("debug_1M_");
    std::string error;
    t0 = TickUs();
    ASSERT_TRUE(log.ExportCsv(path, nullptr, true, error)) << error;
    const double exportMs = (TickUs() - t0) / 1000.0;
    const std::string csv = ReadFile(path);
    std::remove(path.c_str());
    std::printf("csv_1M_ms: %.1f\ncsv_1M_bytes: %zu\n", exportMs, csv.size());
    size_t rows = 0;
    for (char c : csv) rows += c == '\n';
    EXPECT_EQ(rows, kLines + 1);
    EXPECT_EQ(csv.substr(0, csv.find('\n', csv.find('\n') + 1) + 1),
              "number,direction,program_line,time_ms,frame\r\n0,sent,1,0.000,"
              "\"X1A100,Y1A200\"\r\n");
    EXPECT_TRUE(
        csv.ends_with(",received,," + FormatMillis(log.LineMicros(kLines - 1)) + ",D3>\r\n"));
    EXPECT_LT(exportMs, 3000.0 * kSlow);
}

// The window filters while the runner logs: every index found exists and matches; a clear
// meanwhile is reported instead of giving indexes of lines that are gone.
TEST_F(CommDebugFindTest, FilteringWhileAWorkerLogs) {
    std::thread writer([&] {
        for (int i = 0; i < 100000; ++i) {
            log.LogSentFrame(i, i % 2 ? "D3A1\r" : "U2A1\r");
            log.LogReceivedText("D3>");
        }
    });
    const CommDebugFilter filter("", CommDirection::Sent, "U2");
    std::vector<uint32_t> rows;
    size_t scanned = 0;
    const uint64_t generation = log.Generation();
    while (scanned < 200000) {
        const size_t count = log.LineCount();
        ASSERT_TRUE(log.FilterLines(filter, scanned, count, generation, rows));
        scanned = count;
    }
    writer.join();
    ASSERT_EQ(rows.size(), 50000u);
    for (size_t k = 0; k < rows.size(); k += 997) EXPECT_TRUE(filter.Matches(log.Line(rows[k])));

    log.ClearCommDebugLog();
    rows.clear();
    EXPECT_FALSE(log.FilterLines(filter, 0, 10, generation, rows));
    EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace vendra
