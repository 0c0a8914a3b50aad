#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/TextLines.h"
#include "platform/Utf8.h"
#include "support/TestSupport.h"

using testsupport::ReadTextFile;
using testsupport::TempDir;
using testsupport::WriteTextFile;

namespace {

size_t CountEntries(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// Saves in a child whose file-size limit is below the new contents, as a full
// disk would refuse them; returns the child's verdict.
bool SaveWithSizeLimit(const std::string& path, const std::string& contents, rlim_t limit) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    ::_exit(platform::WriteFileAtomically(path, contents) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(AtomicFile, ReplacesWholeFileAndLeavesNoTemporary) {
  TempDir dir;
  const std::string path = dir.File("a.cfg");
  WriteTextFile(path, "old");
  ASSERT_TRUE(platform::WriteFileAtomically(path, "new contents"));
  EXPECT_EQ(ReadTextFile(path), "new contents");
  EXPECT_EQ(CountEntries(dir.path()), 1u);
}

TEST(AtomicFile, FailedSaveKeepsOldFileByteForByte) {
  TempDir dir;
  const std::string path = dir.File("a.cfg");
  WriteTextFile(path, "old contents");
  EXPECT_FALSE(SaveWithSizeLimit(path, std::string(200000, 'x'), 4096));
  EXPECT_EQ(ReadTextFile(path), "old contents");
  EXPECT_EQ(CountEntries(dir.path()), 1u);
}

TEST(AtomicFile, StaleTemporariesAreRemoved) {
  TempDir dir;
  const std::string path = dir.File("list.plst");
  WriteTextFile(path + ".tw-tmp-AbC123", "half");
  WriteTextFile(dir.File("other.tw-tmp-AbC123"), "not ours");
  platform::RemoveStaleTemporaries(path);
  EXPECT_FALSE(std::filesystem::exists(path + ".tw-tmp-AbC123"));
  EXPECT_TRUE(std::filesystem::exists(dir.File("other.tw-tmp-AbC123")));
}

TEST(TextLines, LongLinesAreReadWhole) {
  TempDir dir;
  const std::string long_line(5000, 'a');
  WriteTextFile(dir.File("t.txt"), long_line + "\nshort\r\nlast");
  platform::TextFile file(dir.File("t.txt"));
  std::string line;
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line, long_line);
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line, "short\r");
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(file.ReadLine(line));
}

TEST(Utf8, CutsAtCharacterBoundaries) {
  char field[6];
  platform::CopyField(field, "ab\xC3\xA9\xC3\xA9");  // "abéé" is 6 bytes: keeps "abé"
  EXPECT_STREQ(field, "ab\xC3\xA9");
  EXPECT_EQ(platform::Latin1ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(platform::Utf8ToLatin1("\xC3\xA9\xE2\x82\xAC!"), "\xE9?!");
}
