// The list model of the communications debugger: rows are the lines of the core's CommDebugLog,
// read on demand, so that a list of millions of lines costs only the log's own storage.
//
// The log is filled from any thread; this model looks at it on a short GUI timer and announces
// new rows in one batch per tick (or a reset after a clear), so the runner never waits for the
// GUI and the GUI never repaints per line. Thread rule: GUI thread only.
#pragma once
#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QTimer>

namespace vendra {
class CommDebugLog;
}

namespace vendra::ui {

class CommDebugListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit CommDebugListModel(CommDebugLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Brings the rows up to date with the log now (also done on every timer tick).
    void Sync();

  signals:
    // Rows were added at the end (the view shows the newest line).
    void LinesAdded();

  private:
    CommDebugLog& log_;
    QTimer timer_;
    int rows_ = 0;
    uint64_t generation_ = 0;
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
