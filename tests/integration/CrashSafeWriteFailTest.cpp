// Saves on a disc that fails: a shim loaded with LD_PRELOAD fails one chosen
// write, sync or rename of a regular file with ENOSPC, the first, then the
// second, and so on until a save gets through untouched. Each failed save must
// report the failure and leave the old file exactly as it was, with no
// temporary left behind; the save that got through must leave the new file.
// A save onto a real 64 KiB tmpfs, where one may be mounted, must fail the same way.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "SavedFiles.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kShimSource = R"(
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* True for a regular file inside TW_FAIL_FOLDER. */
static int in_folder(const char* path, const struct stat* st) {
  const char* folder = getenv("TW_FAIL_FOLDER");
  return S_ISREG(st->st_mode) && folder && strncmp(path, folder, strlen(folder)) == 0;
}
static int regular_fd(int fd) {
  char link[64], path[4096];
  struct stat st;
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n < 0 || fstat(fd, &st) != 0) return 0;
  path[n] = 0;
  return in_folder(path, &st);
}

/* True when this call is the one chosen by TW_FAIL_AT; TW_FAIL_MARK is created then. */
static int chosen(int counted) {
  static long calls;
  if (!counted) return 0;
  const char* at = getenv("TW_FAIL_AT");
  if (!at || ++calls != atol(at)) return 0;
  const char* mark = getenv("TW_FAIL_MARK");
  if (mark) { FILE* f = fopen(mark, "w"); if (f) fclose(f); }
  errno = ENOSPC;
  return 1;
}
#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

ssize_t write(int fd, const void* data, size_t size) {
  return chosen(regular_fd(fd)) ? -1 : NEXT(write)(fd, data, size);
}
ssize_t pwrite(int fd, const void* data, size_t size, off_t at) {
  return chosen(regular_fd(fd)) ? -1 : NEXT(pwrite)(fd, data, size, at);
}
ssize_t pwrite64(int fd, const void* data, size_t size, off_t at) {
  return chosen(regular_fd(fd)) ? -1 : NEXT(pwrite64)(fd, data, size, at);
}
int fsync(int fd) { return chosen(regular_fd(fd)) ? -1 : NEXT(fsync)(fd); }
int fdatasync(int fd) { return chosen(regular_fd(fd)) ? -1 : NEXT(fdatasync)(fd); }
int rename(const char* from, const char* to) {
  struct stat st;
  return chosen(stat(from, &st) == 0 && in_folder(to, &st)) ? -1 : NEXT(rename)(from, to);
}
)";

constexpr int kExitSaved = 0;
constexpr int kExitReported = 3;

// The child side: saves the new version of TW_SAVE_KIND onto TW_SAVE_PATH.
TEST(SaveChild, SavesTheNewVersion) {
  const char* path = std::getenv("TW_SAVE_PATH");
  const char* kind = std::getenv("TW_SAVE_KIND");
  if (path == nullptr || kind == nullptr) GTEST_SKIP() << "runs only as a child of the tests below";
  std::_Exit(savetest::SavedKindNamed(kind).save(1, path) ? kExitSaved : kExitReported);
}

std::string SelfProgram() { return std::filesystem::read_symlink("/proc/self/exe"); }

std::string ChildCommand(const std::string& kind, const std::string& path) {
  return "TW_SAVE_KIND=" + kind + " TW_SAVE_PATH=" + testsupport::ShellQuote(path) + " " +
         testsupport::ShellQuote(SelfProgram()) +
         " --gtest_filter=SaveChild.SavesTheNewVersion >/dev/null 2>&1";
}

// The file the child saves, and its old and new versions made beside it.
struct SaveCase {
  std::string folder, path, old_bytes, new_bytes;
};

SaveCase PrepareSave(const testsupport::TempDir& dir, const savetest::SavedKind& kind,
                     const std::string& folder) {
  SaveCase save;
  save.folder = folder;
  std::filesystem::create_directories(folder);
  save.path = savetest::SavePathIn(kind, folder);
  const std::string old_path = dir.File("old-version"), new_path = dir.File("new-version");
  std::filesystem::remove(old_path);
  std::filesystem::remove(new_path);
  EXPECT_TRUE(kind.save(0, old_path));
  EXPECT_TRUE(kind.save(1, new_path));
  save.old_bytes = testsupport::ReadTextFile(old_path);
  save.new_bytes = testsupport::ReadTextFile(new_path);
  return save;
}

class CrashSafeWriteFail : public testing::TestWithParam<savetest::SavedKind> {};

TEST_P(CrashSafeWriteFail, EachFailingCallKeepsTheOldFileAndIsReported) {
  TW_REQUIRE_TOOLS("cc");
  testsupport::TempDir dir;
  testsupport::WriteTextFile(dir.File("shim.c"), kShimSource);
  ASSERT_EQ(testsupport::Run("cc -shared -fPIC -o " + dir.File("shim.so") + " " +
                             dir.File("shim.c") + " -ldl")
                .exit_code,
            0);
  const SaveCase save = PrepareSave(dir, GetParam(), dir.File("saves"));
  const std::string mark = dir.File("failed-here");
  bool got_through = false;
  for (int call = 1; call <= 200 && !got_through; ++call) {
    SCOPED_TRACE("failing call " + std::to_string(call));
    testsupport::WriteTextFile(save.path, save.old_bytes);
    std::filesystem::remove(mark);
    const int exit_code =
        testsupport::Run("TW_FAIL_AT=" + std::to_string(call) + " TW_FAIL_MARK=" + mark +
                         " TW_FAIL_FOLDER=" + save.folder +
                         " LD_PRELOAD=" + dir.File("shim.so") +
                         " ASAN_OPTIONS=verify_asan_link_order=0 " +
                         ChildCommand(GetParam().name, save.path))
            .exit_code;
    got_through = !std::filesystem::exists(mark);
    if (got_through) {
      EXPECT_EQ(exit_code, kExitSaved);
      EXPECT_TRUE(testsupport::ReadTextFile(save.path) == save.new_bytes) << "not the new file";
    } else {
      EXPECT_EQ(exit_code, kExitReported) << "a failed save claimed success";
      EXPECT_TRUE(testsupport::ReadTextFile(save.path) == save.old_bytes) << "old file changed";
    }
    savetest::ExpectNoTemporaries(save.folder);
  }
  EXPECT_TRUE(got_through) << "the save never finished";
}

TEST_P(CrashSafeWriteFail, FullSmallDiscKeepsTheOldFileAndIsReported) {
  testsupport::TempDir dir;
  const std::string disc = dir.File("disc");
  std::filesystem::create_directories(disc);
  if (::mount("tmpfs", disc.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  const SaveCase save = PrepareSave(dir, GetParam(), disc + "/saves");
  testsupport::WriteTextFile(save.path, save.old_bytes);
  ASSERT_TRUE(testsupport::ReadTextFile(save.path) == save.old_bytes) << "the old file must fit";
  // Fill the disc to the last byte, so every new block is refused.
  testsupport::Run("dd if=/dev/zero of=" + disc + "/filler bs=1k count=64 2>/dev/null");
  testsupport::Run("dd if=/dev/zero of=" + disc + "/filler2 bs=1 count=4096 2>/dev/null");
  const int exit_code = testsupport::Run(ChildCommand(GetParam().name, save.path)).exit_code;
  const std::string now = testsupport::ReadTextFile(save.path);
  if (exit_code == kExitSaved) {
    EXPECT_TRUE(now == save.new_bytes) << "not the new file";  // it fitted in blocks it held
  } else {
    EXPECT_EQ(exit_code, kExitReported);
    EXPECT_TRUE(now == save.old_bytes) << "old file changed";
  }
  savetest::ExpectNoTemporaries(save.folder);
  ::umount2(disc.c_str(), MNT_DETACH);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CrashSafeWriteFail, testing::ValuesIn(savetest::SavedKinds()),
                         [](const auto& info) { return savetest::TestNameOf(info.param); });

}  // namespace
