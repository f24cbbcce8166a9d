// The command chooser TfnDCommand ("Please Select Command": the 45 keywords in an editable combo
// box IDC_COMBOBOX1, OK and Cancel) and the label picker TfnLabelList, the same dialog with the
// label table's names ("Current Labels"). The chosen item is the item whose text equals the combo
// box's text exactly; a text that names no item gives -1.
// Thread rule: GUI thread only.
#pragma once
#include <QDialog>
#include <QStringList>

class QComboBox;

namespace vendra::ui {

class TfnDCommand : public QDialog {
    Q_OBJECT
  public:
    // The 45 keywords in code order, item `preselect` selected.
    TfnDCommand(int preselect, QWidget* parent = nullptr);

    QComboBox* Combo() const { return combo_; }
    QString Text() const;
    int ItemIndex() const;

  protected:
    TfnDCommand(const QString& className, const QString& caption, const QStringList& items,
                int preselect, QSize client, QWidget* parent);

  private:
    QComboBox* combo_;
};

class TfnLabelList : public TfnDCommand {
    Q_OBJECT
  public:
    TfnLabelList(const QStringList& names, int preselect, QWidget* parent = nullptr);
};

}  // namespace vendra::ui
