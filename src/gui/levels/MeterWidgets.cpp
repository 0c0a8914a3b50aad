#include "gui/levels/MeterWidgets.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "levels/LevelAnalysis.h"

namespace gui {
namespace {

int ClampLevel(int value) { return std::clamp(value, 0, levels::kLevelMax); }

QColor Or(const QColor& colour, Qt::GlobalColor fallback) {
  return colour.isValid() ? colour : QColor(fallback);
}

}  // namespace

NeedleMeter::NeedleMeter(QWidget* parent) : QWidget(parent) {
  setMinimumSize(90, 50);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void NeedleMeter::SetPens(const MeterPens& pens) {
  pens_ = pens;
  update();
}

void NeedleMeter::SetValue(int value) {
  value = ClampLevel(value);
  if (value == value_) return;
  value_ = value;
  update();
}

// A half-circle scale with a mark every tenth, the needle swinging from the left
// end (silence) to the right end (full scale).
void NeedleMeter::paintEvent(QPaintEvent*) {
  if (width() <= 2 || height() <= 2) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), Or(pens_.back, Qt::black));
  const QPointF pivot(width() / 2.0, height() - 4.0);
  const double radius = std::max(4.0, std::min(width() / 2.0, double(height())) - 8.0);
  constexpr double kSweep = std::numbers::pi * 0.75;  // 135 degrees of scale
  const auto at = [&](double fraction, double r) {
    const double angle = std::numbers::pi / 2 + kSweep / 2 - fraction * kSweep;
    return QPointF(pivot.x() + r * std::cos(angle), pivot.y() - r * std::sin(angle));
  };
  painter.setPen(QPen(Or(pens_.middle, Qt::white), 1.5));
  for (int mark = 0; mark <= 10; ++mark)
    painter.drawLine(at(mark / 10.0, radius * 0.88), at(mark / 10.0, radius));
  painter.setPen(QPen(Or(pens_.front, Qt::red), 2.0, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(pivot, at(double(value_) / levels::kLevelMax, radius * 0.95));
}

BarDisplay::BarDisplay(int bars, QWidget* parent)
    : QWidget(parent), bars_(size_t(bars), 0), markers_(size_t(bars), 0) {
  setMinimumSize(bars > 1 ? 8 * bars : 12, 40);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void BarDisplay::SetPens(const MeterPens& pens) {
  pens_ = pens;
  update();
}

void BarDisplay::SetValues(const std::vector<int>& bars, const std::vector<int>& markers) {
  bool changed = false;
  for (size_t i = 0; i < bars_.size(); ++i) {
    const int bar = ClampLevel(i < bars.size() ? bars[i] : 0);
    const int marker = ClampLevel(i < markers.size() ? markers[i] : 0);
    changed |= bar != bars_[i] || marker != markers_[i];
    bars_[i] = bar;
    markers_[i] = marker;
  }
  if (changed) update();
}

// Column i spans i * width / n to (i + 1) * width / n; a value v stands
// v * height / 128 high, at most the height less one (room for the marker).
void BarDisplay::paintEvent(QPaintEvent*) {
  const int w = width(), h = height();
  if (w <= 0 || h <= 1) return;
  QPainter painter(this);
  painter.fillRect(rect(), Or(pens_.back, Qt::black));
  const int n = int(bars_.size());
  const auto height_of = [h](int value) { return std::min(value * h / 128, h - 1); };
  for (int i = 0; i < n; ++i) {
    const int left = i * w / n, right = (i + 1) * w / n - (n > 1 ? 1 : 0);
    if (right <= left) continue;
    const int bar = height_of(bars_[size_t(i)]);
    painter.fillRect(left, h - bar, right - left, bar, Or(pens_.middle, Qt::green));
    if (markers_[size_t(i)] > 0) {
      const int marker = height_of(markers_[size_t(i)]);
      painter.fillRect(left, h - 1 - marker, right - left, 2, Or(pens_.front, Qt::yellow));
    }
  }
}

}  // namespace gui
