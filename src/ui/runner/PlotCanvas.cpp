#include "ui/runner/PlotCanvas.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
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
    if (scratch_ == drawn) return;
    drawn.swap(scratch_);
    update(area_.adjusted(-1, -1, 2, 2));
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
    const QRect before = area_;
    Layout();
    if (area_ != before) emit AreaResized();
}

void PlotCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRect bg = Background();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(bg, 5, 5);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);

    // The area's edges: values lo and hi at the bottom and top, times at the left and right.
    const PlotMapping m = Mapping();
    const int left = area_.x(), top = area_.y();
    const int right = left + area_.width(), bottom = top + area_.height();
    const QFontMetrics fm(font());
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
    p.setPen(kText);
    for (qsizetype i = 0; i < timeLabels_.size(); ++i) {
        const int x = static_cast<int>(std::lround(m.X(timeTicks_.values[size_t(i)])));
        p.drawLine(x, bottom, x, bottom + kTick);
        const int w = fm.horizontalAdvance(timeLabels_[i]);
        p.drawText(QRect(x - w / 2 - 1, bottom + kTick + 2, w + 2, fm.height()), Qt::AlignCenter,
                   timeLabels_[i]);
    }
    for (qsizetype i = 0; i < valueLabels_.size(); ++i) {
        const int y = static_cast<int>(std::lround(m.Y(valueTicks_.values[size_t(i)])));
        p.drawLine(left - kTick, y, left, y);
        const int w = left - kTick - kGap - bg.left();
        p.drawText(QRect(left - kTick - kGap - w, y - fm.height() / 2, w, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, valueLabels_[i]);
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

    // The lines, each point of which is a pixel of its column; whatever lies outside is cut off.
    p.setClipRect(QRect(left, top, area_.width() + 1, area_.height() + 1));
    for (const Series& line : lines_) {
        p.setPen(QPen(line.colour, 1));
        if (line.pixels.size() == 1)
            p.drawPoint(line.pixels[0]);
        else if (!line.pixels.empty())
            p.drawPolyline(line.pixels.data(), static_cast<int>(line.pixels.size()));
    }
    p.setClipping(false);

    // The legend, centred beside the area; entries that do not fit are left out.
    if (lines_.empty()) return;
    const int rowHeight = fm.height() + 4;
    const int rows = std::min<int>(static_cast<int>(lines_.size()),
                                   std::max(1, (bg.height() - 2 * kPad) / rowHeight));
    const int x = right + 2 * kPad;
    int y = std::max(bg.top() + kPad, top + area_.height() / 2 - rows * rowHeight / 2);
    for (int i = 0; i < rows; ++i, y += rowHeight) {
        const Series& line = lines_[size_t(i)];
        const QRect marker(x, y + (rowHeight - kMarker) / 2, kMarker, kMarker);
        p.fillRect(marker, line.colour);
        p.setPen(line.colour.darker(160));
        p.drawRect(marker.adjusted(0, 0, -1, -1));
        p.setPen(kText);
        const int textWidth = legendWidth_ - kMarker - kGap;
        p.drawText(QRect(x + kMarker + kGap, y, textWidth, rowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(line.name, Qt::ElideRight, textWidth));
    }
}

}  // namespace vendra::ui
