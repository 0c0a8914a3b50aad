// The main window's row of buttons: list, options, random, intro, loop,
// previous, step back and forward, next, pause, play, stop, filter, expand,
// save playlist, select files and CD. Each turns a click into one call on the
// player and redraws from the player's notifications.
#pragma once

#include <QToolButton>
#include <QWidget>

#include <memory>

#include "player/PlayerCore.h"
#include "settings/SettingsRecords.h"

namespace gui {

class ReturnIdDispatcher;

class TransportBar : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  TransportBar(player::PlayerCore& core, ReturnIdDispatcher& dispatcher, QWidget* parent);
  ~TransportBar() override;

  // By image name: "Play", "Pause", "Shrink", ...; null for none.
  QToolButton* ButtonNamed(const QString& image) const;
  // The BUTTONS settings show and hide the buttons.
  void ApplyButtonSettings(const settings::MainSettings& main);

  void OnStateChanged(player::PlayState state) override;
  void OnButtonChanged(player::Button button, bool selected) override;
  void OnDisplayOptionChanged(player::DisplayOption option, bool shown) override;

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
