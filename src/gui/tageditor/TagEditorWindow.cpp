#include "gui/tageditor/TagEditorWindow.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <array>

#include "decoders/Decoders.h"
#include "gui/toolkit/ChoiceField.h"
#include "gui/toolkit/Requester.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextWindowTitle = 1019;
constexpr int kTextOk = 3000;
constexpr int kTextCancel = 3001;
constexpr int kTextWriteFailed = 9005;
constexpr int kTextRicherTags = 9006;

// Row order on screen, with each row's label.
struct Row {
  decoders::TagField field;
  int label;
  const char* name;
};
constexpr std::array<Row, decoders::kTagFieldCount> kRows = {{
    {decoders::kTagTitle, 6052, "title"},
    {decoders::kTagArtist, 6050, "artist"},
    {decoders::kTagAlbum, 6051, "album"},
    {decoders::kTagYear, 6053, "year"},
    {decoders::kTagGenre, 6049, "genre"},
    {decoders::kTagComment, 6054, "comment"},
}};

TagEditorWindow* g_window = nullptr;

void EditTags(const std::string& path, void (*on_changed)(void* user), void* user) {
  if (g_window) g_window->Edit(path, on_changed, user);
}

QStringList ToQt(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) list << QString::fromStdString(text);
  return list;
}

}  // namespace

struct TagEditorWindow::Private {
  std::array<ChoiceField*, decoders::kTagFieldCount> fields{};
  QLabel* note = nullptr;
  void (*on_changed)(void* user) = nullptr;
  void* user = nullptr;
};

TagEditorWindow::TagEditorWindow() : QWidget(nullptr, Qt::Window), p_(std::make_unique<Private>()) {
  setObjectName(QStringLiteral("tageditor"));
  setWindowTitle(QString::fromUtf8(Texts_Get(kTextWindowTitle)));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (const Row& row : kRows) {
    auto* field = new ChoiceField(this, decoders::TagForm_FieldLimit(row.field));
    field->setObjectName(QLatin1String(row.name));
    form->addRow(QString::fromUtf8(Texts_Get(row.label)), field);
    p_->fields[row.field] = field;
  }
  p_->fields[decoders::kTagYear]->lineEdit()->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this));
  p_->fields[decoders::kTagGenre]->SetChoices(ToQt(decoders::TagForm_SortedGenres()));
  layout->addLayout(form);
  p_->note = new QLabel(QString::fromUtf8(Texts_Get(kTextRicherTags)), this);
  p_->note->setObjectName(QStringLiteral("note"));
  p_->note->setWordWrap(true);
  p_->note->hide();
  layout->addWidget(p_->note);
  auto* box = new QDialogButtonBox(this);
  QPushButton* ok = box->addButton(ButtonLabel(kTextOk), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  box->addButton(ButtonLabel(kTextCancel), QDialogButtonBox::RejectRole)
      ->setObjectName(QStringLiteral("cancel"));
  connect(box, &QDialogButtonBox::accepted, this, &TagEditorWindow::Ok);
  connect(box, &QDialogButtonBox::rejected, this, &QWidget::close);
  layout->addWidget(box);
  g_window = this;
  decoders::MPEG_SetTagEditor(&EditTags);
}

TagEditorWindow::~TagEditorWindow() {
  decoders::MPEG_SetTagEditor(nullptr);
  if (g_window == this) g_window = nullptr;
}

void TagEditorWindow::Edit(const std::string& path, void (*on_changed)(void* user), void* user) {
  switch (form_.Target(path, isVisible())) {
    case decoders::TagFormTarget::kContinued:
      raise();
      return;
    case decoders::TagFormTarget::kRefused:
      hide();
      return;
    case decoders::TagFormTarget::kLoaded:
      p_->on_changed = on_changed;
      p_->user = user;
      ShowForm();
      show();
      raise();
      activateWindow();
      return;
  }
}

void TagEditorWindow::ShowForm() {
  for (const Row& row : kRows) {
    ChoiceField* field = p_->fields[row.field];
    if (row.field != decoders::kTagGenre) field->SetChoices(ToQt(form_.Choices(row.field)));
    field->SetText(QString::fromStdString(form_.texts()[row.field]));
  }
  p_->note->setVisible(form_.has_richer_tags);
}

void TagEditorWindow::Ok() {
  decoders::TagForm::Texts texts;
  for (const Row& row : kRows) texts[row.field] = p_->fields[row.field]->Text().toStdString();
  form_.SetTexts(texts);
  if (form_.Save() != decoders::kId3Ok) {
    // The window stays open with what the user typed, so nothing is lost.
    Requester::Ask(this, QString(), CatalogueText(kTextWriteFailed, {QString::fromStdString(form_.path())}),
                   RequesterButtons::kOk, nullptr);
    return;
  }
  hide();
  if (auto on_changed = std::exchange(p_->on_changed, nullptr)) on_changed(p_->user);
}

void TagEditorWindow::closeEvent(QCloseEvent* event) {
  p_->on_changed = nullptr;
  QWidget::closeEvent(event);
}

}  // namespace gui
