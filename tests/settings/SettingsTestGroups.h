// Puts every settings group back to its built-in defaults around a test.
#pragma once

#include <gtest/gtest.h>

#include "settings/SettingsGroups.h"

class SettingsGroupsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  void TearDown() override { ResetAll(); }

  static void ResetAll() {
    settings::SetAudioListener(nullptr);
    settings::ResetAllGroups();
  }
};
