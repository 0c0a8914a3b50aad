#include "port/MprisService.h"

#ifdef TUNEWRIGHT_HAVE_SDBUS

#include <sdbus-c++/sdbus-c++.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "player/Playlist.h"
#include "port/CommandTable.h"

namespace port {

namespace {

constexpr const char* kBusName = "org.mpris.MediaPlayer2.tunewright";
constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr double kMicroseconds = 1e6;

std::string TrackPath(int row) {
  return "/org/mpris/MediaPlayer2/Track/" + std::to_string(std::max(row, -1) + 1);
}

}  // namespace

struct MprisService::Impl {
  explicit Impl(player::PlayerController& p) : player(p) {}

  void Register();
  void RegisterRoot();
  void RegisterControls();
  void RegisterProperties();
  void PlayPause();
  void Pause();
  void SeekBy(int64_t offset_us);
  void SetPosition(const sdbus::ObjectPath& track, int64_t position_us);
  std::string PlaybackStatus() const;
  std::map<std::string, sdbus::Variant> Metadata() const;
  void Changed(std::vector<std::string> properties);

  player::PlayerController& player;
  std::unique_ptr<sdbus::IConnection> connection;
  std::unique_ptr<sdbus::IObject> object;
};

void MprisService::Impl::Register() {
  object = sdbus::createObject(*connection, kObjectPath);
  RegisterRoot();
  RegisterControls();
  RegisterProperties();
  object->finishRegistration();
}

void MprisService::Impl::RegisterRoot() {
  object->registerMethod("Raise").onInterface(kRootInterface).implementedAs([] {});
  object->registerMethod("Quit").onInterface(kRootInterface).implementedAs([this] {
    player.PerformReturnId(player::kReturnQuit);
  });
  object->registerProperty("Identity").onInterface(kRootInterface).withGetter([] {
    return std::string("Tunewright");
  });
  object->registerProperty("DesktopEntry").onInterface(kRootInterface).withGetter([] {
    return std::string("tunewright");
  });
  for (const char* flag : {"CanQuit", "CanRaise", "HasTrackList"}) {
    const bool value = std::string_view(flag) == "CanQuit";
    object->registerProperty(flag).onInterface(kRootInterface).withGetter([value] {
      return value;
    });
  }
  for (const char* list : {"SupportedUriSchemes", "SupportedMimeTypes"}) {
    object->registerProperty(list).onInterface(kRootInterface).withGetter([] {
      return std::vector<std::string>{};
    });
  }
}

void MprisService::Impl::RegisterControls() {
  const std::pair<const char*, int> ids[] = {{"Play", player::kReturnPlay},
                                             {"Stop", player::kReturnStop},
                                             {"Next", player::kReturnNext},
                                             {"Previous", player::kReturnPrev}};
  for (const auto& [name, id] : ids) {
    object->registerMethod(name).onInterface(kPlayerInterface).implementedAs([this, id = id] {
      player.PerformReturnId(id);
    });
  }
  object->registerMethod("Pause").onInterface(kPlayerInterface).implementedAs([this] { Pause(); });
  object->registerMethod("PlayPause").onInterface(kPlayerInterface).implementedAs([this] {
    PlayPause();
  });
  object->registerMethod("Seek")
      .onInterface(kPlayerInterface)
      .withInputParamNames("Offset")
      .implementedAs([this](int64_t offset) { SeekBy(offset); });
  object->registerMethod("SetPosition")
      .onInterface(kPlayerInterface)
      .withInputParamNames("TrackId", "Position")
      .implementedAs([this](const sdbus::ObjectPath& track, int64_t position) {
        SetPosition(track, position);
      });
}

void MprisService::Impl::RegisterProperties() {
  object->registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([this] {
    return PlaybackStatus();
  });
  object->registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([this] {
    return Metadata();
  });
  object->registerProperty("Position").onInterface(kPlayerInterface).withGetter([this] {
    const double seconds = player.PositionSeconds();
    return static_cast<int64_t>(std::isfinite(seconds) ? seconds * kMicroseconds : 0);
  });
  // 1.0 is unity gain (64); the engine goes up to four times that.
  object->registerProperty("Volume")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return player.Volume() / 64.0; })
      .withSetter([this](const double& volume) {
        if (!std::isfinite(volume)) return;
        player.SetVolume(static_cast<int32_t>(std::lround(std::clamp(volume, 0.0, 4.0) * 64)));
      });
  object->registerProperty("Rate").onInterface(kPlayerInterface).withGetter([this] {
    return player.Speed() / 100.0;
  });
  object->registerProperty("MinimumRate").onInterface(kPlayerInterface).withGetter([] {
    return 0.25;
  });
  object->registerProperty("MaximumRate").onInterface(kPlayerInterface).withGetter([] {
    return 4.0;
  });
  for (const char* flag :
       {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek", "CanControl"}) {
    object->registerProperty(flag).onInterface(kPlayerInterface).withGetter([] { return true; });
  }
}

void MprisService::Impl::Pause() {
  if (player.State() == player::PlayState::kPlaying) player.SetButton(player::Button::kPause, true);
}

void MprisService::Impl::PlayPause() {
  switch (player.State()) {
    case player::PlayState::kStopped:
      player.PerformReturnId(player::kReturnPlay);
      break;
    case player::PlayState::kPlaying:
      player.SetButton(player::Button::kPause, true);
      break;
    case player::PlayState::kPaused:
      player.SetButton(player::Button::kPause, false);
      break;
  }
}

void MprisService::Impl::SeekBy(int64_t offset_us) {
  const double target = player.PositionSeconds() + static_cast<double>(offset_us) / kMicroseconds;
  player.Seek(std::max(0.0, target));
}

void MprisService::Impl::SetPosition(const sdbus::ObjectPath& track, int64_t position_us) {
  // A stale track id or a negative position is to be ignored.
  if (track != TrackPath(player.CurrentRow()) || position_us < 0) return;
  player.Seek(static_cast<double>(position_us) / kMicroseconds);
}

std::string MprisService::Impl::PlaybackStatus() const {
  switch (player.State()) {
    case player::PlayState::kPlaying:
      return "Playing";
    case player::PlayState::kPaused:
      return "Paused";
    default:
      return "Stopped";
  }
}

std::map<std::string, sdbus::Variant> MprisService::Impl::Metadata() const {
  std::map<std::string, sdbus::Variant> data;
  const int row = player.CurrentRow();
  data["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(TrackPath(row)));
  if (row < 0) return data;
  data["mpris:length"] = sdbus::Variant(static_cast<int64_t>(
      std::min<int64_t>(player.CurrentDurationSeconds(), INT64_MAX / 1000000) * 1000000));
  data["xesam:title"] = sdbus::Variant(player.CurrentField(player::kFieldTitle));
  // A text the song does not have is left out: desktops show an empty one as
  // a blank line, or as an artist named "".
  if (std::string album = player.CurrentField(player::kFieldAlbum); !album.empty())
    data["xesam:album"] = sdbus::Variant(album);
  for (const auto& [key, field] : {std::pair{"xesam:artist", player::kFieldArtist},
                                   std::pair{"xesam:genre", player::kFieldGenre}}) {
    std::string text = player.CurrentField(field);
    if (!text.empty()) data[key] = sdbus::Variant(std::vector<std::string>{std::move(text)});
  }
  data["xesam:url"] = sdbus::Variant("file://" + player.CurrentField(player::kFieldFilePath));
  return data;
}

void MprisService::Impl::Changed(std::vector<std::string> properties) {
  try {
    object->emitPropertiesChangedSignal(kPlayerInterface, properties);
  } catch (const sdbus::Error&) {
    // The bus went away; desktop control stays quiet.
  }
}

std::unique_ptr<MprisService> MprisService::Open(player::PlayerController& player) {
  auto impl = std::make_unique<Impl>(player);
  try {
    impl->connection = sdbus::createSessionBusConnection(kBusName);
    impl->Register();
  } catch (const sdbus::Error&) {
    return nullptr;
  }
  std::unique_ptr<MprisService> service(new MprisService(std::move(impl)));
  player.AddListener(service.get());
  return service;
}

MprisService::MprisService(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

MprisService::~MprisService() { impl_->player.RemoveListener(this); }

int MprisService::fd() const { return impl_->connection->getEventLoopPollData().fd; }

short MprisService::events() const { return impl_->connection->getEventLoopPollData().events; }

int MprisService::TimeoutMs() const {
  const auto data = impl_->connection->getEventLoopPollData();
  if (data.timeout_usec == UINT64_MAX) return -1;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const int64_t now_us = int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
  const int64_t left = static_cast<int64_t>(data.timeout_usec) - now_us;
  return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left / 1000 + 1, 60000));
}

void MprisService::Serve() {
  try {
    while (impl_->connection->processPendingRequest()) {
    }
  } catch (const sdbus::Error&) {
    // A broken bus connection leaves the player as it is.
  }
}

void MprisService::AddPollFds(std::vector<pollfd>& fds) { fds.push_back({fd(), events(), 0}); }

// Serves every turn, not only on events: the bus library's own timeouts need it.
void MprisService::HandlePollFds(const std::vector<pollfd>&) { Serve(); }

void MprisService::OnStateChanged(player::PlayState) { impl_->Changed({"PlaybackStatus"}); }

void MprisService::OnSongChanged(int) { impl_->Changed({"Metadata"}); }

void MprisService::OnSongInfoChanged(const player::SongInfo&) { impl_->Changed({"Metadata"}); }

void MprisService::OnLevelChanged(player::Level level, int32_t) {
  if (level == player::Level::kVolume) impl_->Changed({"Volume"});
}

void MprisService::OnSpeedChanged(double) { impl_->Changed({"Rate"}); }

}  // namespace port

#else  // without sdbus-c++ there is no desktop control

namespace port {

struct MprisService::Impl {};
std::unique_ptr<MprisService> MprisService::Open(player::PlayerController&) { return nullptr; }
MprisService::MprisService(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MprisService::~MprisService() = default;
int MprisService::fd() const { return -1; }
short MprisService::events() const { return 0; }
int MprisService::TimeoutMs() const { return -1; }
void MprisService::Serve() {}
void MprisService::AddPollFds(std::vector<pollfd>&) {}
void MprisService::HandlePollFds(const std::vector<pollfd>&) {}
void MprisService::OnStateChanged(player::PlayState) {}
void MprisService::OnSongChanged(int) {}
void MprisService::OnSongInfoChanged(const player::SongInfo&) {}
void MprisService::OnLevelChanged(player::Level, int32_t) {}
void MprisService::OnSpeedChanged(double) {}

}  // namespace port

#endif
