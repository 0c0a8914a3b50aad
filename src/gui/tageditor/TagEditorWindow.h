// The MPEG tag editor window: six fields with their pop-up lists over a
// decoders::TagForm, "_Ok" and "_Cancel". One window serves the whole run; MPEG
// tracks reach it through their edit_tags operation.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "decoders/TagForm.h"

namespace gui {

class TagEditorWindow : public QWidget {
  Q_OBJECT

 public:
  // Registers itself as the MPEG tag editor; the destructor takes that back.
  TagEditorWindow();
  ~TagEditorWindow() override;

  // Opens the window on path or re-targets it (the track's edit_tags).
  void Edit(const std::string& path, void (*on_changed)(void* user), void* user);

  const decoders::TagForm& Form() const { return form_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Ok();
  void ShowForm();

  struct Private;
  std::unique_ptr<Private> p_;
  decoders::TagForm form_;
};

}  // namespace gui
