// The custom forms of the level displays, painted in the pens chosen in the
// options window: a needle vu-meter and a row of bars with peak markers (one bar
// for a level bar, eight for a channel's spectrum). Values are 0..127; anything
// outside is clamped before drawing.
#pragma once

#include <QColor>
#include <QWidget>
#include <vector>

namespace gui {

// Three colours of a custom display; an invalid colour takes the display's default.
struct MeterPens {
  QColor back, middle, front;  // vu-meter: back, scale, needle; bars: back, body, top
};

class NeedleMeter : public QWidget {
 public:
  explicit NeedleMeter(QWidget* parent = nullptr);
  void SetPens(const MeterPens& pens);
  void SetValue(int value);
  int Value() const { return value_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MeterPens pens_;
  int value_ = 0;
};

class BarDisplay : public QWidget {
 public:
  BarDisplay(int bars, QWidget* parent = nullptr);
  void SetPens(const MeterPens& pens);
  // bars values, then as many peak markers.
  void SetValues(const std::vector<int>& bars, const std::vector<int>& markers);
  const std::vector<int>& Bars() const { return bars_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  MeterPens pens_;
  std::vector<int> bars_, markers_;
};

}  // namespace gui
