#include "gui/WindowedPlayer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <iostream>

#include "audiodb/AudioDbFile.h"
#include "gui/audiodb/AudioDbWindow.h"
#include "gui/cdtitles/CdTitleEditor.h"
#include "gui/karaoke/KaraokeWindows.h"
#include "gui/levels/ScopesWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/tageditor/TagEditorWindow.h"
#include "gui/toolkit/MethodQueue.h"
#include "gui/toolkit/PollSourceWatch.h"
#include "gui/toolkit/ReturnIdDispatcher.h"
#include "player/DiscPoll.h"
#include "player/SongDatabase.h"
#include "port/MprisService.h"
#include "settings/SettingsGroups.h"

namespace gui {
namespace {

constexpr int kTickMs = 250;

}  // namespace

struct WindowedPlayer::Private {
  Private(player::TransportEngine& engine, WindowedPlayerOptions opts)
      : options(std::move(opts)),
        database_path(audiodb::AudioDb_SettingsPath()),
        core(engine, player::IdentifyPlayable, database.Lookup()),
        dispatcher(core) {}

  WindowedPlayerOptions options;
  // Read once at start-up; a missing or damaged file leaves what could be read.
  player::SongDatabase database;
  std::string database_path;
  player::PlayerCore core;
  ReturnIdDispatcher dispatcher;
  MethodQueue queue;
  std::unique_ptr<MainWindow> window;
  std::unique_ptr<TagEditorWindow> tag_editor;  // registered before any file is identified
  std::unique_ptr<AudioDbWindow> database_window;
  std::unique_ptr<KaraokeWindows> karaoke;
  std::unique_ptr<ScopesWindow> scopes;
  QTimer tick;
  std::unique_ptr<QSocketNotifier> wake;
  // The CD poll's worker answers through a descriptor; every 20th tick starts it.
  std::unique_ptr<player::DiscPollSource> disc_poll;
  std::unique_ptr<PollSourceWatch> disc_watch;
  // Declared after the core and the window, so they go first.
  std::unique_ptr<port::PortServer> port;
  std::unique_ptr<port::MprisService> mpris;
  std::unique_ptr<PollSourceWatch> port_watch;
  std::unique_ptr<PollSourceWatch> mpris_watch;
  bool finished = false;
};

WindowedPlayer::WindowedPlayer(player::TransportEngine& engine, WindowedPlayerOptions options)
    : p_(new Private(engine, std::move(options))) {
  // Before any disc is listed, so every CD track carries the editor.
  CdTitleEditor::Register();
  p_->tag_editor = std::make_unique<TagEditorWindow>();
  p_->database.Load(p_->database_path);
  p_->database_window = std::make_unique<AudioDbWindow>(p_->core, p_->database.database(), p_->database_path);
  p_->core.AddListener(this);
  p_->window = std::make_unique<MainWindow>(p_->core, p_->dispatcher);
  p_->karaoke = std::make_unique<KaraokeWindows>(p_->core);
  p_->scopes = std::make_unique<ScopesWindow>(p_->core, p_->queue);
  if (p_->options.iconified) p_->core.SetButton(player::Button::kIconify, true);

  platform::Signals& signals = *p_->options.signals;
  p_->wake = std::make_unique<QSocketNotifier>(signals.WakeFd(), QSocketNotifier::Read);
  connect(p_->wake.get(), &QSocketNotifier::activated, this, &WindowedPlayer::WakeUp);
  p_->disc_poll = std::make_unique<player::DiscPollSource>(p_->core);
  p_->disc_watch = std::make_unique<PollSourceWatch>(*p_->disc_poll);
  p_->tick.setInterval(kTickMs);
  connect(&p_->tick, &QTimer::timeout, this, &WindowedPlayer::Tick);

  if (p_->options.serve_port) {
    std::string error;
    p_->port = port::PortServer::Open(p_->core, std::cout, p_->options.port, &error);
    if (p_->port) {
      p_->port_watch = std::make_unique<PollSourceWatch>(*p_->port);
    } else {
      std::fprintf(stderr, "tunewright: no command port: %s\n", error.c_str());
    }
    p_->mpris = port::MprisService::Open(p_->core);
    if (p_->mpris) {
      port::MprisService* mpris = p_->mpris.get();
      p_->mpris_watch = std::make_unique<PollSourceWatch>(*mpris, [mpris] { return mpris->TimeoutMs(); });
    }
  }
}

WindowedPlayer::~WindowedPlayer() {
  // The levels task reads the engine: it ends first.
  p_->scopes.reset();
  p_->tick.stop();
  p_->wake.reset();
  p_->core.RemoveListener(this);
  p_->core.Stop();
  if (p_->options.state && !p_->options.state->Save(p_->core))
    std::fprintf(stderr, "tunewright: the player state could not be saved\n");
  // The port and desktop control stop before the windows and the core go.
  p_->mpris_watch.reset();
  p_->port_watch.reset();
  p_->mpris.reset();
  p_->port.reset();
  // Every worker stops before the windows, the core and (after us) the engine go.
  p_->disc_watch.reset();
  p_->disc_poll.reset();
  p_->karaoke.reset();
  CdTitleEditor::Unregister();
  p_->window.reset();
  p_->database_window.reset();
  p_->tag_editor.reset();
}

void WindowedPlayer::Start() {
  // The list of last time comes back with its highlighted row, and names given
  // now join it at the end; AUTO_PLAY applies to it as to a loaded one.
  const bool restored = p_->options.state && p_->options.state->Start(p_->core, true);
  if (!p_->options.names.empty()) p_->core.AddNames(p_->options.names, false, false);
  if (!restored)
    p_->core.StartUp();
  else if (settings::Main().Fetch().auto_play)
    p_->core.PressPlay();
  p_->window->ShowAsStarted();
  if (settings::AudioBase().Fetch().window_opened)
    p_->core.SetSubWindowOpen(player::SubWindow::kDatabase, true);
  p_->karaoke->Start();
  p_->tick.start();
}

player::PlayerCore& WindowedPlayer::Core() { return p_->core; }
MainWindow& WindowedPlayer::Window() { return *p_->window; }
ScopesWindow& WindowedPlayer::Scopes() { return *p_->scopes; }
ReturnIdDispatcher& WindowedPlayer::Dispatcher() { return p_->dispatcher; }
MethodQueue& WindowedPlayer::Queue() { return p_->queue; }
TagEditorWindow& WindowedPlayer::TagEditor() { return *p_->tag_editor; }
AudioDbWindow& WindowedPlayer::DatabaseWindow() { return *p_->database_window; }
port::PortServer* WindowedPlayer::Port() { return p_->port.get(); }
KaraokeWindows& WindowedPlayer::Karaoke() { return *p_->karaoke; }

void WindowedPlayer::OnQuitRequested() {
  if (p_->finished) return;
  p_->finished = true;
  p_->tick.stop();
  // After the current notification: the caller may still be working.
  QTimer::singleShot(0, this, [this] { Q_EMIT Finished(); });
}

// The engine's notification and Ctrl-C arrive as bits with a byte on the pipe.
void WindowedPlayer::WakeUp() {
  platform::Signals& signals = *p_->options.signals;
  signals.DrainWakeFd();
  const uint32_t got = signals.Take(p_->options.engine_bit | p_->options.break_bit);
  if (got & p_->options.break_bit) {
    p_->core.Stop();
    OnQuitRequested();
    return;
  }
  if (got & p_->options.engine_bit) p_->core.EndOfTrackCheck(player::PlayerCore::Clock::now());
}

void WindowedPlayer::Tick() {
  p_->core.Tick(player::PlayerCore::Clock::now());
  // Desktop control answers property changes the player made since the last turn.
  if (p_->mpris) p_->mpris->Serve();
}

}  // namespace gui
