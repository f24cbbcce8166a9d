#include "ui/serial/CommDebugListModel.h"

#include <QPainter>
#include <climits>

#include "core/serial/CommDebugLog.h"

namespace vendra::ui {

namespace {
constexpr int kSyncIntervalMs = 40;
}

CommDebugListModel::CommDebugListModel(CommDebugLog& log, QObject* parent)
    : QAbstractListModel(parent), log_(log) {
    auto [count, generation] = log_.CountAndGeneration();
    generation_ = generation;
    Rebuild(count);
    connect(&timer_, &QTimer::timeout, this, &CommDebugListModel::Sync);
    timer_.start(kSyncIntervalMs);
}

int CommDebugListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

size_t CommDebugListModel::LogIndex(int row) const {
    return filtered_ ? matches_[static_cast<size_t>(row)] : static_cast<size_t>(row);
}

QVariant CommDebugListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const size_t line = LogIndex(index.row());
    if (role == SentRole)
        return CommDebugItemDelegate::IsBold(QString::fromLatin1(log_.Line(line)));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    QString text = QString::fromLatin1(log_.Line(line));
    if (timeStamps_)
        text.prepend(QString::fromLatin1(FormatMillis(log_.LineMicros(line))) +
                     QLatin1String(" ms  "));
    return text;
}

void CommDebugListModel::Rebuild(size_t count) {
    matches_.clear();
    scanned_ = count;
    if (filtered_ && !log_.FilterLines(filter_, 0, count, generation_, matches_)) {
        // Cleared meanwhile: the next tick starts again from the cleared log.
        matches_.clear();
        scanned_ = 0;
    }
    rows_ = static_cast<int>(std::min<size_t>(filtered_ ? matches_.size() : scanned_, INT_MAX));
}

void CommDebugListModel::Sync() {
    auto [count, generation] = log_.CountAndGeneration();
    if (generation != generation_) {
        beginResetModel();
        generation_ = generation;
        Rebuild(count);
        endResetModel();
        emit RowsReplaced();
        if (rows_ > 0) emit LinesAdded();
        return;
    }
    if (count <= scanned_) return;
    size_t shown = count;
    if (filtered_) {
        const size_t before = matches_.size();
        if (!log_.FilterLines(filter_, scanned_, count, generation_, matches_)) {
            matches_.resize(before);  // cleared meanwhile: the next tick resets
            return;
        }
        shown = matches_.size();
    }
    scanned_ = count;
    const int rows = static_cast<int>(std::min<size_t>(shown, INT_MAX));
    if (rows <= rows_) return;
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
    emit LinesAdded();
}

void CommDebugListModel::SetFilter(const CommDebugFilter& filter) {
    beginResetModel();
    filter_ = filter;
    filtered_ = filter.Active();
    auto [count, generation] = log_.CountAndGeneration();
    generation_ = generation;
    Rebuild(count);
    endResetModel();
    emit RowsReplaced();
}

void CommDebugListModel::SetTimeStamps(bool on) {
    if (on == timeStamps_) return;
    timeStamps_ = on;
    if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1), {Qt::DisplayRole});
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
    const QVariant sent = index.data(CommDebugListModel::SentRole);
    const bool bold = sent.isValid() ? sent.toBool() : IsBold(text);
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
    QFont font = option.font;
    font.setBold(bold);
    painter->setFont(font);
    painter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

}  // namespace vendra::ui
