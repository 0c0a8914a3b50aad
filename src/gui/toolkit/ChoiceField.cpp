#include "gui/toolkit/ChoiceField.h"

#include <QAbstractItemView>
#include <QLineEdit>

namespace gui {

ChoiceField::ChoiceField(QWidget* parent, int max_length) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);  // completion would change what the user types
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(24);
  lineEdit()->setMaxLength(max_length);
}

QString ChoiceField::Text() const { return lineEdit()->text(); }

void ChoiceField::SetText(const QString& text) { lineEdit()->setText(text); }

void ChoiceField::SetChoices(const QStringList& choices) {
  const QString text = Text();
  clear();
  addItems(choices);
  SetText(text);
}

void ChoiceField::showPopup() {
  const int match = findText(Text(), Qt::MatchFixedString);  // fixed strings ignore case
  QComboBox::showPopup();
  view()->setCurrentIndex(match >= 0 ? model()->index(match, 0) : QModelIndex());
}

}  // namespace gui
