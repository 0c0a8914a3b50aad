// The requester window: a title, a message, optionally a one-line text field,
// and "_Ok", "_Ok"/"_Cancel" or "_Yes"/"_No". It is window-modal and answers
// through a callback, so the event loop (the port, the tick) runs on meanwhile.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace gui {

enum class RequesterButtons { kOk, kOkCancel, kYesNo };

class Requester : public QDialog {
  Q_OBJECT

 public:
  // chosen: Ok or Yes; text: the field's contents (empty without a field).
  using Answer = std::function<void(bool chosen, const QString& text)>;

  // An empty title gives "Tunewright request". message is plain text.
  Requester(QWidget* parent, const QString& title, const QString& message,
            RequesterButtons buttons, std::optional<QString> field = std::nullopt);
  ~Requester() override;

  // Shows a requester that deletes itself once answered.
  static Requester* Ask(QWidget* parent, const QString& title, const QString& message,
                        RequesterButtons buttons, Answer answer,
                        std::optional<QString> field = std::nullopt);

  QString Message() const;
  QString FieldText() const;  // empty without a field

 private:
  struct Private;
  std::unique_ptr<Private> p_;
};

// A catalogue text with each "%s" replaced by the next of args, in order.
QString CatalogueText(int text_id, std::initializer_list<QString> args = {});

// A catalogue button label with "_" before its shortcut letter, as Qt marks it.
QString ButtonLabel(int text_id);

}  // namespace gui
