// TTestLength, the communication test's "Test Length" dialog: the radio group ChooseRadioGroup
// with the five lengths, OK and Cancel. On activation it selects the first item.
// Thread rule: GUI thread only.
#pragma once
#include <cstdint>

#include "ui/app/BoardSelectDialogs.h"

namespace vendra::ui {

class TTestLength : public ChoiceDialog {
    Q_OBJECT
  public:
    explicit TTestLength(QWidget* parent = nullptr);
};

// Shows the dialog modally: the steps of the chosen length after OK, 0 after Cancel.
uint32_t AskTestLengthDialog(QWidget* parent);

}  // namespace vendra::ui
