// Each codec module against its bare library on the same file: what the
// adapters (file layer, de-interleaving, frame queue, block bounds) cost per
// second of sound.
#include <FLAC/stream_decoder.h>
#include <benchmark/benchmark.h>
#include <mpg123.h>
#include <opusfile.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "decoders/Decoders.h"
#include "decoders/TW_File.h"

namespace {

constexpr int32_t kMaxFrames = 8192;

// Sound files made once per run with the real encoders.
struct Files {
  std::string folder =
      std::filesystem::temp_directory_path() / ("tw-bench-codecs-" + std::to_string(::getpid()));
  std::string mp3 = folder + "/bench.mp3";
  std::string ogg = folder + "/bench.ogg";
  std::string flac = folder + "/bench.flac";
  std::string opus = folder + "/bench.opus";
  Files() {
    std::filesystem::create_directories(folder);
    const std::string wav = folder + "/bench.wav";
    const std::string command =
        "sox -n -r 44100 -c 2 -b 16 " + wav + " synth 30 sine 200-4000 sine 660 vol 0.8 && " +
        "lame --quiet -b 192 " + wav + " " + mp3 + " && oggenc -Q -o " + ogg + " " + wav +
        " && flac -s -o " + flac + " " + wav + " && opusenc --quiet " + wav + " " + opus;
    if (std::system(command.c_str()) != 0) std::abort();
  }
  ~Files() { std::filesystem::remove_all(folder); }
};

const Files& BenchFiles() {
  static const Files files;
  return files;
}

decoders::TrackPtr Probe(const decoders::DecoderClass& module, const std::string& path) {
  module.init();
  auto track = std::make_unique<decoders::TrackInfo>();
  if (!bench::ProbeWith(module, path, track.get())) std::abort();
  return track;
}

void PlayThroughModule(benchmark::State& state, const decoders::DecoderClass& module,
                       const std::string& path) {
  decoders::TrackPtr track = Probe(module, path);
  std::vector<int16_t> left(kMaxFrames), right(kMaxFrames);
  int64_t frames = 0;
  for (auto _ : state) {
    track->open(track.get());
    track->seek(0.0);
    while (const int32_t got = track->decode(left.data(), right.data(), kMaxFrames, 0.1)) {
      if (got < 0) break;
      frames += got;
    }
    track->close();
  }
  state.SetItemsProcessed(frames);
}

void BM_MpegModule(benchmark::State& state) {
  PlayThroughModule(state, decoders::kMpegDecoder, BenchFiles().mp3);
}

void BM_MpegBareLibrary(benchmark::State& state) {
  std::vector<unsigned char> buffer(kMaxFrames * 4);
  int64_t frames = 0;
  mpg123_init();
  for (auto _ : state) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_open(handle, BenchFiles().mp3.c_str());
    size_t done = 0;
    int code = MPG123_OK;
    while (code == MPG123_OK || code == MPG123_NEW_FORMAT) {
      code = mpg123_read(handle, buffer.data(), 4410 * 4, &done);
      frames += static_cast<int64_t>(done / 4);
    }
    mpg123_delete(handle);
  }
  state.SetItemsProcessed(frames);
}

void BM_OggModule(benchmark::State& state) {
  PlayThroughModule(state, decoders::kOggDecoder, BenchFiles().ogg);
}

void BM_OggBareLibrary(benchmark::State& state) {
  std::vector<char> buffer(kMaxFrames * 4);
  int64_t frames = 0;
  for (auto _ : state) {
    OggVorbis_File file;
    ov_fopen(BenchFiles().ogg.c_str(), &file);
    int link = 0;
    long got = 0;
    while ((got = ov_read(&file, buffer.data(), 4410 * 4, 0, 2, 1, &link)) > 0) frames += got / 4;
    ov_clear(&file);
  }
  state.SetItemsProcessed(frames);
}

void BM_FlacModule(benchmark::State& state) {
  PlayThroughModule(state, decoders::kFlacDecoder, BenchFiles().flac);
}

// What any program does with libFLAC: interleave each frame to 16-bit samples.
FLAC__StreamDecoderWriteStatus Interleave(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                          const FLAC__int32* const buffer[], void* client) {
  auto& out = *static_cast<std::vector<int16_t>*>(client);
  out.resize(frame->header.blocksize * 2);
  for (uint32_t i = 0; i < frame->header.blocksize; ++i) {
    out[2 * i] = int16_t(buffer[0][i]);
    out[2 * i + 1] = int16_t(buffer[1][i]);
  }
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void Ignore(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

void BM_FlacBareLibrary(benchmark::State& state) {
  std::vector<int16_t> out;
  for (auto _ : state) {
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    FLAC__stream_decoder_init_file(decoder, BenchFiles().flac.c_str(), Interleave, nullptr, Ignore,
                                   &out);
    FLAC__stream_decoder_process_until_end_of_stream(decoder);
    FLAC__stream_decoder_delete(decoder);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 30 * 44100);
}

void BM_OpusModule(benchmark::State& state) {
  PlayThroughModule(state, decoders::kOpusDecoder, BenchFiles().opus);
}

void BM_OpusBareLibrary(benchmark::State& state) {
  std::vector<opus_int16> buffer(kMaxFrames * 2);
  int64_t frames = 0;
  for (auto _ : state) {
    OggOpusFile* file = op_open_file(BenchFiles().opus.c_str(), nullptr);
    op_set_dither_enabled(file, 0);
    int got = 0;
    while ((got = op_read(file, buffer.data(), int(buffer.size()), nullptr)) > 0) frames += got;
    op_free(file);
  }
  state.SetItemsProcessed(frames);
}

BENCHMARK(BM_MpegModule)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpegBareLibrary)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggModule)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggBareLibrary)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlacModule)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlacBareLibrary)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpusModule)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpusBareLibrary)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);


}  // namespace

BENCHMARK_MAIN();
