// A captioned group of mutually exclusive radio buttons addressed by item index, the way the
// choice dialogs use them (ItemIndex -1 = nothing selected).
#pragma once
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace vendra::ui {

class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    RadioGroup(const QString& caption, const QStringList& items, int columns,
               QWidget* parent = nullptr);

    int ItemIndex() const;
    // Selects item `index`; an index outside the items leaves the selection as it is.
    void SetItemIndex(int index);
    int Count() const;
    QRadioButton* Item(int index) const;

  signals:
    void ItemIndexChanged(int index);

  private:
    QButtonGroup* buttons_;
};

}  // namespace vendra::ui
