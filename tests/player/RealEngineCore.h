// A player core over the real audio engine, its sound written to out.wav in the
// test's own folder: what the tests that play songs end to end start from.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "audio/Engine.h"
#include "decoders/Decoders.h"
#include "platform/Signals.h"
#include "player/PlayerCore.h"
#include "support/TestSupport.h"

class RealEngineCoreTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kEngineBit = 1u << 3;

  // Call from SetUp, after making the songs.
  void StartEngineAndCore() {
    ::setenv("TUNEWRIGHT_OUTPUT", ("file:" + dir_.File("out.wav")).c_str(), 1);
    ASSERT_EQ(decoders::Decoders_Init(), 1);
    ASSERT_TRUE(audio::Engine_Start(500, &signals_, kEngineBit));
    engine_ = player::AudioEngineTransport();
    core_ = std::make_unique<player::PlayerCore>(*engine_, player::IdentifyPlayable);
  }
  void TearDown() override {
    core_.reset();
    audio::Engine_Shutdown();
    decoders::Decoders_Exit();
    ::unsetenv("TUNEWRIGHT_OUTPUT");
  }

  testsupport::TempDir dir_;
  platform::Signals signals_;
  std::unique_ptr<player::TransportEngine> engine_;
  std::unique_ptr<player::PlayerCore> core_;
};
