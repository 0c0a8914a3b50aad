// The levels window "Scopes": vu-meters, level bars, the two-channel spectrum and
// the CPU gauge, each in its standard or custom form as the LEVELS settings
// choose. Opening it (menu, settings) starts the levels task, closing it stops
// the task; the task's values arrive through the method queue. Applying the
// LEVELS group reaches this window through the group's listener.
#pragma once

#include <QWidget>
#include <memory>

#include "levels/LevelsTask.h"
#include "player/PlayerCore.h"
#include "settings/SettingsRecords.h"

namespace gui {

class MethodQueue;

class ScopesWindow : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  // source: where the task reads the output (the engine's by default).
  ScopesWindow(player::PlayerCore& core, MethodQueue& queue,
               levels::LevelsSource source = levels::EngineSource());
  // Stops the task and lets go of the LEVELS listener.
  ~ScopesWindow() override;

  // The LEVELS settings as they stand: displays, pens, resizing, the task's
  // timing and priority, and the window's open state (WINDOW_OPENED).
  void ApplyLevels(const settings::LevelsSettings& levels);
  // Ends the task for good (the run's shutdown, before the engine goes).
  void Shutdown();

  levels::LevelsTask& Task();
  // What the displays show now (the values last received).
  const levels::LevelValues& Shown() const;

  void OnSubWindowChanged(player::SubWindow window, bool open) override;
  void OnButtonChanged(player::Button button, bool selected) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetOpen(bool open);
  void ShowValues(const levels::LevelValues& values);

  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
