// Reading speed of the database and lyrics files, and the cost of following the
// play time through a long lyric list. Files are made in memory, so the numbers
// measure parsing alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "audiodb/AudioDbFile.h"
#include "karaoke/Lrc.h"
#include "karaoke/LyricsFile.h"

namespace {

std::string DatabaseText(int titles) {
  std::string text = "[GENRE]\n";
  for (int i = 1; i <= 50; ++i) text += std::to_string(i) + "=Genre " + std::to_string(i) + "\n";
  text += "[ARTIST]\n";
  for (int i = 1; i <= titles / 10; ++i)
    text += std::to_string(i) + "=Artist " + std::to_string(i) + "\n";
  text += "[ALBUM]\n[TITLE]\n";
  for (int i = 0; i < titles; ++i) {
    text += std::to_string(i % 50 + 1) + " " + std::to_string(i / 10 + 1) + " 0 \"Title " +
            std::to_string(i) + "\" \"/music/" + std::to_string(i) + ".ogg\" 215 \"\" 1999\n";
  }
  return text;
}

std::string LrcText(int lines) {
  std::string text = "[ar:Artist]\n[offset:+100]\n";
  char stamp[32];
  for (int i = 0; i < lines; ++i) {
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d.%02d]", i / 600, i / 10 % 60, i % 10 * 10);
    text += std::string(stamp) + "words of line " + std::to_string(i) + "\n";
  }
  return text;
}

template <typename Read>
void ReadAll(benchmark::State& state, std::string text, Read read) {
  for (auto _ : state) {
    std::FILE* stream = ::fmemopen(text.data(), text.size(), "rb");
    benchmark::DoNotOptimize(read(stream));
    std::fclose(stream);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_DatabaseRead(benchmark::State& state) {
  ReadAll(state, DatabaseText(static_cast<int>(state.range(0))), [](std::FILE* stream) {
    auto db = audiodb::AudioDb_Create();
    return audiodb::AudioDb_ReadStream(*db, stream, audiodb::kMaxNameSlots);
  });
}
BENCHMARK(BM_DatabaseRead)->Arg(1000)->Arg(50000);

void BM_LrcRead(benchmark::State& state) {
  ReadAll(state, LrcText(static_cast<int>(state.range(0))), karaoke::Lrc_ReadStream);
}
BENCHMARK(BM_LrcRead)->Arg(10000);

void BM_KokRead(benchmark::State& state) {
  std::string lrc = LrcText(static_cast<int>(state.range(0)));
  std::FILE* stream = ::fmemopen(lrc.data(), lrc.size(), "rb");
  const std::string kok = karaoke::Lyrics_Format(*karaoke::Lrc_ReadStream(stream));
  std::fclose(stream);
  ReadAll(state, kok, karaoke::Lyrics_ReadStream);
}
BENCHMARK(BM_KokRead)->Arg(10000);

// The display's pattern: one seek, then one advance per line as the song plays.
void BM_FollowPlayTime(benchmark::State& state) {
  karaoke::LyricsList list;
  for (int i = 0; i < state.range(0); ++i) karaoke::Lyrics_Append(list, i * 1000, "line");
  for (auto _ : state) {
    karaoke::Lyrics_Seek(&list, 0);
    while (karaoke::Lyrics_Advance(&list))
      benchmark::DoNotOptimize(karaoke::Lyrics_CurrentText(&list));
  }
}
BENCHMARK(BM_FollowPlayTime)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
