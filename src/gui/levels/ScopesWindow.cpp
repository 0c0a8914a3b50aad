#include "gui/levels/ScopesWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <array>

#include "gui/levels/MeterWidgets.h"
#include "gui/toolkit/MethodQueue.h"
#include "levels/PenStyle.h"
#include "settings/SettingsGroups.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextTitle = 6003;  // "Scopes"
constexpr int kTextLeft = 6081;
constexpr int kTextRight = 6082;
constexpr int kTextCpu = 6083;
constexpr int kStandard = 1, kCustom = 2;

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }

QColor PenQColor(const settings::Pen& pen) {
  const auto colour = levels::PenColour(pen);
  return colour ? QColor(colour->r, colour->g, colour->b) : QColor();
}

QProgressBar* Gauge(QWidget* parent, const QString& name, int maximum, Qt::Orientation orientation,
                    const QString& label = {}) {
  auto* gauge = new QProgressBar(parent);
  gauge->setObjectName(name);
  gauge->setRange(0, maximum);
  gauge->setValue(0);
  gauge->setOrientation(orientation);
  gauge->setTextVisible(!label.isEmpty());
  if (!label.isEmpty()) gauge->setFormat(label);
  return gauge;
}

QWidget* Row(QWidget* parent, const char* name, std::initializer_list<QWidget*> members) {
  auto* row = new QWidget(parent);
  row->setObjectName(QString::fromLatin1(name));
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* member : members) {
    member->setParent(row);
    layout->addWidget(member);
  }
  return row;
}

}  // namespace

struct ScopesWindow::Private {
  Private(player::PlayerCore& c, MethodQueue& q) : core(c), queue(q) {}
  player::PlayerCore& core;
  MethodQueue& queue;
  std::unique_ptr<levels::LevelsTask> task;
  levels::LevelValues shown;
  settings::LevelsSettings applied;
  bool have_applied = false;
  bool mirroring = false;  // writing WINDOW_OPENED back: the group's listener stays quiet

  // Standard forms.
  QWidget* meters = nullptr;
  std::array<QProgressBar*, 2> meter{};
  QWidget* gauges = nullptr;
  std::array<QProgressBar*, 2> gauge{};
  QWidget* spectrum = nullptr;
  std::array<QProgressBar*, 16> band{};
  QProgressBar* cpu = nullptr;
  // Custom forms.
  QWidget* needles = nullptr;
  std::array<NeedleMeter*, 2> needle{};
  QWidget* bars = nullptr;
  std::array<BarDisplay*, 2> bar{};
  QWidget* spectra = nullptr;
  std::array<BarDisplay*, 2> channel_spectrum{};
};

ScopesWindow::ScopesWindow(player::PlayerCore& core, MethodQueue& queue,
                           levels::LevelsSource source)
    : QWidget(nullptr, Qt::Window), p_(std::make_unique<Private>(core, queue)) {
  setObjectName(QStringLiteral("scopes"));
  setWindowTitle(Text(kTextTitle));
  const QString sides[2] = {Text(kTextLeft), Text(kTextRight)};
  const char* side_names[2] = {"Left", "Right"};

  for (int c : {0, 1}) {
    p_->meter[c] = Gauge(this, QStringLiteral("meter%1").arg(side_names[c]), levels::kLevelMax,
                         Qt::Horizontal, sides[c]);
    p_->gauge[c] = Gauge(this, QStringLiteral("gauge%1").arg(side_names[c]), levels::kLevelMax,
                         Qt::Horizontal, sides[c]);
    p_->needle[c] = new NeedleMeter(this);
    p_->needle[c]->setObjectName(QStringLiteral("needle%1").arg(side_names[c]));
    p_->bar[c] = new BarDisplay(1, this);
    p_->bar[c]->setObjectName(QStringLiteral("bar%1").arg(side_names[c]));
    p_->bar[c]->setMinimumSize(20, 90);
    p_->bar[c]->setMaximumWidth(28);
    p_->channel_spectrum[c] = new BarDisplay(levels::kBands, this);
    p_->channel_spectrum[c]->setObjectName(QStringLiteral("spectrum%1").arg(side_names[c]));
  }
  p_->meters = Row(this, "meters", {p_->meter[0], p_->meter[1]});
  p_->gauges = new QWidget(this);
  p_->gauges->setObjectName(QStringLiteral("gauges"));
  auto* gauge_layout = new QVBoxLayout(p_->gauges);
  gauge_layout->setContentsMargins(0, 0, 0, 0);
  for (QProgressBar* gauge : p_->gauge) gauge_layout->addWidget(gauge);
  p_->needles = Row(this, "needles", {p_->needle[0], p_->needle[1]});
  p_->bars = Row(this, "bars", {p_->bar[0], p_->bar[1]});
  static_cast<QHBoxLayout*>(p_->bars->layout())->setAlignment(Qt::AlignHCenter);
  p_->spectra = Row(this, "spectra", {p_->channel_spectrum[0], p_->channel_spectrum[1]});

  p_->spectrum = new QWidget(this);
  p_->spectrum->setObjectName(QStringLiteral("spectrum"));
  auto* band_layout = new QHBoxLayout(p_->spectrum);
  band_layout->setContentsMargins(0, 0, 0, 0);
  band_layout->setSpacing(1);
  for (int i = 0; i < 16; ++i) {
    p_->band[i] =
        Gauge(p_->spectrum, QStringLiteral("band%1").arg(i), levels::kLevelMax, Qt::Vertical);
    p_->band[i]->setMinimumHeight(60);
    band_layout->addWidget(p_->band[i]);
    if (i == 7) band_layout->addSpacing(6);
  }
  p_->cpu = Gauge(this, QStringLiteral("cpu"), levels::kCpuMax, Qt::Horizontal,
                  Text(kTextCpu) + QStringLiteral(" %p%"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  for (QWidget* part : {p_->meters, p_->needles, p_->gauges, p_->bars, p_->spectrum, p_->spectra,
                        static_cast<QWidget*>(p_->cpu)})
    layout->addWidget(part);

  // The task runs on its own thread; its values reach the widgets through the
  // queue, which keeps at most one call waiting, so a busy main task never builds
  // a backlog. Each call carries every value, so a replaced call loses nothing.
  p_->task = std::make_unique<levels::LevelsTask>(
      std::move(source), [this](const levels::LevelValues& values, levels::Changes) {
        p_->queue.Post(this, [this, values] { ShowValues(values); });
      });
  p_->core.AddListener(this);
  settings::Levels().SetListener([this](const settings::LevelsSettings& levels) {
    if (!p_->mirroring) ApplyLevels(levels);
  });
  ApplyLevels(settings::Levels().Fetch());
}

ScopesWindow::~ScopesWindow() {
  settings::Levels().SetListener({});
  p_->core.RemoveListener(this);
  Shutdown();
}

void ScopesWindow::Shutdown() { p_->task->Stop(); }

levels::LevelsTask& ScopesWindow::Task() { return *p_->task; }
const levels::LevelValues& ScopesWindow::Shown() const { return p_->shown; }

void ScopesWindow::ApplyLevels(const settings::LevelsSettings& levels) {
  const bool resizing_changed =
      p_->have_applied && levels.sizeable_window != p_->applied.sizeable_window;
  p_->applied = levels;
  p_->have_applied = true;

  p_->meters->setVisible(levels.meter_type == kStandard);
  p_->needles->setVisible(levels.meter_type == kCustom);
  p_->gauges->setVisible(levels.gauge_type == kStandard);
  p_->bars->setVisible(levels.gauge_type == kCustom);
  p_->spectrum->setVisible(levels.spectrum_type == kStandard);
  p_->spectra->setVisible(levels.spectrum_type == kCustom);
  p_->cpu->setVisible(levels.cpu_usage != 0);

  const MeterPens vu{PenQColor(levels.meter_back_pen), PenQColor(levels.meter_scale_pen),
                     PenQColor(levels.meter_needle_pen)};
  const MeterPens gauge{PenQColor(levels.gauge_back_pen), PenQColor(levels.gauge_body_pen),
                        PenQColor(levels.gauge_top_pen)};
  const MeterPens spectrum{PenQColor(levels.spectrum_back_pen), PenQColor(levels.spectrum_body_pen),
                           PenQColor(levels.spectrum_top_pen)};
  for (int c : {0, 1}) {
    p_->needle[c]->SetPens(vu);
    p_->bar[c]->SetPens(gauge);
    p_->channel_spectrum[c]->SetPens(spectrum);
  }
  if (levels.sizeable_window) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    adjustSize();
    setFixedSize(sizeHint());
  }
  p_->task->SetOptions(levels);
  // A change of resizing reopens the window, so the desktop sees its new limits.
  if (resizing_changed && levels.window_opened) p_->task->Stop(), hide();
  SetOpen(levels.window_opened != 0);
}

void ScopesWindow::OnSubWindowChanged(player::SubWindow window, bool open) {
  if (window == player::SubWindow::kScopes) SetOpen(open);
}

void ScopesWindow::OnButtonChanged(player::Button button, bool selected) {
  if (button == player::Button::kIconify) p_->task->SetIconified(selected);
}

// Shows or hides the window with its task, and mirrors the state into WINDOW_OPENED.
void ScopesWindow::SetOpen(bool open) {
  if (open) {
    show();
    p_->task->Start();
  } else {
    p_->task->Stop();
    hide();
  }
  p_->core.SetSubWindowOpen(player::SubWindow::kScopes, open);
  settings::LevelsSettings levels = settings::Levels().Fetch();
  if ((levels.window_opened != 0) == open) return;
  levels.window_opened = open;
  p_->applied.window_opened = open;
  p_->mirroring = true;
  settings::Levels().Apply(levels);
  p_->mirroring = false;
}

void ScopesWindow::ShowValues(const levels::LevelValues& values) {
  p_->shown = values;
  for (int c : {0, 1}) {
    p_->meter[c]->setValue(values.level[c]);
    p_->gauge[c]->setValue(values.level[c]);
    p_->needle[c]->SetValue(values.level[c]);
    p_->bar[c]->SetValues({values.level[c]}, {values.hold[c]});
    p_->channel_spectrum[c]->SetValues({values.bar[c].begin(), values.bar[c].end()},
                                       {values.marker[c].begin(), values.marker[c].end()});
    for (int j = 0; j < levels::kBands; ++j)
      p_->band[size_t(c * levels::kBands + j)]->setValue(values.bar[c][j]);
  }
  p_->cpu->setValue(values.cpu);
}

void ScopesWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  SetOpen(false);
}

}  // namespace gui
