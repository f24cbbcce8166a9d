#include "ui/editor/DefinitionListModel.h"

#include "core/program/DefinitionEditor.h"

namespace vendra::ui {

DefinitionListModel::DefinitionListModel(const DefinitionEditor& editor, QObject* parent)
    : QAbstractListModel(parent), editor_(editor) {
    bold_.setBold(true);
}

int DefinitionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(editor_.Items().size());
}

QVariant DefinitionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<uint32_t>(index.row());
    if (role == Qt::DisplayRole) return QString::fromLatin1(editor_.Items()[row]);
    if (role == Qt::FontRole && editor_.IsLabelLine(row)) return bold_;
    return {};
}

void DefinitionListModel::SetFont(const QFont& font) {
    bold_ = font;
    bold_.setBold(true);
}

void DefinitionListModel::Reload() {
    beginResetModel();
    endResetModel();
}

}  // namespace vendra::ui
