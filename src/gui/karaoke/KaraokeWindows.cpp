#include "gui/karaoke/KaraokeWindows.h"

#include "gui/karaoke/KaraokeEditorWindow.h"
#include "gui/karaoke/KaraokeWindow.h"
#include "settings/SettingsGroups.h"

namespace gui {

KaraokeWindows::KaraokeWindows(player::PlayerCore& core)
    : core_(core),
      window_(std::make_unique<KaraokeWindow>(core)),
      editor_(std::make_unique<KaraokeEditorWindow>(core)) {
  display_.SetView(window_.get());
  hand_off_ = std::make_unique<player::KaraokeHandOff>(core, display_);
  settings::Karaoke().SetListener([this](const settings::KaraokeSettings& karaoke) {
    window_->ApplySettings(karaoke);
    core_.SetSubWindowOpen(player::SubWindow::kKaraoke, karaoke.window_opened != 0);
  });
}

KaraokeWindows::~KaraokeWindows() {
  settings::Karaoke().SetListener({});
  hand_off_.reset();
  display_.SetView(nullptr);
}

void KaraokeWindows::Start() { hand_off_->OpenAtStartUp(); }

}  // namespace gui
