// bench-editor: the definition editor window on a 10,000-line program (offscreen). Prints, as the
// median of several rounds:
//   open_ms        window created, shown, activated and its list filled and painted
//   change_ms      one Add, Insert, Delete or Edit, dialogs answered at once, including the
//                  list refresh and repaint (the median over all four kinds)
//   refresh_ms     the list refresh alone: every line formatted, the list reloaded and painted
//   format_all_ms  formatting every line as the list shows it
//   scroll_ms      one page of scrolling, repainted
// The program swings between 9,999 and 10,000 lines: each Add or Insert follows a Delete.
#include <QApplication>
#include <QComboBox>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "core/program/CommandTable.h"
#include "core/program/LineFormat.h"
#include "support/QuietOperator.h"
#include "ui/app/ModalDialog.h"
#include "ui/editor/DefinitionEditorDisplay.h"
#include "ui/editor/DefinitionListModel.h"

using namespace vendra;
using namespace vendra::ui;

namespace {

constexpr int kRounds = 9;

// Every kind of line, with comments and labels, filling the whole program.
void BuildProgram(UserProgram& p) {
    for (uint32_t i = 0; i < kMaxProgramLines; ++i) {
        ProgramLine& l = p.Lines[i];
        l = ProgramLine{};
        l.Command = static_cast<uint8_t>(i % kCommandCount);
        if (l.Command == CmdEnableCommDebug || l.Command == CmdDisableCommDebug) l.Command = 0;
        for (int v = 0; v < 8; ++v) l.Values[v] = (i * 7 + v) % 16;
        if (l.Command == CmdLinkMe || l.Command == CmdSetAxisBoardPosition) l.Values[1] = MotorX;
        if (l.Command == CmdUserInput) l.Values[0] = i % 6;
        std::snprintf(l.Text, sizeof l.Text, "A%u", i * 10);
        if (l.Command == CmdLabel) std::snprintf(l.Text, sizeof l.Text, "label_%u", i);
        std::snprintf(l.Comment, sizeof l.Comment, "step %u of the cycle", i);
    }
    p.Lines[kMaxProgramLines - 1].Command = CmdEndProgram;
    p.LineCount = kMaxProgramLines;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Ms(uint64_t startUs) {
    return static_cast<double>(TickUs() - startUs) / 1000.0;
}

void Settle() {
    QApplication::processEvents();
}

// Answers every dialog at once: the chooser with "delay", a parameter dialog with OK.
void AnswerAtOnce(QDialog& d) {
    if (auto* combo = d.findChild<QComboBox*>(QStringLiteral("IDC_COMBOBOX1")))
        combo->setEditText(QStringLiteral("delay"));
    if (auto* ok = d.findChild<QPushButton*>(QStringLiteral("OKButton"))) {
        ok->click();
    } else {
        d.reject();
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The offscreen platform warns on every dialog shown; the figures are the output here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuietOperator op;
    auto core = std::make_unique<Core>(op);
    SystemState& state = core->State;
    SetModalAnswerHook(AnswerAtOnce);

    std::vector<double> open, change, refresh, format, scroll;
    for (int round = 0; round < kRounds; ++round) {
        BuildProgram(state.Program);
        state.App.ProgramLoaded = 1;
        uint64_t t = TickUs();
        auto editor = std::make_unique<TDefinitionEditorDisplay>(DefinitionEditorStateOf(state), op,
                                                                 [] { return 0; });
        editor->show();
        Settle();
        editor->List()->viewport()->repaint();
        open.push_back(Ms(t));
        if (editor->Model()->rowCount() != static_cast<int>(kMaxProgramLines)) return 1;

        DefinitionEditor& ed = editor->Editor();
        auto measure = [&](auto&& action, std::vector<double>& into) {
            uint64_t start = TickUs();
            action();
            Settle();
            editor->List()->viewport()->repaint();
            into.push_back(Ms(start));
        };
        const int32_t at = 5000 + round;
        measure([&] { ed.Select(at), ed.Delete(); }, change);
        measure([&] { ed.Select(at), ed.Insert(); }, change);
        measure([&] { ed.Select(at), ed.Delete(); }, change);
        measure([&] { ed.Add(); }, change);
        measure([&] { ed.Select(at), ed.Edit(); }, change);
        if (state.Program.LineCount != kMaxProgramLines) return 1;
        measure([&] { ed.RefreshList(); }, refresh);

        t = TickUs();
        char buffer[kLineBufferSize];
        for (uint32_t i = 0; i < state.Program.LineCount; ++i)
            FormatLine(state.Program, i, LineForm::Display, buffer, sizeof buffer);
        format.push_back(Ms(t));

        QScrollBar* bar = editor->List()->verticalScrollBar();
        bar->setValue(bar->maximum() / 3);
        for (int page = 0; page < 20; ++page)
            measure([&] { bar->setValue(bar->value() + bar->pageStep()); }, scroll);
        editor->reject();
    }
    std::printf("lines: %u\n", kMaxProgramLines);
    std::printf("open_ms: %.2f\n", Median(open));
    std::printf("change_ms: %.2f\n", Median(change));
    std::printf("refresh_ms: %.2f\n", Median(refresh));
    std::printf("format_all_ms: %.2f\n", Median(format));
    std::printf("scroll_ms: %.2f\n", Median(scroll));
    return 0;
}
