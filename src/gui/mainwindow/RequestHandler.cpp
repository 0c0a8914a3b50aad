#include "gui/mainwindow/RequestHandler.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>

#include "gui/options/OptionsWindow.h"
#include "gui/toolkit/Requester.h"
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

QFileDialog* MakeFileDialog(QWidget& parent, int title, const char* name) {
  auto* dialog = new QFileDialog(&parent, Text(title), StartFolder());
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setOption(QFileDialog::DontUseNativeDialog);  // the same requester on every desktop
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::WindowModal);
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
      Tell(Text(kTextAbout), QString::fromStdString(player::PlayerCore::AboutText()).trimmed());
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
  core_.SetFileRequesterOpen(true);  // quit now would lose the answer
  QObject::connect(dialog, &QFileDialog::finished, dialog, [this, dialog, append](int result) {
    core_.SetFileRequesterOpen(false);
    if (result != QDialog::Accepted) return;
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
