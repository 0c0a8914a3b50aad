#include "gui/audiodb/AudioDbWindow.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "audiodb/AudioDbFile.h"
#include "decoders/Decoders.h"
#include "gui/playlist/PlaylistModel.h"
#include "gui/toolkit/ChoiceField.h"
#include "gui/toolkit/Requester.h"
#include "player/TimeFormat.h"
#include "settings/SettingsGroups.h"
#include "shell/Texts.h"

namespace gui {
namespace {

using audiodb::DbNode;

constexpr const char* kNodeMime = "application/x-tunewright-database-node";
constexpr int kTextWindowTitle = 1007, kTextSelectFile = 1006, kTextDbError = 1012;
constexpr int kTextNewTitle = 1016, kTextEditTitle = 1017;
constexpr int kTextOk = 3000, kTextCancel = 3001, kTextSave = 3004, kTextNew = 3007, kTextEdit = 3008,
              kTextDelete = 3009;
constexpr int kTextSaveFailed = 9009, kTextSaveElsewhere = 9010;
constexpr int kGroupTitles[] = {audiodb::kLabelGenre, audiodb::kLabelArtist, audiodb::kLabelAlbum};

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }
QString Qt8(const std::string& text) { return QString::fromStdString(text); }

const DbNode* NodeOf(const QTreeWidgetItem* item) {
  return item ? reinterpret_cast<const DbNode*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

QStringList SortedNames(const audiodb::AudioDatabase& db, int list) {
  QStringList names;
  for (int64_t at = 1; at <= audiodb::AudioDb_NameCount(db, list); ++at)
    if (audiodb::NameRef name = audiodb::AudioDb_NameAt(db, list, at)) names << Qt8(*name);
  names.sort(Qt::CaseInsensitive);
  return names;
}

QTreeWidgetItem* MakeItem(const DbNode& node) {
  auto* item = new QTreeWidgetItem;
  item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
  item->setText(0, Qt8(node.Text()));
  if (node.record) {
    item->setText(1, Qt8(audiodb::AudioDbTree_MinSec(node.record->length)));
    item->setText(2, Qt8(node.record->comment));
    item->setText(3, Qt8(node.record->path));
    return item;
  }
  QFont font = item->font(0);
  font.setBold(node.level == audiodb::kGenreLevel);
  font.setItalic(node.level == audiodb::kArtistLevel);
  font.setUnderline(node.level == audiodb::kAlbumLevel);
  item->setFont(0, font);
  if (node.level == audiodb::kAlbumLevel) item->setText(1, Qt8(audiodb::AudioDbTree_MinSec(node.seconds)));
  for (const auto& child : node.children) item->addChild(MakeItem(*child));
  return item;
}

// The tree's drags carry the node and its titles' files (for the playlist);
// its drops regroup nodes or start a title from a playlist row.
class DbTreeWidget : public QTreeWidget {
 public:
  explicit DbTreeWidget(AudioDbWindow& window) : QTreeWidget(&window), window_(window) {
    setObjectName(QStringLiteral("tree"));
    setColumnCount(4);
    setHeaderLabels({Text(audiodb::kLabelTitle), Text(audiodb::kLabelDuration), Text(audiodb::kLabelComment),
                     Text(audiodb::kLabelFile)});
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
  }

 protected:
  QStringList mimeTypes() const override {
    return {QString::fromLatin1(kNodeMime), QString::fromLatin1(PlaylistModel::kRowIdMime)};
  }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    const DbNode* node = items.isEmpty() ? nullptr : NodeOf(items.first());
    return node ? window_.DragData(*node) : nullptr;
  }
  // Never a move: a drop elsewhere must not take the items out of this tree.
  void startDrag(Qt::DropActions) override { QTreeWidget::startDrag(Qt::CopyAction); }
  void dragEnterEvent(QDragEnterEvent* event) override { Accept(event); }
  void dragMoveEvent(QDragMoveEvent* event) override { Accept(event); }
  void dropEvent(QDropEvent* event) override {
    const DbNode* target = NodeOf(itemAt(event->position().toPoint()));
    const QMimeData* data = event->mimeData();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    window_.Drop(data, target, event->source() == this);
  }

 private:
  template <typename Event>
  void Accept(Event* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasFormat(QString::fromLatin1(kNodeMime)) ||
        data->hasFormat(QString::fromLatin1(PlaylistModel::kRowIdMime))) {
      event->setDropAction(Qt::CopyAction);
      event->accept();
    } else {
      event->ignore();
    }
  }
  AudioDbWindow& window_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The title form

struct TitleFormDialog::Private {
  ChoiceField* names[audiodb::kNameListCount] = {};
  QLineEdit* title = nullptr;
  QLineEdit* year = nullptr;
  QLineEdit* comment = nullptr;
  QLineEdit* duration = nullptr;
  QLineEdit* file = nullptr;
};

TitleFormDialog::TitleFormDialog(QWidget* parent, audiodb::AudioDbTree& model, const audiodb::TitleForm& form,
                                 const audiodb::TitleRecord* editing)
    : QDialog(parent), model_(model), editing_(editing), p_(std::make_unique<Private>()) {
  setObjectName(QStringLiteral("titleform"));
  setWindowTitle(Text(editing ? kTextEditTitle : kTextNewTitle));
  // Truly modal: nothing else in the program can delete or move the edited record.
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  auto* rows = new QFormLayout;
  const char* name_ids[] = {"genre", "artist", "album"};
  for (int list = 0; list < audiodb::kNameListCount; ++list) {
    p_->names[list] = new ChoiceField(this, 32767);
    p_->names[list]->setObjectName(QLatin1String(name_ids[list]));
    p_->names[list]->SetChoices(SortedNames(model.Database(), list));
    rows->addRow(Text(kGroupTitles[list]), p_->names[list]);
  }
  auto line = [&](const char* name, int label, QWidget* holder = nullptr) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    if (!holder) rows->addRow(Text(label), edit);
    return edit;
  };
  p_->title = line("title", audiodb::kLabelTitle);
  p_->year = line("year", audiodb::kLabelYear);
  p_->year->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), this));
  p_->comment = line("comment", audiodb::kLabelComment);
  p_->duration = line("duration", audiodb::kLabelDuration);
  p_->duration->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9:.]*")), this));
  auto* file_row = new QHBoxLayout;
  p_->file = line("file", audiodb::kLabelFile, this);
  auto* pick = new QToolButton(this);
  pick->setObjectName(QStringLiteral("pickFile"));
  pick->setText(QStringLiteral("…"));
  connect(pick, &QToolButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, Text(kTextSelectFile), p_->file->text());
    if (!path.isEmpty()) FileChosen(path);
  });
  file_row->addWidget(p_->file);
  file_row->addWidget(pick);
  rows->addRow(Text(audiodb::kLabelFile), file_row);
  layout->addLayout(rows);
  auto* box = new QDialogButtonBox(this);
  QPushButton* ok = box->addButton(ButtonLabel(kTextOk), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setDefault(true);
  box->addButton(ButtonLabel(kTextCancel), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
  connect(box, &QDialogButtonBox::accepted, this, &TitleFormDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
  SetTexts(form);
}

TitleFormDialog::~TitleFormDialog() = default;

audiodb::TitleForm TitleFormDialog::Texts() const {
  audiodb::TitleForm form;
  form.genre = p_->names[0]->Text().toStdString();
  form.artist = p_->names[1]->Text().toStdString();
  form.album = p_->names[2]->Text().toStdString();
  form.title = p_->title->text().toStdString();
  form.year = p_->year->text().toStdString();
  form.comment = p_->comment->text().toStdString();
  form.duration = p_->duration->text().toStdString();
  form.path = p_->file->text().toStdString();
  return form;
}

void TitleFormDialog::SetTexts(const audiodb::TitleForm& form) {
  p_->names[0]->SetText(Qt8(form.genre));
  p_->names[1]->SetText(Qt8(form.artist));
  p_->names[2]->SetText(Qt8(form.album));
  p_->title->setText(Qt8(form.title));
  p_->year->setText(Qt8(form.year));
  p_->comment->setText(Qt8(form.comment));
  p_->duration->setText(Qt8(form.duration));
  p_->file->setText(Qt8(form.path));
}

void TitleFormDialog::FileChosen(const QString& path) {
  audiodb::TitleForm form = Texts();
  form.path = path.toStdString();
  if (decoders::TrackPtr track = decoders::Decoder_Identify(form.path)) {
    audiodb::TitleForm found;
    found.genre = track->genre;
    found.artist = track->artist;
    found.album = track->album;
    found.comment = track->comment;
    found.title = track->title;
    found.year = track->year > 0 ? std::to_string(track->year) : "";
    const int64_t seconds = track->frequency > 0 ? int64_t{track->length} / track->frequency : 0;
    found.duration = audiodb::AudioDbTree_MinSec(seconds);
    audiodb::TitleForm_Complete(form, found);
  }
  SetTexts(form);
}

void TitleFormDialog::accept() {
  audiodb::DbRefusal refusal;
  if (model_.Submit(Texts(), editing_, &refusal)) {
    QDialog::accept();
  } else if (refusal.text_id != 0) {
    Q_EMIT Refused(refusal);
  }
}

// ---------------------------------------------------------------------------
// The window

struct AudioDbWindow::Private {
  DbTreeWidget* tree = nullptr;
  TitleFormDialog* form = nullptr;
};

AudioDbWindow::AudioDbWindow(player::PlayerCore& core, audiodb::AudioDatabase& db, std::string loaded_path)
    : QWidget(nullptr, Qt::Window),
      core_(core),
      model_(db),
      loaded_path_(std::move(loaded_path)),
      p_(std::make_unique<Private>()) {
  setObjectName(QStringLiteral("audiodb"));
  setWindowTitle(Text(kTextWindowTitle));
  auto* layout = new QVBoxLayout(this);
  p_->tree = new DbTreeWidget(*this);
  layout->addWidget(p_->tree);
  auto* buttons = new QHBoxLayout;
  auto button = [&](const char* name, int label, void (AudioDbWindow::*action)()) {
    auto* b = new QPushButton(ButtonLabel(label), this);
    b->setObjectName(QLatin1String(name));
    connect(b, &QPushButton::clicked, this, action);
    buttons->addWidget(b);
  };
  button("new", kTextNew, &AudioDbWindow::New);
  button("edit", kTextEdit, &AudioDbWindow::Edit);
  button("delete", kTextDelete, &AudioDbWindow::Delete);
  button("save", kTextSave, &AudioDbWindow::Save);
  layout->addLayout(buttons);
  resize(640, 420);
  Rebuild();
  core_.AddListener(this);
}

AudioDbWindow::~AudioDbWindow() { core_.RemoveListener(this); }

QTreeWidget& AudioDbWindow::Tree() { return *p_->tree; }
TitleFormDialog* AudioDbWindow::Form() { return p_->form; }

void AudioDbWindow::Rebuild() {
  p_->tree->setUpdatesEnabled(false);
  p_->tree->clear();
  for (const auto& child : model_.Root().children) p_->tree->addTopLevelItem(MakeItem(*child));
  p_->tree->expandAll();
  p_->tree->resizeColumnToContents(0);
  p_->tree->setUpdatesEnabled(true);
}

const DbNode* AudioDbWindow::Selected() const { return NodeOf(p_->tree->currentItem()); }

void AudioDbWindow::New() { OpenForm(p_->form ? p_->form->Texts() : audiodb::TitleForm{}, nullptr); }

void AudioDbWindow::Edit() {
  const DbNode* node = Selected();
  if (!node) return;
  if (node->record) {
    OpenForm(model_.FormOf(*node->record), node->record);
  } else {
    AskRename(*node, Qt8(node->Text()));
  }
}

void AudioDbWindow::Delete() {
  const DbNode* node = Selected();
  if (node && model_.Delete(*node)) Rebuild();  // a name still in use stays, without a word
}

void AudioDbWindow::OpenForm(const audiodb::TitleForm& form, const audiodb::TitleRecord* editing) {
  if (p_->form) return;
  p_->form = new TitleFormDialog(this, model_, form, editing);
  p_->form->setAttribute(Qt::WA_DeleteOnClose);
  connect(p_->form, &TitleFormDialog::Refused, this, &AudioDbWindow::ShowRefusal);
  connect(p_->form, &QDialog::accepted, this, &AudioDbWindow::Rebuild);
  connect(p_->form, &QObject::destroyed, this, [this] { p_->form = nullptr; });
  p_->form->open();
}

void AudioDbWindow::ShowRefusal(const audiodb::DbRefusal& refusal) {
  const QString word = refusal.word_id ? Text(refusal.word_id) : Qt8(refusal.word);
  QWidget* over = p_->form ? static_cast<QWidget*>(p_->form) : this;
  Requester::Ask(over, Text(kTextDbError), CatalogueText(refusal.text_id, {word}), RequesterButtons::kOk, nullptr);
}

void AudioDbWindow::AskRename(const DbNode& group, const QString& text) {
  const int level = group.level;
  const audiodb::NameRef name = group.name;
  Requester::Ask(
      this, Text(kGroupTitles[level]), QString(), RequesterButtons::kOkCancel,
      [this, level, name](bool chosen, const QString& typed) {
        const DbNode* node = model_.FindGroup(level, name);
        if (!chosen || !node) return;
        audiodb::DbRefusal refusal;
        if (model_.Rename(*node, typed.toStdString(), &refusal)) {
          Rebuild();
        } else if (refusal.text_id != 0) {
          const QString word = refusal.word_id ? Text(refusal.word_id) : Qt8(refusal.word);
          Requester::Ask(this, Text(kTextDbError), CatalogueText(refusal.text_id, {word}), RequesterButtons::kOk,
                         [this, level, name, typed](bool, const QString&) {
                           if (const DbNode* again = model_.FindGroup(level, name)) AskRename(*again, typed);
                         });
        }
      },
      text);
}

void AudioDbWindow::Save() {
  const std::string path = audiodb::AudioDb_SettingsPath();
  if (path == loaded_path_) {
    WriteTo(path);
    return;
  }
  // The catalogue came from another file: writing it to the new place would
  // replace whatever database is there.
  Requester::Ask(this, QString(), CatalogueText(kTextSaveElsewhere, {Qt8(loaded_path_), Qt8(path)}),
                 RequesterButtons::kYesNo, [this, path](bool yes, const QString&) {
                   if (yes) WriteTo(path);
                 });
}

void AudioDbWindow::WriteTo(const std::string& path) {
  if (audiodb::AudioDb_Write(model_.Database(), path) != audiodb::kAudioDbOk) {
    Requester::Ask(this, Text(kTextDbError), CatalogueText(kTextSaveFailed, {Qt8(path)}), RequesterButtons::kOk,
                   nullptr);
    return;
  }
  loaded_path_ = path;
}

QMimeData* AudioDbWindow::DragData(const DbNode& node) const {
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kNodeMime), QByteArray::number(reinterpret_cast<quintptr>(&node)));
  QList<QUrl> urls;
  for (const audiodb::TitleRecord* record : audiodb::AudioDbTree::TitlesUnder(node))
    urls << QUrl::fromLocalFile(Qt8(record->path));
  mime->setUrls(urls);
  return mime;
}

void AudioDbWindow::Drop(const QMimeData* data, const DbNode* target, bool from_tree) {
  if (from_tree && data->hasFormat(QString::fromLatin1(kNodeMime))) {
    bool ok = false;
    const auto* node = reinterpret_cast<const DbNode*>(data->data(QString::fromLatin1(kNodeMime)).toULongLong(&ok));
    if (ok && node && model_.Regroup(*node, target)) Rebuild();
    return;
  }
  if (data->hasFormat(QString::fromLatin1(PlaylistModel::kRowIdMime))) {
    bool ok = false;
    const auto id = data->data(QString::fromLatin1(PlaylistModel::kRowIdMime)).toULongLong(&ok);
    if (ok) NewFromRow(id, target);
  }
}

void AudioDbWindow::NewFromRow(player::RowId row, const DbNode* target) {
  audiodb::TitleForm form = audiodb::AudioDbTree::FormAt(audiodb::AudioDbTree_NamesAt(target));
  if (const decoders::TrackInfo* track = core_.RowTrack(row)) {
    form.title = track->title;
    form.comment = track->comment;
    form.path = track->path;
    form.year = track->year > 0 ? std::to_string(track->year) : "";
    const int64_t seconds = track->frequency > 0 ? int64_t{track->length} / track->frequency : 0;
    form.duration = audiodb::AudioDbTree_MinSec(seconds);
  }
  OpenForm(form, nullptr);
}

void AudioDbWindow::OnSubWindowChanged(player::SubWindow window, bool open) {
  if (window != player::SubWindow::kDatabase) return;
  setVisible(open);
  settings::AudioBaseSettings base = settings::AudioBase().Fetch();
  base.window_opened = open ? 1 : 0;
  settings::AudioBase().Apply(base);
}

void AudioDbWindow::closeEvent(QCloseEvent* event) {
  core_.SetSubWindowOpen(player::SubWindow::kDatabase, false);
  QWidget::closeEvent(event);
}

}  // namespace gui
