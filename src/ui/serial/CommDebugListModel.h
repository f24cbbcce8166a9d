// The list model of the communications debugger: rows are the lines of the core's CommDebugLog,
// read on demand, so that a list of millions of lines costs only the log's own storage.
//
// The log is filled from any thread; this model looks at it on a short GUI timer and announces
// new rows in one batch per tick (or a reset after a clear), so the runner never waits for the
// GUI and the GUI never repaints per line. While a filter is set the rows are the matching lines
// only (their indexes in the log, 4 bytes each); new lines are filtered as they arrive. With time
// stamps on, a row shows the time since the log's first line before the line.
// Thread rule: GUI thread only.
#pragma once
#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "core/serial/CommDebugLine.h"

namespace vendra {
class CommDebugLog;
}

namespace vendra::ui {

class CommDebugListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    // data() role: true for a sent frame (drawn in bold).
    static constexpr int SentRole = Qt::UserRole;

    explicit CommDebugListModel(CommDebugLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Brings the rows up to date with the log now (also done on every timer tick).
    void Sync();

    // Shows only the lines `filter` matches; a filter without conditions shows every line.
    void SetFilter(const CommDebugFilter& filter);
    bool Filtered() const { return filtered_; }
    void SetTimeStamps(bool on);
    bool TimeStamps() const { return timeStamps_; }

    // The index in the log of the line a row shows.
    size_t LogIndex(int row) const;
    // The lines shown as indexes in the log; null when every line is shown.
    const std::vector<uint32_t>* ShownLines() const { return filtered_ ? &matches_ : nullptr; }
    // Lines of the log the model has seen.
    size_t LogLines() const { return scanned_; }

  signals:
    // Rows were added at the end (the view shows the newest line).
    void LinesAdded();
    // The rows were replaced (a clear of the log, another filter).
    void RowsReplaced();

  private:
    // Reads the log from the start: rows, matches and the lines seen.
    void Rebuild(size_t count);

    CommDebugLog& log_;
    QTimer timer_;
    int rows_ = 0;
    size_t scanned_ = 0;
    uint64_t generation_ = 0;
    CommDebugFilter filter_;
    bool filtered_ = false;
    std::vector<uint32_t> matches_;
    bool timeStamps_ = false;
};

// Paints one list line: background, then the text at the item's top-left corner; sent frames
// (lines beginning with '-') in bold. Every item has the same height.
class CommDebugItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    static bool IsBold(const QString& line) { return line.startsWith(QLatin1Char('-')); }
    static int ItemHeight(const QFont& font);
};

}  // namespace vendra::ui
