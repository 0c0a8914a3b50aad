#include "gui/mainwindow/RequestHandler.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTreeView>

#include <optional>

#include "gui/options/OptionsWindow.h"
#include "gui/toolkit/Requester.h"
#include "platform/WildcardPattern.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"
#include "shell/Texts.h"

namespace gui {
namespace {

constexpr int kTextSavePlaylist = 1001;
constexpr int kTextSelectFiles = 1002;
constexpr int kTextAbout = 1003;
constexpr int kTextOverwrite = 4000;  // "File '%s' already exist\nDo you want to overwrite it ?"

QString Text(int id) { return QString::fromUtf8(Texts_Get(id)); }

QString StartFolder() {
  const std::string drawer = settings::Main().Fetch().file_drawer;
  return drawer.empty() ? QString() : QString::fromStdString(drawer);
}

constexpr char kAnyFile[] = "#?";

// FILE_PATTERN is a wildcard of our own that Qt's name filters cannot express:
// the dialog lists every file and this hides the ones the chosen pattern refuses.
class PatternFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void SetPattern(const QString& pattern) {
    pattern_.emplace(pattern.toStdString());
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files || !pattern_) return true;
    const QModelIndex index = files->index(row, 0, parent);
    return files->isDir(index) || pattern_->Matches(files->fileName(index).toStdString());
  }

 private:
  std::optional<platform::WildcardPattern> pattern_;
};

// The name filters offered: FILE_PATTERN, and every file besides. Each is our
// pattern followed by " (*)", which the dialog hides (and leaves out of what it reports).
const QString kAllForQt = QStringLiteral(" (*)");
QString NameFilter(const QString& pattern) { return pattern + kAllForQt; }
QString PatternOf(QString name_filter) {
  if (name_filter.endsWith(kAllForQt)) name_filter.chop(kAllForQt.size());
  return name_filter.trimmed();
}

void OfferPatterns(QFileDialog& dialog) {
  QString pattern = QString::fromStdString(settings::Main().Fetch().file_pattern);
  if (pattern.trimmed().isEmpty()) pattern = QString::fromLatin1(kAnyFile);
  auto* filter = new PatternFilter(&dialog);
  dialog.setProxyModel(filter);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  QStringList filters{NameFilter(pattern)};
  if (pattern != QLatin1String(kAnyFile)) filters << NameFilter(QString::fromLatin1(kAnyFile));
  dialog.setNameFilters(filters);
  filter->SetPattern(pattern);
  // Qt tells of a choice the user makes, but not of selectNameFilter(); its
  // list of types tells of both.
  const auto follow = [filter, &dialog] { filter->SetPattern(PatternOf(dialog.selectedNameFilter())); };
  QObject::connect(&dialog, &QFileDialog::filterSelected, filter, follow);
  if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    QObject::connect(types, &QComboBox::currentIndexChanged, filter, follow);
}

// The folder and pattern the user ended with are where the next requester starts.
void KeepDrawerAndPattern(const QFileDialog& dialog) {
  settings::MainSettings main = settings::Main().Fetch();
  main.file_drawer = dialog.directory().absolutePath().toStdString();
  main.file_pattern = PatternOf(dialog.selectedNameFilter()).toStdString();
  settings::Main().Apply(main);
}

QFileDialog* MakeFileDialog(QWidget& parent, int title, const char* name) {
  auto* dialog = new QFileDialog(&parent, Text(title), StartFolder());
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setOption(QFileDialog::DontUseNativeDialog);  // the same requester on every desktop
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::WindowModal);
  // Qt's default size and column widths cut size, type and date to a few letters.
  dialog->resize(860, 520);
  if (auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
    details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  }
  return dialog;
}

}  // namespace

RequestHandler::RequestHandler(player::PlayerCore& core, QWidget& parent)
    : core_(core), parent_(parent) {
  core_.AddListener(this);
}

RequestHandler::~RequestHandler() { core_.RemoveListener(this); }

void RequestHandler::OnRequest(player::Request request) {
  switch (request) {
    case player::Request::kOpenFiles: SelectFiles(false); break;
    case player::Request::kAppendFiles: SelectFiles(true); break;
    case player::Request::kSavePlaylistAs: SavePlaylistAs(); break;
    case player::Request::kAbout:
      Tell(Text(kTextAbout), QStringLiteral("Tunewright " TUNEWRIGHT_VERSION "\n\n") +
                                 QString::fromStdString(player::PlayerCore::AboutText()).trimmed());
      break;
    case player::Request::kToolkitAbout:
      Tell(Text(kTextAbout),
           QStringLiteral("Tunewright's windows are built with Qt %1.").arg(QString::fromLatin1(qVersion())));
      break;
    case player::Request::kToolkitSettings:
      Tell({}, QStringLiteral("The windows follow the desktop's Qt style (%1).")
                   .arg(QApplication::style()->name()));
      break;
    case player::Request::kOptions: ShowOptions(); break;
  }
}

// One options window at a time, filled afresh each time it opens.
void RequestHandler::ShowOptions() {
  if (!options_) {
    options_ = new OptionsWindow(&parent_, ListOutputModes(), settings::Settings_DefaultPath());
    options_->setAttribute(Qt::WA_DeleteOnClose);
  }
  options_->show();
  options_->raise();
  options_->activateWindow();
}

void RequestHandler::SelectFiles(bool append) {
  QFileDialog* dialog = MakeFileDialog(parent_, kTextSelectFiles, "selectFiles");
  dialog->setFileMode(QFileDialog::ExistingFiles);
  OfferPatterns(*dialog);
  core_.SetFileRequesterOpen(true);  // quit now would lose the answer
  QObject::connect(dialog, &QFileDialog::finished, dialog, [this, dialog, append](int result) {
    core_.SetFileRequesterOpen(false);
    if (result != QDialog::Accepted) return;
    KeepDrawerAndPattern(*dialog);
    std::vector<std::string> names;
    for (const QString& file : dialog->selectedFiles()) names.push_back(file.toStdString());
    core_.OpenSelected(names, append);
  });
  dialog->open();
}

void RequestHandler::SavePlaylistAs() {
  QFileDialog* dialog = MakeFileDialog(parent_, kTextSavePlaylist, "savePlaylist");
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  // The overwrite question is ours, with its own words.
  dialog->setOption(QFileDialog::DontConfirmOverwrite);
  // It starts on the playlist last read or written.
  if (!core_.LastPlaylistPath().empty()) {
    const QFileInfo last(QString::fromStdString(core_.LastPlaylistPath()));
    dialog->setDirectory(last.absolutePath());
    dialog->selectFile(last.fileName());
  }
  core_.SetFileRequesterOpen(true);
  QObject::connect(dialog, &QFileDialog::finished, dialog, [this, dialog](int result) {
    core_.SetFileRequesterOpen(false);
    if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
      Save(dialog->selectedFiles().first());
  });
  dialog->open();
}

void RequestHandler::Save(const QString& path) {
  if (!QFileInfo::exists(path)) {
    core_.SavePlaylist(path.toStdString());
    return;
  }
  QString question = Text(kTextOverwrite);
  question.replace(QStringLiteral("%s"), path);
  Requester::Ask(&parent_, {}, question, RequesterButtons::kYesNo,
                 [this, path](bool yes, const QString&) {
                   if (yes) core_.SavePlaylist(path.toStdString(), [](const std::string&) { return true; });
                 });
}

void RequestHandler::Tell(const QString& title, const QString& message) {
  Requester::Ask(&parent_, title, message, RequesterButtons::kOk, {});
}

}  // namespace gui
