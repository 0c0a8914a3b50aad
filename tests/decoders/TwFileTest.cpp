#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <thread>

#include "decoders/FileRamCache.h"
#include "decoders/TW_File.h"
#include "support/TestSupport.h"

using namespace decoders;
using testsupport::TempDir;
using testsupport::WriteBinaryFile;

namespace {

enum class Backend { kRam, kReadAhead, kStdio };

// Sets the FILE settings that select a back end for plain read opens.
void Select(Backend backend, uint32_t buffer_kb = 32) {
  settings::FileSettings block;
  block.buffer_size = buffer_kb;
  block.load_in_ram = backend == Backend::kRam;
  block.use_asyncio = backend == Backend::kReadAhead;
  TW_File_SetSettings(block);
}

class TwFile : public ::testing::Test {
 protected:
  void TearDown() override {
    Select(Backend::kReadAhead);
    TW_File_FreeCache();
  }
  TempDir dir_;
};

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = uint8_t(random());
  return bytes;
}

// The results of a fixed script of reads and seeks, as one text per step.
std::vector<std::string> RunScript(TW_File* file, int64_t size) {
  std::mt19937 random(7);
  std::vector<std::string> steps;
  std::vector<uint8_t> buffer(70000);
  int64_t here = 0;  // kept here: a RAM handle cannot report the position at its end
  for (int i = 0; i < 400; ++i) {
    const int kind = int(random() % 4);
    std::string step;
    if (kind < 2) {
      const auto n = int32_t(random() % buffer.size());
      const int32_t got = TW_File_Read(file, buffer.data(), n);
      step = "read " + std::to_string(got) + " ";
      if (got > 0) step.append(buffer.begin(), buffer.begin() + got);
      if (got > 0) here += got;
    } else {
      // From the start, or back or forward from the current position.
      const int64_t target = int64_t(random() % size);
      const bool relative = kind == 3;
      const int64_t before = relative ? TW_File_Seek(file, target - here, kSeekCurrent)
                                      : TW_File_Seek(file, target, kSeekStart);
      step = (relative ? "rel " : "seek ") + std::to_string(before);
      here = target;
    }
    steps.push_back(step);
  }
  return steps;
}

}  // namespace

TEST_F(TwFile, BufferSizeRule) {
  EXPECT_EQ(TW_File_EffectiveBufferSize(0, 32), 32768u);
  EXPECT_EQ(TW_File_EffectiveBufferSize(16384, 32), 16384u);
  EXPECT_EQ(TW_File_EffectiveBufferSize(1024, 8), 8192u);
  EXPECT_EQ(TW_File_EffectiveBufferSize(100000, 32), 32768u);
  EXPECT_EQ(TW_File_EffectiveBufferSize(0, 0), 32768u);
  EXPECT_EQ(TW_File_EffectiveBufferSize(0, 128), 131072u);  // the setting above 64 KB stands
}

TEST_F(TwFile, ThreeBackendsGiveTheSameBytes) {
  const std::string path = dir_.File("data.bin");
  const auto content = RandomBytes(300001, 1);
  WriteBinaryFile(path, content);
  std::vector<std::vector<std::string>> results;
  for (const Backend backend : {Backend::kRam, Backend::kReadAhead, Backend::kStdio}) {
    Select(backend, 4);
    FileHandle file(TW_File_Open(path, kFileRead, 0));
    ASSERT_TRUE(file);
    EXPECT_EQ(TW_File_Size(file.get()), int64_t(content.size()));
    std::vector<uint8_t> all(content.size());
    ASSERT_EQ(TW_File_Read(file.get(), all.data(), int32_t(all.size())), int32_t(all.size()));
    EXPECT_TRUE(all == content);
    ASSERT_EQ(TW_File_Seek(file.get(), 0, kSeekStart), int64_t(content.size()));
    results.push_back(RunScript(file.get(), int64_t(content.size())));
  }
  // At the very end a RAM read gives -1 where the streams give 0.
  for (size_t i = 0; i < results[0].size(); ++i) {
    if (results[0][i] == "read -1 " && results[1][i] == "read 0 ") results[0][i] = "read 0 ";
  }
  for (size_t i = 0; i < results[0].size(); ++i) {
    ASSERT_TRUE(results[0][i] == results[1][i]) << "step " << i;
    ASSERT_TRUE(results[1][i] == results[2][i]) << "step " << i;
  }
}

TEST_F(TwFile, RamCopyQuirks) {
  const std::string path = dir_.File("hundred.bin");
  const auto content = RandomBytes(100, 2);
  WriteBinaryFile(path, content);
  Select(Backend::kRam);
  FileHandle ram(TW_File_Open(path, kFileRead, 0));
  ASSERT_TRUE(ram);
  EXPECT_EQ(TW_File_Seek(ram.get(), 10, kSeekStart), 0);
  EXPECT_EQ(TW_File_Seek(ram.get(), 100, kSeekStart), -1);
  EXPECT_EQ(TW_File_Seek(ram.get(), 0, kSeekEnd), 10);
  uint8_t byte = 0;
  EXPECT_EQ(TW_File_Read(ram.get(), &byte, 1), 1);
  EXPECT_EQ(byte, content[99]);
  EXPECT_EQ(TW_File_Read(ram.get(), &byte, 1), -1);
  EXPECT_EQ(TW_File_Seek(ram.get(), -101, kSeekCurrent), -1);
  EXPECT_EQ(TW_File_Seek(ram.get(), 7, 5), -1);
  EXPECT_EQ(TW_File_Write(ram.get(), &byte, 1), -1);
  EXPECT_EQ(TW_File_Read(ram.get(), &byte, -5), -1);

  // The streams end at the end of the file and may seek past it.
  for (const Backend backend : {Backend::kReadAhead, Backend::kStdio}) {
    Select(backend);
    FileHandle file(TW_File_Open(path, kFileRead, 0));
    ASSERT_TRUE(file);
    EXPECT_EQ(TW_File_Seek(file.get(), 0, kSeekEnd), 0);
    EXPECT_EQ(TW_File_Read(file.get(), &byte, 1), 0);
    EXPECT_EQ(TW_File_Seek(file.get(), 500, kSeekStart), 100);
    EXPECT_EQ(TW_File_Read(file.get(), &byte, 1), 0);
    EXPECT_EQ(TW_File_Seek(file.get(), -1000, kSeekCurrent), -1);
  }
  EXPECT_EQ(TW_File_Read(nullptr, &byte, 1), -1);
  EXPECT_EQ(TW_File_Write(nullptr, &byte, 1), -1);
  EXPECT_EQ(TW_File_Seek(nullptr, 0, kSeekStart), -1);
  EXPECT_EQ(TW_File_Size(nullptr), -1);
}

TEST_F(TwFile, RamCacheIsSharedAndFollowsTheFileOnDisk) {
  const std::string a = dir_.File("a.bin"), b = dir_.File("b.bin");
  WriteBinaryFile(a, RandomBytes(5000, 3));
  WriteBinaryFile(b, RandomBytes(6000, 4));
  Select(Backend::kRam);
  const uint64_t loads = RamCache_State().loads;
  {
    FileHandle one(TW_File_Open(a, kFileRead, 0)), two(TW_File_Open(a, kFileRead, 0));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(RamCache_State().loads, loads + 1);
    EXPECT_EQ(RamCache_State().use_count, 2);
    EXPECT_EQ(RamCache_State().name, a);
  }
  EXPECT_EQ(RamCache_State().use_count, 0);
  EXPECT_EQ(RamCache_State().name, a);  // kept for the next open

  // Changed on disk (another size): read again, whatever the name says.
  const auto changed = RandomBytes(4000, 5);
  WriteBinaryFile(a, changed);
  {
    FileHandle file(TW_File_Open(a, kFileRead, 0));
    ASSERT_TRUE(file);
    EXPECT_EQ(TW_File_Size(file.get()), 4000);
    std::vector<uint8_t> got(4000);
    EXPECT_EQ(TW_File_Read(file.get(), got.data(), 4000), 4000);
    EXPECT_TRUE(got == changed);
    EXPECT_EQ(RamCache_State().loads, loads + 2);
    // A handle on another file while this one is in use gets a private copy.
    FileHandle other(TW_File_Open(b, kFileRead, 0));
    ASSERT_TRUE(other);
    EXPECT_EQ(RamCache_State().name, a);
  }
  // A write through the file layer drops the copy; the next read sees the new bytes.
  {
    FileHandle writer(TW_File_Open(a, kFileUpdate, 2048));
    ASSERT_TRUE(writer);
    EXPECT_EQ(RamCache_State().name, "");
    const uint8_t marker[4] = {1, 2, 3, 4};
    EXPECT_EQ(TW_File_Write(writer.get(), marker, 4), 4);
  }
  {
    FileHandle file(TW_File_Open(a, kFileRead, 0));
    uint8_t head[4] = {};
    ASSERT_EQ(TW_File_Read(file.get(), head, 4), 4);
    EXPECT_EQ(head[3], 4);
  }
  // An open with load-in-RAM off frees an unused copy; so does registry shutdown.
  Select(Backend::kStdio);
  FileHandle plain(TW_File_Open(b, kFileRead, 0));
  EXPECT_EQ(RamCache_State().name, "");
}

TEST_F(TwFile, RamOpensFromTwoThreadsAtOnce) {
  const std::string a = dir_.File("a.bin"), b = dir_.File("b.bin");
  const auto content_a = RandomBytes(20000, 6), content_b = RandomBytes(30000, 7);
  WriteBinaryFile(a, content_a);
  WriteBinaryFile(b, content_b);
  Select(Backend::kRam);
  auto worker = [&](int seed) {
    for (int i = 0; i < 300; ++i) {
      const bool first = (i + seed) % 3 != 0;
      const auto& expected = first ? content_a : content_b;
      FileHandle file(TW_File_Open(first ? a : b, kFileRead, 0));
      ASSERT_TRUE(file);
      std::vector<uint8_t> got(expected.size());
      ASSERT_EQ(TW_File_Read(file.get(), got.data(), int32_t(got.size())), int32_t(got.size()));
      ASSERT_TRUE(got == expected);
    }
  };
  std::thread main_task(worker, 0), audio_task(worker, 1);
  main_task.join();
  audio_task.join();
}

TEST_F(TwFile, MissingTruncatedAndVanishedFilesAreErrors) {
  const std::string missing = dir_.File("missing.bin");
  for (const Backend backend : {Backend::kRam, Backend::kReadAhead, Backend::kStdio}) {
    Select(backend);
    EXPECT_EQ(TW_File_Open(missing, kFileRead, 0), nullptr);
    EXPECT_EQ(TW_File_Open(missing, kFileAppend, 0), nullptr);
    EXPECT_EQ(TW_File_Open(missing, kFileUpdate, 0), nullptr);
    EXPECT_EQ(TW_File_Open(dir_.path(), kFileRead, 0), nullptr);  // a folder
  }
  {
    FileHandle created(TW_File_Open(missing, kFileWrite, 0));
    ASSERT_TRUE(created);
    EXPECT_EQ(TW_File_Write(created.get(), "xyz", 3), 3);
  }
  EXPECT_EQ(std::filesystem::file_size(missing), 3u);

  const std::string path = dir_.File("shrinks.bin");
  for (const Backend backend : {Backend::kRam, Backend::kReadAhead, Backend::kStdio}) {
    WriteBinaryFile(path, RandomBytes(4000000, 8));
    Select(backend, 4);
    FileHandle file(TW_File_Open(path, kFileRead, 0));
    ASSERT_TRUE(file);
    ASSERT_EQ(::truncate(path.c_str(), 1000), 0);
    std::vector<uint8_t> buffer(4096);
    int64_t total = 0;
    for (int32_t got; (got = TW_File_Read(file.get(), buffer.data(), 4096)) > 0;) total += got;
    // The RAM copy was taken before the cut; the streams see the cut, after
    // whatever was read ahead.
    if (backend == Backend::kRam) {
      EXPECT_EQ(total, 4000000);
    } else {
      EXPECT_GE(total, 1000);
      EXPECT_LE(total, 1000000);
    }
    ::unlink(path.c_str());
    EXPECT_LE(TW_File_Read(file.get(), buffer.data(), 4096), 0);
    EXPECT_EQ(TW_File_Open(path, kFileRead, 0), nullptr);
  }
}

TEST_F(TwFile, OffsetsBeyondFourGigabytes) {
  const std::string path = dir_.File("sparse.bin");
  const int64_t size = (int64_t(5) << 30) + 10;
  {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ASSERT_EQ(::pwrite(fd, "marker", 6, size - 6), 6);
    ::close(fd);
  }
  for (const Backend backend : {Backend::kReadAhead, Backend::kStdio}) {
    Select(backend);
    FileHandle file(TW_File_Open(path, kFileRead | kFileNoRam, 0));
    ASSERT_TRUE(file);
    EXPECT_EQ(TW_File_Size(file.get()), size);
    EXPECT_EQ(TW_File_Seek(file.get(), -6, kSeekEnd), 0);
    char text[7] = {};
    EXPECT_EQ(TW_File_Read(file.get(), text, 6), 6);
    EXPECT_STREQ(text, "marker");
    EXPECT_EQ(TW_File_Seek(file.get(), 0, kSeekStart), size);
  }
}
