// TPortConfigurationDialog, "Terminal and Network Scanning Dialog": the terminal memo
// TerminalScreen (typed characters are shown and go to the line, received lines are added), the
// buttons "Clear Window", "Print" and "Scan for Boards", the scan's progress bar ProgressBar1 and
// the two texts under the memo. Opened modally from the main menu; it holds the line while open.
//
// The terminal's worker hands the window the lines it received (no polling timer: an idle
// terminal sleeps). With the port closed, or once it went away, the window is inert: typing
// reaches no line and "Scan for Boards" is disabled. The scan runs on the terminal's worker;
// while it runs the window stays responsive but cannot be closed, typed keys are not sent and
// printing waits; its end comes as the operator's notice.
// Print goes to the default printer, 81 lines a page; on a machine without a printer the
// operator names a PDF file. The file-name question and the printer check can be replaced
// (tests). Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "core/tools/Terminal.h"
#include "ui/app/ListingPrinter.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace vendra {
class Core;
class Operator;
}  // namespace vendra

namespace vendra::ui {

class TMain;

class TPortConfigurationDialog : public QDialog, public TerminalView {
    Q_OBJECT
  public:
    // The caller opens `terminal` with this window as its view (Terminal::Open), calls
    // TerminalOpened, and closes the terminal before the window goes.
    TPortConfigurationDialog(Core& core, Operator& op, Terminal& terminal,
                             QWidget* parent = nullptr);
    ~TPortConfigurationDialog() override;
    // The terminal is open: the scan button follows whether it can be used.
    void TerminalOpened();

    // The terminal's worker (any thread): handed to the window's thread.
    void ShowLines(std::vector<std::string> lines) override;
    void LineGone() override;
    void ScanProgress(int percent) override;
    void ScanButtonEnabled(bool enabled) override;

    QPlainTextEdit* TerminalScreen() const { return screen_; }
    // The memo's lines (a last empty line, where typing goes on, is not one).
    QStringList Lines() const;
    bool Scanning() const { return scanning_; }
    // Pages printed by the last Print (0 when nothing was printed).
    int PrintedPages() const { return printedPages_; }

    // The printer, or the PDF file asked for when there is none (tests replace them).
    PrintTarget Printing;

  public slots:
    void ClearWindowButtonClick();
    void PrintButtonClick();
    void ScanButtonClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void GoInert();
    void ScanEnded();
    // Runs `work` on the window's thread while the window exists.
    void OnWindowThread(std::function<void()> work);
    void AddLine(const QString& text);

    Core& core_;
    Operator& op_;
    Terminal& terminal_;
    QPlainTextEdit* screen_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool scanning_ = false;
    int printedPages_ = 0;
};

// "Terminal and Network Scanning" opens the terminal (refused quietly while another activity
// holds the line).
void InstallTerminal(TMain& main);

}  // namespace vendra::ui
