#include "gui/karaoke/KaraokeEditorWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/toolkit/Requester.h"
#include "karaoke/Lyrics.h"
#include "player/Playlist.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextTitle = 1011;
constexpr int kTextLoadTitle = 1013;
constexpr int kTextImportTitle = 1014;
constexpr int kTextSaveTitle = 1015;
constexpr int kTextSave = 3004;
constexpr int kTextLoad = 3010;
constexpr int kTextImport = 3011;
constexpr int kTextPickTime = 3012;
constexpr int kTextCopy = 3013;
constexpr int kTextCut = 3014;
constexpr int kTextPaste = 3015;
constexpr int kTextOverwrite = 4000;
constexpr int kTextFileGroup = 6006;
constexpr int kTextTime = 6084;
constexpr int kTextLyrics = 6085;
constexpr int kTextEditing = 11001;
constexpr int kTextSaveAsLrc = 11002;
constexpr int kTextUndo = 11003;
constexpr int kTextEarlier = 11004;
constexpr int kTextLater = 11005;
constexpr int kTextSaveFailed = 11006;

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }

QPushButton* AddButton(QLayout& layout, const QString& label, const char* name) {
  auto* button = new QPushButton(label);
  button->setObjectName(QString::fromLatin1(name));
  layout.addWidget(button);
  return button;
}

}  // namespace

KaraokeEditorWindow::KaraokeEditorWindow(player::PlayerCore& core)
    : QWidget(nullptr, Qt::Window),
      core_(core),
      model_([&core] { return core.PositionSeconds(); }) {
  setObjectName(QStringLiteral("karaokeEditor"));
  setWindowTitle(Text(kTextTitle));
  auto* layout = new QVBoxLayout(this);

  list_ = new QTreeWidget;
  list_->setObjectName(QStringLiteral("karaokeList"));
  list_->setColumnCount(2);
  list_->setHeaderLabels({Text(kTextTime), Text(kTextLyrics)});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  layout->addWidget(list_, 1);
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
    if (refreshing_) return;
    model_.Select(list_->indexOfTopLevelItem(list_->currentItem()));
    edit_->setText(QString::fromStdString(model_.EditLine()));
  });

  edit_ = new QLineEdit;
  edit_->setObjectName(QStringLiteral("editLine"));
  layout->addWidget(edit_);
  connect(edit_, &QLineEdit::returnPressed, this, &KaraokeEditorWindow::ApplyEditLine);

  auto* rows = new QHBoxLayout;
  auto* editing = new QGroupBox(Text(kTextEditing));
  auto* editing_row = new QHBoxLayout(editing);
  connect(AddButton(*editing_row, ButtonLabel(kTextCopy), "copy"), &QPushButton::clicked, this,
          [this] { Act(&karaoke::LyricsEditor::Copy); });
  connect(AddButton(*editing_row, ButtonLabel(kTextCut), "cut"), &QPushButton::clicked, this,
          [this] { Act(&karaoke::LyricsEditor::Cut); });
  connect(AddButton(*editing_row, ButtonLabel(kTextPaste), "paste"), &QPushButton::clicked, this,
          [this] { Act(&karaoke::LyricsEditor::Paste); });
  rows->addWidget(editing);
  auto* file = new QGroupBox(Text(kTextFileGroup));
  auto* file_row = new QHBoxLayout(file);
  connect(AddButton(*file_row, ButtonLabel(kTextLoad), "load"), &QPushButton::clicked, this,
          [this] {
            Choose(kTextLoadTitle, false, [this](const std::string& path) {
              if (model_.Load(path)) Refresh();
            });
          });
  connect(AddButton(*file_row, ButtonLabel(kTextImport), "import"), &QPushButton::clicked, this,
          [this] {
            Choose(kTextImportTitle, false, [this](const std::string& path) {
              if (model_.Import(path)) Refresh();
            });
          });
  connect(AddButton(*file_row, ButtonLabel(kTextSave), "save"), &QPushButton::clicked, this,
          [this] {
            Choose(kTextSaveTitle, true, [this](const std::string& path) { Save(path, false); });
          });
  as_lrc_ = new QCheckBox(Text(kTextSaveAsLrc));
  as_lrc_->setObjectName(QStringLiteral("saveAsLrc"));
  file_row->addWidget(as_lrc_);
  rows->addWidget(file);
  layout->addLayout(rows);

  auto* timing = new QHBoxLayout;
  connect(AddButton(*timing, ButtonLabel(kTextPickTime), "pickTime"), &QPushButton::clicked, this,
          [this] { Act(&karaoke::LyricsEditor::PickTime); });
  connect(AddButton(*timing, Text(kTextEarlier), "earlier"), &QPushButton::clicked, this,
          [this] { Nudge(-1); });
  connect(AddButton(*timing, Text(kTextLater), "later"), &QPushButton::clicked, this,
          [this] { Nudge(1); });
  connect(AddButton(*timing, ButtonLabel(kTextUndo), "undo"), &QPushButton::clicked, this,
          [this] { Act(&karaoke::LyricsEditor::Undo); });
  layout->addLayout(timing);

  const auto shortcut = [this](QKeySequence keys, std::function<void()> action) {
    auto* key = new QShortcut(keys, this);
    connect(key, &QShortcut::activated, this, std::move(action));
  };
  shortcut(QKeySequence(Qt::Key_F5), [this] { Act(&karaoke::LyricsEditor::PickTime); });
  shortcut(QKeySequence(Qt::Key_F6), [this] { Nudge(-1); });
  shortcut(QKeySequence(Qt::Key_F7), [this] { Nudge(1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { Act(&karaoke::LyricsEditor::Undo); });

  resize(460, 420);
  core_.AddListener(this);
}

KaraokeEditorWindow::~KaraokeEditorWindow() { core_.RemoveListener(this); }

void KaraokeEditorWindow::Refresh() {
  refreshing_ = true;
  list_->clear();
  for (const karaoke::LyricEntry& entry : model_.Entries()) {
    new QTreeWidgetItem(list_, {QString::fromStdString(karaoke::Lyrics_FormatTime(entry.time)),
                                QString::fromStdString(entry.text)});
  }
  if (QTreeWidgetItem* active = list_->topLevelItem(model_.Active())) {
    list_->setCurrentItem(active);
    list_->scrollToItem(active);
  } else {
    list_->setCurrentItem(nullptr);
  }
  edit_->setText(QString::fromStdString(model_.EditLine()));
  refreshing_ = false;
}

void KaraokeEditorWindow::Act(bool (karaoke::LyricsEditor::*operation)()) {
  if ((model_.*operation)()) Refresh();
}

void KaraokeEditorWindow::Nudge(int steps) {
  if (model_.Nudge(steps)) Refresh();
}

void KaraokeEditorWindow::ApplyEditLine() {
  if (!model_.ApplyEditLine(edit_->text().toStdString())) return;
  Refresh();
  edit_->setFocus();
}

std::string KaraokeEditorWindow::SongLyricsName() const {
  return karaoke::Lyrics_NameFor(core_.CurrentField(player::kFieldFilePath));
}

void KaraokeEditorWindow::Choose(int title, bool save,
                                 std::function<void(const std::string&)> chosen) {
  auto* dialog = new QFileDialog(this, Text(title), QString::fromStdString(SongLyricsName()));
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::WindowModal);
  if (save) {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);  // the question is ours
  } else {
    dialog->setFileMode(QFileDialog::ExistingFile);
  }
  connect(dialog, &QFileDialog::finished, this, [dialog, chosen](int result) {
    if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
      chosen(dialog->selectedFiles().first().toStdString());
  });
  dialog->open();
}

void KaraokeEditorWindow::Save(const std::string& path, bool overwrite) {
  const karaoke::LyricsFormat format =
      as_lrc_->isChecked() ? karaoke::LyricsFormat::kLrc : karaoke::LyricsFormat::kKok;
  const QString target = QString::fromStdString(karaoke::LyricsEditor::SavePath(path, format));
  switch (model_.Save(path, format, overwrite)) {
    case karaoke::SaveResult::kSaved:
      return;
    case karaoke::SaveResult::kExists: {
      QString question = Text(kTextOverwrite);
      question.replace(QStringLiteral("%s"), target);
      Requester::Ask(this, {}, question, RequesterButtons::kYesNo,
                     [this, path](bool yes, const QString&) {
                       if (yes) Save(path, true);
                     });
      return;
    }
    case karaoke::SaveResult::kFailed: {
      QString message = Text(kTextSaveFailed);
      message.replace(QStringLiteral("%s"), target);
      Requester::Ask(this, {}, message, RequesterButtons::kOk, {});
      return;
    }
  }
}

void KaraokeEditorWindow::OnSubWindowChanged(player::SubWindow window, bool open) {
  if (window != player::SubWindow::kKaraokeEditor || open == isVisible()) return;
  if (open) {
    Refresh();
    show();
    raise();
  } else {
    hide();
  }
}

void KaraokeEditorWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  core_.SetSubWindowOpen(player::SubWindow::kKaraokeEditor, false);
}

}  // namespace gui
