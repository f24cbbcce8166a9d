#include "ui/runner/PlotCanvas.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace vendra::ui {

namespace {
constexpr int kOuter = 9;    // the window's colour around the white background
constexpr int kPad = 12;     // inside the background
constexpr int kGap = 6;      // between a label and what it names
constexpr int kTick = 4;     // tick marks outside the axes
constexpr int kMarker = 10;  // a legend entry's colour square

// Ten distinct colours, easy to tell apart on white.
constexpr QRgb kColours[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                             0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
const QColor kGrid(0xe0, 0xe0, 0xe0);
const QColor kAxis(0xa0, 0xa0, 0xa0);
const QColor kText(0x40, 0x40, 0x44);

QStringList Labels(const PlotTicks& ticks) {
    QStringList labels;
    for (double v : ticks.values) labels << QString::fromStdString(TickLabel(v, ticks.decimals));
    return labels;
}

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}
}  // namespace

PlotCanvas::PlotCanvas(QString timeTitle, QString valueTitle, QWidget* parent)
    : QWidget(parent), timeTitle_(std::move(timeTitle)), valueTitle_(std::move(valueTitle)) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
    Layout();
}

void PlotCanvas::AddSeries(const QString& name) {
    lines_.push_back({name, QColor(kColours[lines_.size() % std::size(kColours)]), {}});
    Layout();
    update();
}

QStringList PlotCanvas::SeriesNames() const {
    QStringList names;
    for (const Series& line : lines_) names << line.name;
    return names;
}

void PlotCanvas::SetAxes(const PlotRange& time, const PlotRange& value) {
    if (time == time_ && value == value_) return;
    time_ = time;
    value_ = value;
    timeTicks_ = RoundTicks(time_);
    valueTicks_ = RoundTicks(value_);
    timeLabels_ = Labels(timeTicks_);
    valueLabels_ = Labels(valueTicks_);
    Layout();
    update();
}

PlotMapping PlotCanvas::Mapping() const {
    return {time_, value_, area_.x(), area_.y(), area_.width(), area_.height()};
}

void PlotCanvas::SetLine(size_t series, const std::vector<PlotPixel>& pixels) {
    if (series >= lines_.size()) return;
    scratch_.clear();
    for (const PlotPixel& p : pixels) scratch_.emplace_back(p.x, p.y);
    std::vector<QPoint>& drawn = lines_[series].pixels;
    const size_t same = static_cast<size_t>(
        std::mismatch(drawn.begin(), drawn.end(), scratch_.begin(), scratch_.end()).first -
        drawn.begin());
    if (same == drawn.size() && same == scratch_.size()) return;
    // Points run left to right: the line changes from the segment into the first point that
    // differs on, so only that part of the area is painted again (during a run, the newest
    // columns).
    const size_t from = same > 0 ? same - 1 : 0;
    int left = INT_MAX, right = INT_MIN;
    for (const std::vector<QPoint>* line : {&drawn, &scratch_}) {
        if (from >= line->size()) continue;
        left = std::min(left, (*line)[from].x());
        right = std::max(right, line->back().x());
    }
    drawn.swap(scratch_);
    const QRect changed(QPoint(std::max(left, area_.left()) - 1, area_.top() - 1),
                        QPoint(std::min(right, area_.right() + 1) + 1, area_.bottom() + 2));
    update(changed);
}

QRect PlotCanvas::Background() const {
    return rect().adjusted(kOuter, kOuter, -kOuter, -kOuter);
}

void PlotCanvas::Layout() {
    const QFontMetrics fm(font());
    const QFontMetrics bold(Bold(font()));
    int labelWidth = 0;
    for (const QString& label : valueLabels_)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(label));
    int names = 0;
    for (const Series& line : lines_) names = std::max(names, fm.horizontalAdvance(line.name));
    // (+2: a name measured whole must not come out elided.)
    legendWidth_ = lines_.empty() ? 0 : std::min(kMarker + kGap + names + 2, width() / 3);
    const QRect bg = Background();
    const int left = bg.left() + kPad + bold.height() + kGap + labelWidth + kGap + kTick;
    // Without a legend the last time label may stand out past the area's right edge.
    const int lastLabel = timeLabels_.isEmpty() ? 0 : fm.horizontalAdvance(timeLabels_.back());
    const int right =
        bg.right() - kPad - (legendWidth_ ? legendWidth_ + 2 * kPad : lastLabel / 2 + 1);
    const int top = bg.top() + kPad + fm.height();
    const int bottom = bg.bottom() - kPad - bold.height() - kGap - fm.height() - kTick;
    area_ = QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

void PlotCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void PlotCanvas::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) Relayout();  // the labels' widths change
}

void PlotCanvas::Relayout() {
    const QRect before = area_;
    Layout();
    update();
    if (area_ != before) emit AreaResized();
}

void PlotCanvas::paintEvent(QPaintEvent* event) {
    // Only `dirty` is painted (the painter is clipped to it); what lies wholly outside is skipped.
    const QRect dirty = event->rect();
    QPainter p(this);
    p.fillRect(dirty, palette().window());
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(Background(), 5, 5);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    PaintAxes(p, dirty);
    PaintLines(p, dirty);
    PaintLegend(p, dirty);
}

void PlotCanvas::PaintAxes(QPainter& p, const QRect& dirty) const {
    // The area's edges: values lo and hi at the bottom and top, times at the left and right.
    const PlotMapping m = Mapping();
    const int left = area_.x(), top = area_.y();
    const int right = left + area_.width(), bottom = top + area_.height();
    p.setPen(kGrid);
    for (double t : timeTicks_.values) {
        const int x = static_cast<int>(std::lround(m.X(t)));
        p.drawLine(x, top, x, bottom);
    }
    for (double v : valueTicks_.values) {
        const int y = static_cast<int>(std::lround(m.Y(v)));
        p.drawLine(left, y, right, y);
    }
    p.setPen(kAxis);
    p.drawLine(left, top, left, bottom);
    p.drawLine(left, bottom, right, bottom);

    const QRect bg = Background();
    const QFontMetrics fm(font());
    p.setPen(kText);
    if (dirty.bottom() > bottom) {  // the time labels and title
        for (size_t i = 0; i < timeTicks_.values.size(); ++i) {
            const int x = static_cast<int>(std::lround(m.X(timeTicks_.values[i])));
            p.drawLine(x, bottom, x, bottom + kTick);
            const QString& label = timeLabels_[qsizetype(i)];
            const int w = fm.horizontalAdvance(label);
            p.drawText(QRect(x - w / 2 - 1, bottom + kTick + 2, w + 2, fm.height()),
                       Qt::AlignCenter, label);
        }
    }
    if (dirty.left() < left) {  // the value labels and title
        const int w = left - kTick - kGap - bg.left();
        for (size_t i = 0; i < valueTicks_.values.size(); ++i) {
            const int y = static_cast<int>(std::lround(m.Y(valueTicks_.values[i])));
            p.drawLine(left - kTick, y, left, y);
            p.drawText(QRect(left - kTick - kGap - w, y - fm.height() / 2, w, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, valueLabels_[qsizetype(i)]);
        }
    }
    p.setFont(Bold(font()));
    const QFontMetrics bold(p.font());
    p.drawText(QRect(left, bg.bottom() - kPad - bold.height(), area_.width(), bold.height()),
               Qt::AlignCenter, timeTitle_);
    p.save();
    p.translate(bg.left() + kPad, top + area_.height() / 2);
    p.rotate(-90);
    p.drawText(QRect(-area_.height() / 2, 0, area_.height(), bold.height()), Qt::AlignCenter,
               valueTitle_);
    p.restore();
    p.setFont(font());
}

void PlotCanvas::PaintLines(QPainter& p, const QRect& dirty) const {
    // Each point is a pixel of its column; whatever lies outside the area is cut off.
    p.setClipRect(QRect(area_.topLeft(), area_.size() + QSize(1, 1)).intersected(dirty));
    auto byX = [](const QPoint& a, const QPoint& b) { return a.x() < b.x(); };
    for (const Series& line : lines_) {
        // The points in the dirty columns, and one more each side for the segments that cross
        // into them.
        const std::vector<QPoint>& px = line.pixels;
        auto first = std::lower_bound(px.begin(), px.end(), QPoint(dirty.left(), 0), byX);
        auto last = std::upper_bound(first, px.end(), QPoint(dirty.right(), 0), byX);
        if (first != px.begin()) --first;
        if (last != px.end()) ++last;
        p.setPen(QPen(line.colour, 1));
        if (last - first == 1)
            p.drawPoint(*first);
        else if (last - first > 1)
            p.drawPolyline(&*first, static_cast<int>(last - first));
    }
    p.setClipping(false);
}

void PlotCanvas::PaintLegend(QPainter& p, const QRect& dirty) const {
    // Centred beside the area; entries that do not fit are left out.
    const int x = area_.x() + area_.width() + 2 * kPad;
    if (lines_.empty() || dirty.right() < x) return;
    const QRect bg = Background();
    const QFontMetrics fm(font());
    const int rowHeight = fm.height() + 4;
    const int rows = std::min<int>(static_cast<int>(lines_.size()),
                                   std::max(1, (bg.height() - 2 * kPad) / rowHeight));
    int y = std::max(bg.top() + kPad, area_.y() + area_.height() / 2 - rows * rowHeight / 2);
    const int textWidth = legendWidth_ - kMarker - kGap;
    for (int i = 0; i < rows; ++i, y += rowHeight) {
        const Series& line = lines_[size_t(i)];
        const QRect marker(x, y + (rowHeight - kMarker) / 2, kMarker, kMarker);
        p.fillRect(marker, line.colour);
        p.setPen(line.colour.darker(160));
        p.drawRect(marker.adjusted(0, 0, -1, -1));
        p.setPen(kText);
        p.drawText(QRect(x + kMarker + kGap, y, textWidth, rowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(line.name, Qt::ElideRight, textWidth));
    }
}

}  // namespace vendra::ui
