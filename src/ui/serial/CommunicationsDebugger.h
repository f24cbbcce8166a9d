// TCommunicationsDebugger: the modeless window that lists the communications debug log, with the
// legend "->Host" "/" "<-Board", the list IDC_BOTH_COMM and the buttons "Print", "Clear Screen"
// and "Save to File". It has only a minimise button; unchecking "Comm. Debug" closes it.
//
// Print goes to the default printer; on a machine without a printer the operator names a PDF
// file and is told the list went there. The file-name questions and the printer check can be
// replaced (tests). Thread rule: GUI thread only.
#pragma once
#include <QWidget>
#include <functional>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"

class QListView;
class QPushButton;
class QPrinter;

namespace vendra {
class CommDebugLog;
}

namespace vendra::ui {

class CommDebugListModel;

class TCommunicationsDebugger : public QWidget {
    Q_OBJECT
  public:
    TCommunicationsDebugger(SystemState& state, Operator& op, CommDebugLog& log,
                            QWidget* parent = nullptr);
    ~TCommunicationsDebugger() override;

    QListView* List() const { return list_; }
    CommDebugListModel* Model() const { return model_; }

    // Asked for the file of "Save to File"; empty = cancelled.
    std::function<QString()> AskSaveFileName;
    // Asked for a PDF file when no printer is installed; empty = cancelled.
    std::function<QString()> AskPdfFileName;
    std::function<bool()> PrinterAvailable;

  public slots:
    void PrintButtonClick();
    void ClearScreenButtonClick();
    void SaveButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ShowNewest();
    bool PrintTo(QPrinter& printer);

    SystemState& state_;
    Operator& op_;
    CommDebugLog& log_;
    QListView* list_;
    CommDebugListModel* model_;
};

}  // namespace vendra::ui
