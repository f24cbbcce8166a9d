// The one parameter dialog class: it builds any row of the dialog table (TfnVSEND, TfnDBoard, ...,
// TfnLINKME, TfnSelectC) from the row itself, and its objectName is the row's class name. Each
// edit carries its component name (IDC_EDIT9, ...); a radio field is a radio group. The dialog
// shows the texts of an activated LineDialog and hands every keystroke, double click (label
// picker) and button to it: OK closes only when the LineDialog stored the line.
// Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <vector>

#include "core/base/Operator.h"
#include "core/program/LineDialog.h"

namespace vendra::ui {

class TCommandDialog : public QDialog {
    Q_OBJECT
  public:
    TCommandDialog(LineDialog& session, Operator& op, QWidget* parent = nullptr);

    // The edit (QLineEdit or RadioGroup) of a component name; nullptr when the dialog has none.
    QWidget* Edit(const char* component) const;

    void OKButtonClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* BuildField(int index, QWidget* parent);
    void ShowTexts();
    bool TextsFitTheFile();

    LineDialog& session_;
    Operator& op_;
    std::vector<QWidget*> edits_;
    bool showing_ = false;  // ShowTexts is filling the edits
};

}  // namespace vendra::ui
