// Replays the committed fuzz corpus, crash regressions included, through the
// same entry functions the fuzzers run, so the normal and sanitizer builds both
// check every input ever found interesting. An entry aborts on a broken check.
#define TW_FUZZ_REPLAY
#include "../../fuzz/targets/FuzzArgs.cpp"
#include "../../fuzz/targets/FuzzAudioDb.cpp"
#include "../../fuzz/targets/FuzzCdDrive.cpp"
#include "../../fuzz/targets/FuzzCdText.cpp"
#include "../../fuzz/targets/FuzzDecoders.cpp"
#include "../../fuzz/targets/FuzzFormats.cpp"
#include "../../fuzz/targets/FuzzId3.cpp"
#include "../../fuzz/targets/FuzzLyrics.cpp"
#include "../../fuzz/targets/FuzzPlaylists.cpp"
#include "../../fuzz/targets/FuzzPort.cpp"
#include "../../fuzz/targets/FuzzSettings.cpp"
#include "../../fuzz/targets/FuzzTags.cpp"
#include "../../fuzz/targets/FuzzToc.cpp"
// clang-format off
#include <gtest/gtest.h>
// clang-format on

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/TestSupport.h"

namespace {

using Entry = int (*)(const uint8_t* data, size_t size);

struct Target {
  const char* name;
  Entry entry;
};

const Target kTargets[] = {
    {"wave", FuzzWave},         {"8svx", FuzzIff8svx},       {"aiff", FuzzAiff},
    {"au", FuzzAu},             {"mpeg", FuzzMpeg},          {"ogg", FuzzOgg},
    {"flac", FuzzFlac},         {"opus", FuzzOpus},
    {"decoders", FuzzDecoders}, {"id3", FuzzId3},            {"toc", FuzzToc},
    {"cddrive", FuzzCdDrive},   {"settings", FuzzSettings},  {"playlists", FuzzPlaylists},
    {"cdtext", FuzzCdText},     {"args", FuzzArgs},          {"port", FuzzPort},
    {"audiodb", FuzzAudioDb},   {"lyrics", FuzzLyrics},      {"tags", FuzzTags},
};

class FuzzCorpusReplay : public testing::TestWithParam<Target> {};

TEST_P(FuzzCorpusReplay, EveryCorpusFileRunsCleanly) {
  const std::filesystem::path folder =
      std::filesystem::path(TW_TEST_SOURCE_DIR) / "fuzz" / "corpus" / GetParam().name;
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    if (item.is_regular_file()) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << folder;
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    const std::vector<uint8_t> bytes = testsupport::ReadBinaryFile(file.string());
    EXPECT_EQ(GetParam().entry(bytes.data(), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpusReplay, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
