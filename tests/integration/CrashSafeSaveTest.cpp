// Saves killed at random moments leave either the old file or the new one,
// byte for byte, and the temporary a killed save leaves is removed by the next
// start's clean-up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "SavedFiles.h"
#include "platform/AtomicFile.h"
#include "support/TestSupport.h"

namespace {

constexpr int kKills = 200;

// Runs save(1) in a child killed after a random delay, kKills times, and checks
// the file each time. Returns how many children were killed before finishing.
int KillSavesAtRandom(const savetest::SaveFn& save, const std::string& path) {
  const std::string old_path = path + ".old-version", new_path = path + ".new-version";
  EXPECT_TRUE(save(0, old_path));
  EXPECT_TRUE(save(1, new_path));
  const std::string old_bytes = testsupport::ReadTextFile(old_path);
  const std::string new_bytes = testsupport::ReadTextFile(new_path);
  EXPECT_NE(old_bytes, new_bytes);
  std::mt19937 random(12);
  std::uniform_int_distribution<int> delay_us(0, 3000);
  int killed = 0;
  for (int round = 0; round < kKills; ++round) {
    testsupport::WriteTextFile(path, old_bytes);
    const pid_t child = ::fork();
    if (child == 0) ::_exit(save(1, path) ? 0 : 1);
    ::usleep(delay_us(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++killed;
    const std::string now = testsupport::ReadTextFile(path);
    EXPECT_TRUE(now == old_bytes || now == new_bytes) << "round " << round;
    platform::RemoveStaleTemporaries(path);
    savetest::ExpectNoTemporaries(std::filesystem::path(path).parent_path());
  }
  return killed;
}

class CrashSafeSave : public testing::TestWithParam<savetest::SavedKind> {};

TEST_P(CrashSafeSave, KilledSavesLeaveTheOldOrTheNewFile) {
  testsupport::TempDir dir;
  const std::string folder = dir.path() + "/saves";
  std::filesystem::create_directories(folder);
  EXPECT_GT(KillSavesAtRandom(GetParam().save, savetest::SavePathIn(GetParam(), folder)), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CrashSafeSave, testing::ValuesIn(savetest::SavedKinds()),
                         [](const auto& info) { return savetest::TestNameOf(info.param); });

}  // namespace
