#include "CdImages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "cdda/CdCommandLine.h"
#include "cdda/Cdda.h"
#include "cdda/DiscKey.h"
#include "decoders/Decoders.h"
#include "settings/SettingsGroups.h"

namespace cdtest {
namespace {

constexpr size_t kSector = 2352;

std::vector<uint8_t> SoxTrack(const testsupport::TempDir& dir, int index, double seconds) {
  const std::string wav = dir.File("t" + std::to_string(index) + ".wav");
  const std::string raw = dir.File("t" + std::to_string(index) + ".raw");
  char synth[160];
  std::snprintf(synth, sizeof synth, "synth %.3f sine %d sine %d", seconds, 300 + 37 * index,
                500 + 53 * index);
  testsupport::Run("sox -D -n -r 44100 -c 2 -b 16 " + testsupport::ShellQuote(wav) + " " + synth);
  testsupport::Run("sox -D " + testsupport::ShellQuote(wav) + " -t raw -e signed -b 16 -L " +
                   testsupport::ShellQuote(raw));
  std::vector<uint8_t> bytes = testsupport::ReadBinaryFile(raw);
  bytes.resize((bytes.size() + kSector - 1) / kSector * kSector, 0);
  return bytes;
}

std::vector<uint8_t> Noise(uint32_t sectors, int seed) {
  std::vector<uint8_t> bytes(sectors * kSector);
  std::mt19937 random(static_cast<unsigned>(seed));
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

std::string Msf(uint32_t sector) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", sector / 4500, sector / 75 % 60, sector % 75);
  return text;
}

}  // namespace

DiscImage MakeDisc(const testsupport::TempDir& dir, const std::string& name,
                   const std::vector<TrackSpec>& tracks, bool motorola) {
  DiscImage disc;
  disc.bin = dir.File(name + ".bin");
  disc.cue = dir.File(name + ".cue");
  std::vector<uint8_t> bin;
  std::string cue = "FILE \"" + name + ".bin\" " + (motorola ? "MOTOROLA" : "BINARY") + "\n";
  for (size_t i = 0; i < tracks.size(); ++i) {
    const TrackSpec& spec = tracks[i];
    std::vector<uint8_t> bytes =
        spec.audio ? SoxTrack(dir, int(i), spec.seconds) : Noise(spec.sectors, int(i));
    disc.starts.push_back(uint32_t(bin.size() / kSector));
    disc.audio.push_back(spec.audio);
    char line[64];
    std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 ", i + 1,
                  spec.audio ? "AUDIO" : "MODE1/2352");
    cue += line + Msf(disc.starts.back()) + "\n";
    disc.track_bytes.push_back(bytes);
    if (motorola && spec.audio)
      for (size_t k = 0; k + 1 < bytes.size(); k += 2) std::swap(bytes[k], bytes[k + 1]);
    bin.insert(bin.end(), bytes.begin(), bytes.end());
  }
  disc.leadout = uint32_t(bin.size() / kSector);
  testsupport::WriteBinaryFile(disc.bin, bin);
  testsupport::WriteTextFile(disc.cue, cue);
  return disc;
}

std::vector<TrackSpec> AudioTracks(int n, double seconds) {
  std::vector<TrackSpec> tracks;
  for (int i = 0; i < n; ++i) tracks.push_back({true, seconds + 0.013 * i, 0});
  return tracks;
}

std::string ExpectedKey(const DiscImage& disc) {
  const size_t third = std::min<size_t>(3, disc.starts.size()) - 1;
  char key[32];
  std::snprintf(key, sizeof key, "ID%02zu%06X%06X", disc.starts.size(), disc.starts[third],
                disc.leadout);
  return key;
}

void UseDrive(const std::string& device, const std::string& titles_folder, bool notify) {
  settings::CddaSettings config;
  config.device = device;
  config.cd_titles = titles_folder;
  config.notify_changes = notify ? 1 : 0;
  settings::Cdda().Apply(config);
  cdda::CDDA_UseDriveForThisRun("");
}

std::vector<uint8_t> DecodeWhole(const std::string& path) {
  decoders::TrackInfo track;
  track.path = path;
  const uint8_t header[4] = {};
  std::vector<uint8_t> out;
  if (!decoders::kCddaDecoder.probe(nullptr, header, 0, &track) || !track.open(&track)) return out;
  track.seek(0.0);
  std::vector<int16_t> left(8192), right(8192);
  for (int32_t n; (n = track.decode(left.data(), right.data(), 8192, 0.1)) > 0;) {
    for (int32_t i = 0; i < n; ++i) {
      for (int16_t s : {left[size_t(i)], right[size_t(i)]}) {
        out.push_back(uint8_t(uint16_t(s) & 0xFF));
        out.push_back(uint8_t(uint16_t(s) >> 8));
      }
    }
  }
  track.close();
  return out;
}

std::vector<uint8_t> WaveData(const std::string& path) {
  const std::vector<uint8_t> file = testsupport::ReadBinaryFile(path);
  for (size_t at = 12; at + 8 <= file.size();) {
    uint32_t size;
    std::memcpy(&size, &file[at + 4], 4);
    if (std::memcmp(&file[at], "data", 4) == 0)
      return {file.begin() + long(at + 8),
              file.begin() + long(std::min(file.size(), at + 8 + size))};
    at += 8 + size + (size & 1);
  }
  return {};
}

}  // namespace cdtest
