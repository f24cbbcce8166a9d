// The list model of the definition editor: one row per item of the editor's list, read on demand
// from the core (so a refill of 10,000 lines is one reset, not 10,000 insertions); label lines in
// bold. Thread rule: GUI thread only.
#pragma once
#include <QAbstractListModel>
#include <QFont>

namespace vendra {
class DefinitionEditor;
}

namespace vendra::ui {

class DefinitionListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    DefinitionListModel(const DefinitionEditor& editor, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void SetFont(const QFont& font);
    // The editor rebuilt its items: every row is read again.
    void Reload();

  private:
    const DefinitionEditor& editor_;
    QFont bold_;
};

}  // namespace vendra::ui
