// The motion plot's drawing surface: the axes with their titles, round labels and grid, one line
// per series in its own colour, and a legend on the right. It paints what it is given: the ranges
// of the axes and each line as pixels (the window decimates and maps the record with the core's
// plot geometry). A line or range given again unchanged causes no repaint, so a record whose
// newest samples land on the pixels already drawn costs nothing to show.
// Thread rule: GUI thread only.
#pragma once
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "core/runner/PlotGeometry.h"

class QPainter;

namespace vendra::ui {

class PlotCanvas : public QWidget {
    Q_OBJECT
  public:
    PlotCanvas(QString timeTitle, QString valueTitle, QWidget* parent = nullptr);

    // A new series, drawn in the next of ten colours, with an empty line.
    void AddSeries(const QString& name);
    size_t SeriesCount() const { return lines_.size(); }
    // The ranges the axes show; the labels' widths decide the plot area.
    void SetAxes(const PlotRange& time, const PlotRange& value);
    // Where values land at the present size and ranges.
    PlotMapping Mapping() const;
    void SetLine(size_t series, const std::vector<PlotPixel>& pixels);

    // What is shown: the legend's names and each line's pixels.
    QStringList SeriesNames() const;
    const std::vector<QPoint>& Line(size_t series) const { return lines_.at(series).pixels; }
    QColor SeriesColour(size_t series) const { return lines_.at(series).colour; }
    QRect PlotArea() const { return area_; }

  signals:
    // The plot area changed size: the lines need decimating anew.
    void AreaResized();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Places the plot area between the value labels, the time labels and the legend.
    void Layout();
    // Layout() after a change of size or font, telling when the area changed.
    void Relayout();
    QRect Background() const;
    // Each paints its part where it meets `dirty`.
    void PaintAxes(QPainter& p, const QRect& dirty) const;
    void PaintLines(QPainter& p, const QRect& dirty) const;
    void PaintLegend(QPainter& p, const QRect& dirty) const;

    struct Series {
        QString name;
        QColor colour;
        std::vector<QPoint> pixels;
    };
    const QString timeTitle_;
    const QString valueTitle_;
    std::vector<Series> lines_;
    std::vector<QPoint> scratch_;
    PlotRange time_{0, 1};
    PlotRange value_{0, 1};
    PlotTicks timeTicks_;
    PlotTicks valueTicks_;
    QStringList timeLabels_;
    QStringList valueLabels_;
    int legendWidth_ = 0;
    QRect area_;
};

}  // namespace vendra::ui
