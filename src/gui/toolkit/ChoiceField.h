// A text field with a pop-up list beside it: the list opens on the entry equal
// to the text without regard to case, and choosing an entry copies it into the text.
#pragma once

#include <QComboBox>
#include <QStringList>

namespace gui {

class ChoiceField : public QComboBox {
  Q_OBJECT

 public:
  ChoiceField(QWidget* parent, int max_length);

  QString Text() const;
  void SetText(const QString& text);
  // The pop-up's entries; the typed text stays.
  void SetChoices(const QStringList& choices);

  void showPopup() override;
};

}  // namespace gui
