// Saves on a disc that is full: a shim loaded with LD_PRELOAD makes every write
// to a regular file fail with ENOSPC. Each save must report the failure and
// leave the old file exactly as it was, with no temporary left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audiodb/AudioDbFile.h"
#include "platform/AtomicFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsGroups.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kShimSource = R"(
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>
ssize_t write(int fd, const void* data, size_t size) {
  static ssize_t (*real)(int, const void*, size_t);
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) { errno = ENOSPC; return -1; }
  if (!real) real = (ssize_t (*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  return real(fd, data, size);
}
)";

// The child side: saves into the file TW_FULL_DISC_SAVE names and exits 3 when
// the save reported failure, 0 when it claimed success.
TEST(CrashSafeWriteFail, ChildSave) {
  const char* path = std::getenv("TW_FULL_DISC_SAVE");
  if (path == nullptr) GTEST_SKIP() << "runs only as the child of the full-disc test";
  settings::SetAudioDefaults();
  const bool settings_saved = settings::Settings_Save(path);
  auto db = audiodb::AudioDb_Create();
  audiodb::AudioDb_AddName(*db, audiodb::kArtistList, "Someone");
  const bool db_saved =
      audiodb::AudioDb_Write(*db, std::string(path) + ".aub") == audiodb::kAudioDbOk;
  std::_Exit(settings_saved || db_saved ? 0 : 3);
}

TEST(CrashSafeWriteFail, FullDiscKeepsOldFilesAndReportsFailure) {
  if (!testsupport::HaveTool("cc")) GTEST_SKIP() << "no C compiler for the shim";
  testsupport::TempDir dir;
  testsupport::WriteTextFile(dir.File("shim.c"), kShimSource);
  ASSERT_EQ(testsupport::Run("cc -shared -fPIC -o " + dir.File("shim.so") + " " +
                             dir.File("shim.c") + " -ldl")
                .exit_code,
            0);
  const std::string target = dir.File("Tunewright.cfg");
  testsupport::WriteTextFile(target, "old settings\n");
  testsupport::WriteTextFile(target + ".aub", "old database\n");
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  const auto result = testsupport::Run(
      "TW_FULL_DISC_SAVE=" + testsupport::ShellQuote(target) +
      " LD_PRELOAD=" + dir.File("shim.so") + " ASAN_OPTIONS=verify_asan_link_order=0 " +
      testsupport::ShellQuote(self) + " --gtest_filter=CrashSafeWriteFail.ChildSave >/dev/null");
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(testsupport::ReadTextFile(target), "old settings\n");
  EXPECT_EQ(testsupport::ReadTextFile(target + ".aub"), "old database\n");
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(item.path().filename().string().find(".tw-tmp-"), std::string::npos) << item.path();
  }
}

}  // namespace
