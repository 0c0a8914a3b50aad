// The karaoke editor, "Tunewright Karaoke Editor": the list of lines with their
// times, the edit line, "Copy", "Cut", "Paste", "Load", "Import", "Save" (as
// ".kok" or LRC) and "Pick Time". While the song plays, F5 stamps the active
// line and moves on, F6 and F7 move the line timed last by a tenth of a second
// earlier or later, Ctrl+Z takes the last change back. The model does the work.
#pragma once

#include <QWidget>

#include "karaoke/LyricsEditor.h"
#include "player/PlayerCore.h"

class QCheckBox;
class QLineEdit;
class QTreeWidget;

namespace gui {

class KaraokeEditorWindow : public QWidget, public player::PlayerListener {
  Q_OBJECT

 public:
  explicit KaraokeEditorWindow(player::PlayerCore& core);
  ~KaraokeEditorWindow() override;

  karaoke::LyricsEditor& Model() { return model_; }
  // Redraws the list and the edit line from the model.
  void Refresh();

  void OnSubWindowChanged(player::SubWindow window, bool open) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Act(bool (karaoke::LyricsEditor::*operation)());
  void Nudge(int steps);
  void ApplyEditLine();
  void Choose(int title, bool save, std::function<void(const std::string&)> chosen);
  void Save(const std::string& path, bool overwrite);
  std::string SongLyricsName() const;

  player::PlayerCore& core_;
  karaoke::LyricsEditor model_;
  QTreeWidget* list_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QCheckBox* as_lrc_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace gui
