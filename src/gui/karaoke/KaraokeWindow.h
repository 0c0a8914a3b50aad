// The karaoke window, "Tunewright Karaoke": the line being sung ("Current
// lyrics") and the line to come ("Coming lyrics", shown with LINES 2), in the
// FONT1 and FONT2 fonts; the song's picture beside it (IMAGE_DISPLAY) and, with
// FULL_SCREEN, the lines on a screen of their own. It draws what the karaoke
// display tells it and opens and closes as the player's "Karaoke" window state says.
#pragma once

#include <QWidget>
#include <memory>

#include "karaoke/KaraokeDisplay.h"
#include "player/PlayerCore.h"
#include "settings/SettingsRecords.h"

class QLabel;
class QGroupBox;

namespace gui {

class KaraokeScreen;
class PictureWindow;

class KaraokeWindow : public QWidget, public karaoke::KaraokeView, public player::PlayerListener {
  Q_OBJECT

 public:
  explicit KaraokeWindow(player::PlayerCore& core);
  ~KaraokeWindow() override;

  // Fonts, the second line, the screen's font; a window that was open opens again.
  void ApplySettings(const settings::KaraokeSettings& karaoke);

  void ShowLines(const std::string& current, const std::string& coming) override;
  void ShowPicture(const std::string& path) override;
  void OnSubWindowChanged(player::SubWindow window, bool open) override;

  KaraokeScreen& Screen();
  PictureWindow& Picture();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Open();
  void Close();

  player::PlayerCore& core_;
  settings::KaraokeSettings settings_;
  QGroupBox* coming_box_ = nullptr;
  QLabel* current_ = nullptr;
  QLabel* coming_ = nullptr;
  std::unique_ptr<KaraokeScreen> screen_;
  std::unique_ptr<PictureWindow> picture_;
};

}  // namespace gui
