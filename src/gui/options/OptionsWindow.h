// The options window "Tunewright options": tabbed pages with one control per
// options field (settings/OptionsForm.h), filled from the settings groups when
// it opens. "_Save" applies what the user changed and writes the settings file
// (a failed write is reported and the window stays open), "_Use" applies what
// the user changed, "_Cancel" leaves every setting as it was.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "settings/OptionsForm.h"

namespace gui {

// The output devices to offer (the ALSA devices the output manager lists).
settings::OutputModes ListOutputModes();

class OptionsWindow : public QDialog {
  Q_OBJECT

 public:
  // settings_path: where "_Save" writes.
  OptionsWindow(QWidget* parent, settings::OutputModes modes, std::string settings_path);
  ~OptionsWindow() override;

  // Every control from the groups' current values; what "_Use" compares with.
  void Fill();
  // The controls' values, one per field.
  settings::OptionsForm Form() const;
  void SetForm(const settings::OptionsForm& form);

  void Use();
  // False when the file could not be written (the window then stays open).
  bool Save();
  void Cancel();

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

}  // namespace gui
