#include "gui/mainwindow/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <map>

#include "gui/controls/LevelSlider.h"
#include "gui/controls/TimeSlider.h"
#include "gui/mainwindow/KeyTable.h"
#include "gui/mainwindow/MainMenus.h"
#include "gui/mainwindow/Manual.h"
#include "gui/mainwindow/RequestHandler.h"
#include "gui/mainwindow/SongDisplay.h"
#include "gui/mainwindow/TransportBar.h"
#include "gui/playlist/PlaylistModel.h"
#include "gui/playlist/PlaylistView.h"
#include "gui/playlist/PlaylistWindow.h"
#include "gui/toolkit/FileDrops.h"
#include "gui/toolkit/ReturnIdDispatcher.h"
#include "settings/SettingsGroups.h"
#include "shell/Texts.h"

namespace gui {
namespace {

using player::DisplayOption;

QWidget* Group(QWidget* parent, const char* name, std::initializer_list<QWidget*> members) {
  auto* group = new QWidget(parent);
  group->setObjectName(QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (QWidget* member : members) {
    member->setParent(group);
    layout->addWidget(member);
  }
  return group;
}

}  // namespace

struct MainWindow::Private {
  player::PlayerCore& core;
  ReturnIdDispatcher& dispatcher;
  std::map<int, QAction*> menus{};
  SongDisplay* song = nullptr;
  TimeSlider* time = nullptr;
  QWidget* volume_group = nullptr;
  QWidget* tone_group = nullptr;
  TransportBar* buttons = nullptr;
  PlaylistView* list = nullptr;
  QVBoxLayout* layout = nullptr;
  PlaylistWindow* playlist_window = nullptr;
  std::unique_ptr<RequestHandler> requests{};
  QSystemTrayIcon* tray = nullptr;  // made when first iconified where the desktop has a tray
  bool list_in_window = false;
  std::string list_pattern{};  // the LIST_PATTERN the rows show

  bool Shown(DisplayOption option) const { return core.IsDisplayOptionShown(option); }
};

MainWindow::MainWindow(player::PlayerCore& core, ReturnIdDispatcher& dispatcher)
    : p_(new Private{core, dispatcher}) {
  setObjectName(QStringLiteral("mainWindow"));
  auto* central = new QWidget(this);
  p_->layout = new QVBoxLayout(central);
  p_->layout->setContentsMargins(6, 6, 6, 6);
  p_->layout->setSpacing(4);
  p_->song = new SongDisplay(core, central);
  p_->time = new TimeSlider(core, central);
  p_->volume_group =
      Group(central, "volumeBalance",
            {new LevelSlider(core, player::Level::kVolume, nullptr),
             new LevelSlider(core, player::Level::kBalance, nullptr)});
  p_->tone_group =
      Group(central, "bassTreble",
            {new LevelSlider(core, player::Level::kTreble, nullptr),
             new LevelSlider(core, player::Level::kBass, nullptr)});
  p_->buttons = new TransportBar(core, dispatcher, central);
  p_->list = new PlaylistView(core, central);
  for (QWidget* part : {static_cast<QWidget*>(p_->song), static_cast<QWidget*>(p_->time),
                        p_->volume_group, p_->tone_group, static_cast<QWidget*>(p_->buttons)}) {
    p_->layout->addWidget(part);
  }
  p_->layout->addWidget(p_->list, 1);
  setCentralWidget(central);

  p_->menus = BuildMenus(*menuBar(), MainMenuTable(), [this](int id) {
    if (id == kWindowIdManual) {
      OpenManual();
    } else {
      p_->dispatcher.Dispatch(id);
    }
  });
  p_->playlist_window = new PlaylistWindow(core, this);
  p_->requests = std::make_unique<RequestHandler>(core, *this);
  setWindowTitle(QString::fromStdString(core.WindowTitle()));
  for (int w = 0; w <= static_cast<int>(player::SubWindow::kDatabase); ++w) {
    const auto window = static_cast<player::SubWindow>(w);
    OnSubWindowChanged(window, core.IsSubWindowOpen(window));
  }
  ApplyDisplayOptions();
  // Applying DISPLAY, BUTTONS and MAIN (the options window) redraws what they choose.
  p_->list_pattern = settings::Main().Fetch().list_pattern;
  settings::Main().SetListener([this](const settings::MainSettings& main) {
    ApplyDisplayOptions();
    // A new row pattern retitles every row.
    if (main.list_pattern == p_->list_pattern) return;
    p_->list_pattern = main.list_pattern;
    p_->list->Model().OnRowsReordered();
  });
  qApp->installEventFilter(this);
  setAcceptDrops(true);
  core.AddListener(this);
}

MainWindow::~MainWindow() {
  settings::Main().SetListener({});
  p_->core.RemoveListener(this);
  qApp->removeEventFilter(this);
  p_->requests.reset();
}

QAction* MainWindow::MenuAction(int id) const {
  const auto found = p_->menus.find(id);
  return found == p_->menus.end() ? nullptr : found->second;
}

PlaylistWindow& MainWindow::Playlist() { return *p_->playlist_window; }

void MainWindow::ApplyDisplayOptions() {
  const settings::MainSettings main = settings::Main().Fetch();
  p_->song->ShowLines(p_->Shown(DisplayOption::kArtistAlbum), p_->Shown(DisplayOption::kFileFormat),
                      p_->Shown(DisplayOption::kFileComment));
  p_->volume_group->setVisible(p_->Shown(DisplayOption::kVolumeBalance));
  p_->tone_group->setVisible(p_->Shown(DisplayOption::kBassTreble));
  p_->time->setVisible(p_->Shown(DisplayOption::kTimeSlider));
  p_->buttons->ApplyButtonSettings(main);
  for (int o = 0; o <= static_cast<int>(DisplayOption::kPlaylistWindow); ++o) {
    if (QAction* mark = MenuAction(player::kReturnShowFileList + o))
      mark->setChecked(p_->Shown(static_cast<DisplayOption>(o)));
  }

  // The list lives in one window or the other.
  const bool own_window = p_->Shown(DisplayOption::kPlaylistWindow);
  const bool list_shown = p_->Shown(DisplayOption::kFileList);
  if (own_window != p_->list_in_window) {
    if (own_window) {
      p_->playlist_window->Hold(*p_->list);
    } else {
      p_->layout->addWidget(p_->list, 1);
    }
    p_->list_in_window = own_window;
  }
  p_->list->setVisible(list_shown);
  p_->playlist_window->setVisible(own_window && list_shown && isVisible());

  // Sizeable or not, the window fits what it shows.
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  centralWidget()->layout()->activate();
  const bool list_here = list_shown && !own_window;
  if (!list_here) resize(width(), minimumSizeHint().height());
  if (!p_->Shown(DisplayOption::kSizeableWindow)) setFixedSize(width(), sizeHint().height());
  // Without the time slider the title tells the time; the player sets it.
  setWindowTitle(QString::fromStdString(p_->core.WindowTitle()));
}

void MainWindow::ShowAsStarted() {
  if (p_->core.IsButtonSelected(player::Button::kIconify)) {
    Iconify();
  } else {
    show();
  }
  ApplyDisplayOptions();  // the playlist window opens with the main window
}

// Into the desktop's tray where it has one (the window hides), else minimised.
void MainWindow::Iconify() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    showMinimized();
    return;
  }
  if (!p_->tray) {
    p_->tray = new QSystemTrayIcon(QApplication::windowIcon(), this);
    p_->tray->setObjectName(QStringLiteral("trayIcon"));
    p_->tray->setToolTip(QStringLiteral("Tunewright"));
    connect(p_->tray, &QSystemTrayIcon::activated, this,
            [this] { p_->core.SetButton(player::Button::kIconify, false); });
  }
  p_->tray->show();
  hide();
  p_->playlist_window->hide();
}

bool MainWindow::IsIconified() const { return isMinimized() || (p_->tray && p_->tray->isVisible()); }

void MainWindow::OnWindowTitleChanged(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void MainWindow::OnDisplayOptionChanged(DisplayOption, bool) { ApplyDisplayOptions(); }

void MainWindow::OnSubWindowChanged(player::SubWindow window, bool open) {
  if (QAction* mark = MenuAction(player::kReturnScopes + static_cast<int>(window)))
    mark->setChecked(open);
}

void MainWindow::OnButtonChanged(player::Button button, bool selected) {
  if (button != player::Button::kIconify || selected == IsIconified()) return;
  if (selected) {
    Iconify();
    return;
  }
  if (p_->tray) p_->tray->hide();
  showNormal();
  raise();
  activateWindow();
  ApplyDisplayOptions();  // the playlist window comes back with it
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The close gadget is quit; the player ends the run (or refuses while a file
  // requester waits for its answer).
  event->ignore();
  p_->dispatcher.Dispatch(player::kReturnQuit);
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // A window the user restored (or minimised) through the desktop tells the
  // player, so "iconify" toggles from what the user sees. Our own requests come
  // back here too; they agree with the player already.
  if (event->type() != QEvent::WindowStateChange || !event->spontaneous()) return;
  if (p_->core.IsButtonSelected(player::Button::kIconify) != isMinimized()) {
    p_->core.SetButton(player::Button::kIconify, isMinimized());
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const int highlighted = p_->core.Highlighted();
  const int row = highlighted >= 0 ? highlighted + 1 : -1;
  if (InsertDropped(p_->core, event->mimeData(), row)) event->acceptProposedAction();
}

// The window's keys act wherever the focus is in the main or playlist window,
// except in a text field.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  QWidget* window = widget->window();
  if (window != this && window != p_->playlist_window) return false;
  if (qobject_cast<QLineEdit*>(widget)) return false;
  const int id = ReturnIdForKey(*static_cast<QKeyEvent*>(event));
  if (id == 0) return false;
  p_->dispatcher.Dispatch(id);
  return true;
}

}  // namespace gui
