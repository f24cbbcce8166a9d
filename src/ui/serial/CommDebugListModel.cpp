#include "ui/serial/CommDebugListModel.h"

#include <QPainter>

#include "core/serial/CommDebugLog.h"

namespace vendra::ui {

namespace {
constexpr int kSyncIntervalMs = 40;
}

CommDebugListModel::CommDebugListModel(CommDebugLog& log, QObject* parent)
    : QAbstractListModel(parent), log_(log) {
    auto [count, generation] = log_.CountAndGeneration();
    rows_ = static_cast<int>(std::min<size_t>(count, INT_MAX));
    generation_ = generation;
    connect(&timer_, &QTimer::timeout, this, &CommDebugListModel::Sync);
    timer_.start(kSyncIntervalMs);
}

int CommDebugListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant CommDebugListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return QString::fromLatin1(log_.Line(static_cast<size_t>(index.row())));
    return {};
}

void CommDebugListModel::Sync() {
    auto [count, generation] = log_.CountAndGeneration();
    int rows = static_cast<int>(std::min<size_t>(count, INT_MAX));
    if (generation != generation_) {
        beginResetModel();
        generation_ = generation;
        rows_ = rows;
        endResetModel();
        if (rows_ > 0) emit LinesAdded();
    } else if (rows > rows_) {
        beginInsertRows(QModelIndex(), rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
        emit LinesAdded();
    }
}

int CommDebugItemDelegate::ItemHeight(const QFont& font) {
    QFont bold(font);
    bold.setBold(true);
    return std::max(13, QFontMetrics(bold).height());
}

QSize CommDebugItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex&) const {
    return QSize(option.rect.width() > 0 ? option.rect.width() : 200, ItemHeight(option.font));
}

void CommDebugItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
    QFont font = option.font;
    font.setBold(IsBold(text));
    painter->setFont(font);
    painter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

}  // namespace vendra::ui
