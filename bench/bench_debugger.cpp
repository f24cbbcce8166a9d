// bench-debugger: finding things in the communications debugger with 1,000,000 lines logged
// (offscreen). A filter is timed from its application in the window's filter row until the list
// shows the matching lines (model rebuilt, list repainted). Prints, as medians of 7 rounds:
//   filter_ms            a text found in a tenth of the lines
//   filter_direction_ms  sent frames only
//   filter_unit_ms       one unit (family letter and address)
//   filter_combined_ms   text, direction and unit together
//   filter_cleared_ms    the filter cleared again (every line shown)
//   filter_core_ms       the log's own filter for the text alone, without the window
// (each filter also prints the rows it showed, <name>_rows)
//   csv_ms, csv_bytes    Export CSV of every line with time stamps
//   storage_bytes_per_line   what the log keeps per line (text and index)
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/CommDebugLog.h"
#include "support/QuietOperator.h"
#include "ui/serial/CommDebugFilterBar.h"
#include "ui/serial/CommDebugListModel.h"
#include "ui/serial/CommunicationsDebugger.h"

using namespace vendra;
using namespace vendra::ui;

namespace {

constexpr int kLines = 1000000;
constexpr int kRounds = 7;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SystemState state;
    state.CommDebug.CommDebugEnabled = 1;
    state.CommDebug.CommDebugWindowOpen = 1;
    QuietOperator op;
    CommDebugLog log(CommDebugLogStateOf(state));
    // A run's traffic: moves and status queries to three units, an AxisBoard sweep, encoder
    // readings, now and then discarded bytes.
    for (int i = 0; i < kLines / 2; ++i) {
        switch (i % 10) {
            case 0:
                log.LogSentFrame(i % 400 + 1, "X1A4000,Y1A500\r");
                log.LogReceivedText("x1>");
                break;
            case 1:
                log.LogSentFrame(i % 400 + 1, "Q0P\r");
                log.LogReceivedText("q0>3996,-40");
                break;
            case 2:
                log.LogSentFrame(i % 400 + 1, "D3A1500\r");
                log.LogDiscarded("H1b\r");
                break;
            default:
                log.LogSentFrame(i % 400 + 1, i % 2 ? "D3\r" : "U2\r");
                log.LogReceivedText(i % 2 ? "D3b" : "U2f1500");
                break;
        }
    }
    std::printf("lines: %zu\nstorage_bytes_per_line: %.1f\n", log.LineCount(),
                double(log.StorageBytes()) / double(log.LineCount()));

    TCommunicationsDebugger w(state, op, log, {});
    w.resize(640, 480);
    w.show();
    app.processEvents();
    auto* text = w.findChild<QLineEdit*>("FilterText");
    auto* unit = w.findChild<QLineEdit*>("FilterUnit");
    auto* direction = w.findChild<QComboBox*>("FilterDirection");

    // One filter set in the row, applied and shown; its median time and the rows it showed.
    auto timeFilter = [&](const char* name, const char* t, int dir, const char* u) {
        std::vector<double> ms;
        for (int round = 0; round < kRounds; ++round) {
            w.FilterBar()->ClearFilterButtonClick();
            app.processEvents();
            text->setText(QString::fromLatin1(t));
            unit->setText(QString::fromLatin1(u));
            {
                QSignalBlocker block(direction);
                direction->setCurrentIndex(dir);
            }
            const uint64_t t0 = TickUs();
            w.FilterBar()->Apply();
            w.List()->viewport()->repaint();
            ms.push_back((TickUs() - t0) / 1000.0);
        }
        std::printf("%s_ms: %.1f\n%s_rows: %d\n", name, Median(ms), name, w.Model()->rowCount());
    };
    timeFilter("filter", "a4000", 0, "");
    timeFilter("filter_direction", "", 1, "");
    timeFilter("filter_unit", "", 0, "D3");
    timeFilter("filter_combined", "3996", 2, "q0");
    {
        std::vector<double> ms;
        for (int round = 0; round < kRounds; ++round) {
            text->setText(QStringLiteral("a4000"));
            w.FilterBar()->Apply();
            app.processEvents();
            const uint64_t t0 = TickUs();
            w.FilterBar()->ClearFilterButtonClick();
            w.List()->viewport()->repaint();
            ms.push_back((TickUs() - t0) / 1000.0);
        }
        std::printf("filter_cleared_ms: %.1f\nfilter_cleared_rows: %d\n", Median(ms),
                    w.Model()->rowCount());
    }
    {
        std::vector<double> ms;
        const CommDebugFilter filter("a4000", CommDirection::Any, "");
        for (int round = 0; round < kRounds; ++round) {
            std::vector<uint32_t> rows;
            const uint64_t t0 = TickUs();
            log.FilterLines(filter, 0, log.LineCount(), log.Generation(), rows);
            ms.push_back((TickUs() - t0) / 1000.0);
        }
        std::printf("filter_core_ms: %.1f\n", Median(ms));
    }

    const std::string path = "/tmp/bench_debugger_" + std::to_string(getpid()) + ".csv";
    std::vector<double> ms;
    long bytes = 0;
    for (int round = 0; round < 3; ++round) {
        std::string error;
        const uint64_t t0 = TickUs();
        if (!log.ExportCsv(path, nullptr, true, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        ms.push_back((TickUs() - t0) / 1000.0);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        bytes = std::ftell(f);
        std::fclose(f);
    }
    std::remove(path.c_str());
    std::printf("csv_ms: %.1f\ncsv_bytes: %ld\n", Median(ms), bytes);
    return 0;
}
