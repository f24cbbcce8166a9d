// The board-type (TBoardSelectType) and board-address (TBoardAdressSelect) choices: a radio group
// with OK and Cancel. The caller passes the item to select on activation and reads the chosen
// item after OK; Cancel leaves the caller's value alone.
#pragma once
#include <QDialog>
#include <QStringList>

namespace vendra::ui {

class RadioGroup;

class ChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    ChoiceDialog(const QString& className, const QString& caption, const QString& groupName,
                 const QString& groupCaption, const QStringList& items, int columns,
                 QWidget* parent);

    void SetInitialIndex(int index) { initial_ = index; }
    int SelectedIndex() const;
    RadioGroup* Group() const { return group_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    RadioGroup* group_;
    int initial_ = 0;
    bool activated_ = false;
};

class TBoardSelectType : public ChoiceDialog {
    Q_OBJECT
  public:
    explicit TBoardSelectType(QWidget* parent = nullptr);
};

class TBoardAdressSelect : public ChoiceDialog {
    Q_OBJECT
  public:
    explicit TBoardAdressSelect(QWidget* parent = nullptr);
};

// Shows the dialog modally with `value` selected; on OK stores the chosen item into `value`.
bool AskBoardTypeDialog(QWidget* parent, uint8_t& value);
bool AskBoardAddressDialog(QWidget* parent, uint8_t& value);

}  // namespace vendra::ui
