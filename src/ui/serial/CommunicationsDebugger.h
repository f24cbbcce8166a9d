// TCommunicationsDebugger: the modeless window that lists the communications debug log, with the
// legend "->Host" "/" "<-Board", the list IDC_BOTH_COMM and the buttons "Print", "Clear Screen"
// and "Save to File". It has only a minimise button; unchecking "Comm. Debug" closes it.
//
// To find things: a filter row (text, direction, unit; the list then shows only the matching
// lines, numbered as logged), "Time Stamps" (each line shows the time since the first line, in
// ms), "Export CSV" of the lines shown, and a double click on a sent frame, which shows the
// program line that sent it in the status line below the list (asked of the CommDebugSourceFn it
// is given: the window shows the log, the program is another subsystem's). Print, Clear Screen
// and Save to File act on the whole log, filter or not.
//
// Print goes to the default printer; on a machine without a printer the operator names a PDF
// file and is told the list went there. The file-name questions and the printer check can be
// replaced (tests). Thread rule: GUI thread only.
#pragma once
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "ui/app/ListingPrinter.h"

class QCheckBox;
class QLabel;
class QListView;
class QPushButton;

namespace vendra {
class CommDebugLog;
}

namespace vendra::ui {

class CommDebugFilterBar;
class CommDebugListModel;

// The text shown for a double-clicked log line: the program line that sent its frame, or why
// there is none.
using CommDebugSourceFn = std::function<std::string(std::string_view logLine)>;

class TCommunicationsDebugger : public QWidget {
    Q_OBJECT
  public:
    TCommunicationsDebugger(SystemState& state, Operator& op, CommDebugLog& log,
                            CommDebugSourceFn sourceLine, QWidget* parent = nullptr);
    ~TCommunicationsDebugger() override;

    QListView* List() const { return list_; }
    CommDebugListModel* Model() const { return model_; }
    CommDebugFilterBar* FilterBar() const { return filterBar_; }

    // Asked for the file of "Save to File"; empty = cancelled.
    std::function<QString()> AskSaveFileName;
    // The printer, or the PDF file asked for when there is none (tests replace them).
    PrintTarget Printing;
    // Asked for the file of "Export CSV"; empty = cancelled.
    std::function<QString()> AskCsvFileName;

  public slots:
    void PrintButtonClick();
    void ClearScreenButtonClick();
    void SaveButtonClick();
    void ExportCsvButtonClick();
    // The status line shows the program line that sent the frame of `row` (or why none).
    void ShowSourceLine(int row);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ShowNewest();
    void ShowCount();

    SystemState& state_;
    Operator& op_;
    CommDebugLog& log_;
    CommDebugSourceFn sourceLine_;
    QListView* list_;
    CommDebugListModel* model_;
    CommDebugFilterBar* filterBar_;
    QCheckBox* timeStamps_;
    QLabel* status_;
};

}  // namespace vendra::ui
