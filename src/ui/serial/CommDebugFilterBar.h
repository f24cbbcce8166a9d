// The communications debugger's filter row: "Find" (text, any case), the direction (sent and
// received, sent, received), "Unit" (a family letter with an optional address digit, "D3") and
// "Clear Filter", with the count of lines shown. Typing is given a moment to pause before the
// filter is applied, so a million lines are not filtered on every key.
// Thread rule: GUI thread only.
#pragma once
#include <QWidget>

#include "core/serial/CommDebugLine.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace vendra::ui {

class CommDebugFilterBar : public QWidget {
    Q_OBJECT
  public:
    explicit CommDebugFilterBar(QWidget* parent = nullptr);

    CommDebugFilter Filter() const;
    // "1234 of 5678 lines" while a filter is set; empty otherwise.
    void ShowCount(size_t shown, size_t total, bool filtered);

  public slots:
    // Applies the fields now (also done a moment after the last key).
    void Apply();
    void ClearFilterButtonClick();

  signals:
    void FilterChanged(const vendra::CommDebugFilter& filter);

  private:
    QLineEdit* text_;
    QComboBox* direction_;
    QLineEdit* unit_;
    QLabel* count_;
    QTimer* pause_;
};

}  // namespace vendra::ui
