#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>

#include <atomic>
#include <thread>

#include "FakePlayer.h"
#include "port/MprisService.h"
#include "support/TestSupport.h"

namespace {

using testsupport::Run;
using testsupport::SessionBus;

std::string Call(const std::string& arguments) {
  return Run("dbus-send --session --print-reply=literal --reply-timeout=5000 "
             "--dest=org.mpris.MediaPlayer2.tunewright /org/mpris/MediaPlayer2 " +
             arguments + " 2>&1")
      .out;
}

std::string Property(const std::string& name) {
  return Call("org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:" +
              name);
}

TEST(MprisServiceTest, DesktopControlDrivesThePlayer) {
  TW_REQUIRE_TOOLS("dbus-daemon", "dbus-send");
  SessionBus bus;
  ASSERT_TRUE(bus.up());
  porttest::FakePlayer fake;
  fake.songs = {{"One", "Ann", 60}, {"Two", "", 70, "", ""}};
  auto service = port::MprisService::Open(fake);
  if (!service) GTEST_SKIP() << "built without sdbus-c++";
  std::atomic<bool> stop{false};
  std::thread loop([&] {
    while (!stop) {
      pollfd ready{service->fd(), service->events(), 0};
      const int timeout = service->TimeoutMs();
      poll(&ready, 1, timeout < 0 || timeout > 10 ? 10 : timeout);
      service->Serve();
    }
  });

  Call("org.mpris.MediaPlayer2.Player.PlayPause");
  EXPECT_NE(Property("PlaybackStatus").find("Playing"), std::string::npos);
  const std::string metadata = Property("Metadata");
  EXPECT_NE(metadata.find("One"), std::string::npos) << metadata;
  EXPECT_NE(metadata.find("Ann"), std::string::npos) << metadata;
  EXPECT_NE(metadata.find("/org/mpris/MediaPlayer2/Track/1"), std::string::npos) << metadata;
  Call("org.mpris.MediaPlayer2.Player.PlayPause");
  EXPECT_NE(Property("PlaybackStatus").find("Paused"), std::string::npos);
  Call("org.mpris.MediaPlayer2.Player.Play");
  EXPECT_NE(metadata.find("Album"), std::string::npos) << metadata;
  EXPECT_NE(metadata.find("Genre"), std::string::npos) << metadata;
  Call("org.mpris.MediaPlayer2.Player.Next");
  // Texts the song does not have are left out, not sent empty.
  const std::string untagged = Property("Metadata");
  EXPECT_NE(untagged.find("Two"), std::string::npos) << untagged;
  for (const char* key : {"xesam:artist", "xesam:album", "xesam:genre"})
    EXPECT_EQ(untagged.find(key), std::string::npos) << untagged;
  Call(
      "org.mpris.MediaPlayer2.Player.SetPosition objpath:/org/mpris/MediaPlayer2/Track/2 "
      "int64:30000000");
  Call("org.mpris.MediaPlayer2.Player.Seek int64:-5000000");
  // A stale track id is ignored.
  Call(
      "org.mpris.MediaPlayer2.Player.SetPosition objpath:/org/mpris/MediaPlayer2/Track/1 "
      "int64:1000000");
  EXPECT_NE(Property("Position").find("25000000"), std::string::npos);
  Call(
      "org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player string:Volume "
      "variant:double:0.5");
  EXPECT_NE(Property("Volume").find("0.5"), std::string::npos);
  Call("org.mpris.MediaPlayer2.Player.Stop");
  EXPECT_NE(Property("PlaybackStatus").find("Stopped"), std::string::npos);

  stop = true;
  loop.join();
  EXPECT_EQ(fake.row, 1);
  EXPECT_DOUBLE_EQ(fake.position, 25);
  EXPECT_EQ(fake.volume, 32);
}

TEST(MprisServiceTest, SilentWithoutASessionBus) {
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  porttest::FakePlayer fake;
  EXPECT_FALSE(port::MprisService::Open(fake));
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace
