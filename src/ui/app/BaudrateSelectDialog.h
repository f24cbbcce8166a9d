// TBaudrateSelectDialog: chooses CurrentBaud (it never touches the port). OK stores the chosen
// rate ("No Comm" = 0); closing the window any other way keeps CurrentBaud as it was.
#pragma once
#include <QDialog>
#include <cstdint>

#include "core/app/SystemState.h"

namespace vendra::ui {

class RadioGroup;

class TBaudrateSelectDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TBaudrateSelectDialog(SystemState& state, QWidget* parent = nullptr);

    // Rate of item `index` (0..6 the rates from 460800 down to 9600, 7 "No Comm" = 0).
    static uint32_t BaudForItem(int index);
    // Item showing `baud`, or -1 for a rate the list does not hold.
    static int ItemForBaud(uint32_t baud);

    void FormActivate();
    void BaudrateOKClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    SystemState& state_;
    RadioGroup* group_;
    bool activated_ = false;
};

}  // namespace vendra::ui
