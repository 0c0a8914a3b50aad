#include "gui/cdtitles/CdTitleEditor.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <optional>

#include "cdda/Cdda.h"
#include "gui/toolkit/Requester.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextWindowTitle = 1020;
constexpr int kTextCancel = 3001;
constexpr int kTextSave = 3004;
constexpr int kTextArtist = 6050;
constexpr int kTextAlbum = 6051;
constexpr int kTextTitle = 6052;
constexpr int kTextUnknownArtist = 10000;
constexpr int kTextUnknownAlbum = 10001;
constexpr int kTextUnknownTrack = 10002;
constexpr int kTextCddaGroup = 10003;
constexpr int kTextTracksGroup = 10004;
constexpr int kTextNotWritten = 10005;
constexpr int kFieldBytes = 39;  // what a title file line keeps

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }

QPointer<CdTitleEditor>& TheWindow() {
  static QPointer<CdTitleEditor> window;
  return window;
}

// An empty field shows the "unknown" text greyed, never saved as a title.
QLineEdit* Field(QWidget* parent, const char* name, int unknown) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setPlaceholderText(Text(unknown));
  field->setMaxLength(kFieldBytes);
  return field;
}

std::string Utf8(const QLineEdit* field) { return field->text().toStdString(); }

}  // namespace

struct CdTitleEditor::Private {
  std::optional<cdda::CdTitleEdit> edit;
  Completion on_saved = nullptr;
  void* user = nullptr;
  QLineEdit* artist = nullptr;
  QLineEdit* album = nullptr;
  QSlider* track = nullptr;
  QLabel* track_number = nullptr;
  QLineEdit* title = nullptr;
};

void CdTitleEditor::Register() { cdda::CDDA_SetTitleEditor(&CdTitleEditor::Edit); }

void CdTitleEditor::Unregister() {
  cdda::CDDA_SetTitleEditor(nullptr);
  delete TheWindow().data();
}

void CdTitleEditor::Edit(const std::string& path, Completion on_saved, void* user) {
  std::optional<cdda::CdTitleEdit> edit = cdda::CdTitleEdit::ForTrack(path);
  if (!edit) return;
  if (!TheWindow()) TheWindow() = new CdTitleEditor;
  TheWindow()->Open(std::move(*edit), on_saved, user);
}

CdTitleEditor* CdTitleEditor::Window() { return TheWindow().data(); }

CdTitleEditor::CdTitleEditor(QWidget* parent)
    : QWidget(parent, Qt::Window), p_(std::make_unique<Private>()) {
  setObjectName(QStringLiteral("cdTitleEditor"));
  setWindowTitle(Text(kTextWindowTitle));
  auto* layout = new QVBoxLayout(this);

  auto* disc = new QGroupBox(Text(kTextCddaGroup), this);
  auto* disc_form = new QFormLayout(disc);
  p_->artist = Field(disc, "artist", kTextUnknownArtist);
  p_->album = Field(disc, "album", kTextUnknownAlbum);
  disc_form->addRow(Text(kTextArtist), p_->artist);
  disc_form->addRow(Text(kTextAlbum), p_->album);
  layout->addWidget(disc);

  auto* tracks = new QGroupBox(Text(kTextTracksGroup), this);
  auto* tracks_form = new QFormLayout(tracks);
  auto* chooser = new QHBoxLayout;
  p_->track = new QSlider(Qt::Horizontal, tracks);
  p_->track->setObjectName(QStringLiteral("track"));
  p_->track_number = new QLabel(tracks);
  p_->track_number->setMinimumWidth(
      p_->track_number->fontMetrics().horizontalAdvance(QStringLiteral("00")));
  chooser->addWidget(p_->track, 1);
  chooser->addWidget(p_->track_number);
  tracks_form->addRow(chooser);
  p_->title = Field(tracks, "title", kTextUnknownTrack);
  tracks_form->addRow(Text(kTextTitle), p_->title);
  layout->addWidget(tracks);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save = buttons->addButton(ButtonLabel(kTextSave), QDialogButtonBox::AcceptRole);
  save->setObjectName(QStringLiteral("save"));
  save->setDefault(true);
  buttons->addButton(ButtonLabel(kTextCancel), QDialogButtonBox::RejectRole)
      ->setObjectName(QStringLiteral("cancel"));
  layout->addWidget(buttons);

  // The fields write into the copy as the user types; the slider shows another track.
  connect(p_->artist, &QLineEdit::textEdited, this,
          [this] { p_->edit->SetArtist(Utf8(p_->artist)); });
  connect(p_->album, &QLineEdit::textEdited, this, [this] { p_->edit->SetAlbum(Utf8(p_->album)); });
  connect(p_->title, &QLineEdit::textEdited, this, [this] { p_->edit->SetTitle(Utf8(p_->title)); });
  connect(p_->track, &QSlider::valueChanged, this, &CdTitleEditor::ShowTrack);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Save()) close();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
}

CdTitleEditor::~CdTitleEditor() = default;

void CdTitleEditor::Open(cdda::CdTitleEdit edit, Completion on_saved, void* user) {
  p_->edit = std::move(edit);
  p_->on_saved = on_saved;
  p_->user = user;
  p_->artist->setText(QString::fromStdString(p_->edit->Artist()));
  p_->album->setText(QString::fromStdString(p_->edit->Album()));
  const QSignalBlocker quiet(p_->track);
  p_->track->setRange(p_->edit->FirstTrack(),
                      std::max(p_->edit->FirstTrack(), p_->edit->LastTrack()));
  p_->track->setValue(p_->edit->Track());
  ShowTrack(p_->edit->Track());
  show();
  raise();
  activateWindow();
}

bool CdTitleEditor::Save() {
  if (!p_->edit) return false;
  if (!p_->edit->Save()) {
    // Said, not swallowed; the user's typing stays in the window.
    QString message = Text(kTextNotWritten);
    message.replace(QStringLiteral("%s"), QString::fromStdString(p_->edit->FilePath()));
    Requester::Ask(this, {}, message, RequesterButtons::kOk, {});
    return false;
  }
  if (p_->on_saved) p_->on_saved(p_->user);
  p_->on_saved = nullptr;
  return true;
}

void CdTitleEditor::ShowTrack(int track) {
  p_->edit->SelectTrack(track);
  p_->track_number->setText(QString::number(p_->edit->Track()));
  p_->title->setText(QString::fromStdString(p_->edit->Title()));
}

}  // namespace gui
