// The CD title editor window: artist and album of the disc, a slider choosing
// the track and that track's title, "Save" and "Cancel". One window, made on
// first use and reused; it edits a copy and writes the disc's title file only
// on Save, then tells the player through the completion routine it was given.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "cdda/CdTitleEdit.h"

namespace gui {

class CdTitleEditor : public QWidget {
  Q_OBJECT

 public:
  using Completion = void (*)(void* user);

  // Makes the CD module offer this editor for every CD track; the window goes
  // with Unregister(), called before the application ends.
  static void Register();
  static void Unregister();
  // The editor as the CD module calls it: opens the window on the disc of path
  // (nothing opens when that disc is not in the drive).
  static void Edit(const std::string& path, Completion on_saved, void* user);
  static CdTitleEditor* Window();  // null until first used

  explicit CdTitleEditor(QWidget* parent = nullptr);
  ~CdTitleEditor() override;

  // Shows edit; on_saved(user) is called after a successful Save.
  void Open(cdda::CdTitleEdit edit, Completion on_saved, void* user);
  // Save's work: false (the window stays open) when the file could not be written.
  bool Save();

 private:
  void ShowTrack(int track);

  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
