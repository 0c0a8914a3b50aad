#include "gui/toolkit/Requester.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextRequestTitle = 1000;
constexpr int kTextOk = 3000;
constexpr int kTextCancel = 3001;
constexpr int kTextYes = 3002;
constexpr int kTextNo = 3003;

}  // namespace

QString CatalogueText(int text_id, std::initializer_list<QString> args) {
  QString text = QString::fromUtf8(Texts_Get(text_id));
  qsizetype from = 0;
  for (const QString& arg : args) {
    const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
    if (at < 0) break;
    text.replace(at, 2, arg);
    from = at + arg.size();  // an argument holding "%s" stays as it is
  }
  return text;
}

QString ButtonLabel(int text_id) {
  QString label = QString::fromUtf8(Texts_Get(text_id));
  label.replace(QLatin1Char('&'), QStringLiteral("&&"));
  const qsizetype mark = label.indexOf(QLatin1Char('_'));
  if (mark >= 0) label[mark] = QLatin1Char('&');
  return label;
}

struct Requester::Private {
  QLabel* message = nullptr;
  QLineEdit* field = nullptr;
};

Requester::Requester(QWidget* parent, const QString& title, const QString& message,
                     RequesterButtons buttons, std::optional<QString> field)
    : QDialog(parent), p_(std::make_unique<Private>()) {
  setObjectName(QStringLiteral("requester"));
  setWindowTitle(title.isEmpty() ? QString::fromUtf8(Texts_Get(kTextRequestTitle)) : title);
  setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(this);
  p_->message = new QLabel(message, this);
  p_->message->setTextFormat(Qt::PlainText);  // file names and tags are never markup
  p_->message->setObjectName(QStringLiteral("message"));
  layout->addWidget(p_->message);
  if (field) {
    p_->field = new QLineEdit(*field, this);
    p_->field->setObjectName(QStringLiteral("field"));
    layout->addWidget(p_->field);
  }
  auto* box = new QDialogButtonBox(this);
  const bool yes_no = buttons == RequesterButtons::kYesNo;
  QPushButton* accept = box->addButton(ButtonLabel(yes_no ? kTextYes : kTextOk),
                                       QDialogButtonBox::AcceptRole);
  accept->setObjectName(QStringLiteral("accept"));
  accept->setDefault(true);
  if (buttons != RequesterButtons::kOk) {
    box->addButton(ButtonLabel(yes_no ? kTextNo : kTextCancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("reject"));
  }
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
}

Requester::~Requester() = default;

Requester* Requester::Ask(QWidget* parent, const QString& title, const QString& message,
                          RequesterButtons buttons, Answer answer, std::optional<QString> field) {
  auto* requester = new Requester(parent, title, message, buttons, std::move(field));
  requester->setAttribute(Qt::WA_DeleteOnClose);
  connect(requester, &QDialog::finished, requester, [requester, answer](int result) {
    if (answer) answer(result == QDialog::Accepted, requester->FieldText());
  });
  requester->open();
  return requester;
}

QString Requester::Message() const { return p_->message->text(); }

QString Requester::FieldText() const { return p_->field ? p_->field->text() : QString(); }

}  // namespace gui
