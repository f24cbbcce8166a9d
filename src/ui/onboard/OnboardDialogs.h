// The IEEPROM editor's two small dialogs: TfniCOMMAND edits one program line, TfniADDRESS asks
// for the program memory address the read, write and run start at.
// Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <QString>

#include "core/base/Operator.h"
#include "core/onboard/OnboardProgram.h"

class QLineEdit;
class QLabel;

namespace vendra::ui {

// Caption "IEEPROM Command"; label "Command:"; edit IDC_ADD_COMMENTS (at most 255 characters).
class TfniCOMMAND : public QDialog {
    Q_OBJECT
  public:
    TfniCOMMAND(const QString& text, QWidget* parent = nullptr);
    // The edit's text, cut to the 255 characters a line holds.
    std::string Text() const;

  private:
    QLineEdit* edit_;
};

// Caption "Please Input IEEPROM Address"; label "Address (1-<BoardProgramSize>)"; edit IDC_EDIT9.
// Every change of the edit is checked: anything but a number from 1 to the memory's size shows
// "Input is out of range" and the text stays for correction. OK stores the address in
// OnboardStartAddress; with a text that is no such number it shows the message again and stays
// open.
class TfniADDRESS : public QDialog {
    Q_OBJECT
  public:
    TfniADDRESS(OnboardProgram& program, Operator& op, QWidget* parent = nullptr);

    // The edit's text as an address; 0 when it is not a number from 1 to the memory's size.
    uint32_t Address() const;

  public slots:
    void IDC_EDIT9Change();
    void OKButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    OnboardProgram& program_;
    Operator& op_;
    QLabel* label_;
    QLineEdit* edit_;
    bool activated_ = false;
};

// Shows TfniADDRESS modally; true after OK (the address is then in OnboardStartAddress).
bool AskOnboardAddress(OnboardProgram& program, Operator& op, QWidget* parent);
// Shows TfniCOMMAND modally on `text`; true after OK, with the new text in `text`.
bool EditOnboardLine(std::string& text, QWidget* parent);

}  // namespace vendra::ui
