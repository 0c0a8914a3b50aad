#include <sys/stat.h>

#include <array>
#include <span>
#include <vector>

#include "decoders/Decoders.h"
#include "decoders/TW_File.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

// Description table order; callers list formats by index, so new modules go last.
constexpr std::array<const DecoderClass*, 9> kModules = {
    &kIff8svxDecoder, &kAiffDecoder, &kAuDecoder,   &kWaveDecoder, &kMpegDecoder,
    &kCddaDecoder,    &kOggDecoder,  &kFlacDecoder, &kOpusDecoder,
};

// Probe order: the modules that know their format by a magic number (the Ogg
// ones by the codec of the first packet) first; MPEG last, because its library
// accepts almost any byte stream.
constexpr std::array<const DecoderClass*, 8> kProbeOrder = {
    &kIff8svxDecoder, &kAiffDecoder, &kAuDecoder,   &kWaveDecoder,
    &kFlacDecoder,    &kOggDecoder,  &kOpusDecoder, &kMpegDecoder,
};

// Shutdown order.
constexpr std::array<const DecoderClass*, 9> kExitOrder = {
    &kCddaDecoder,    &kMpegDecoder, &kWaveDecoder, &kAuDecoder,   &kAiffDecoder,
    &kIff8svxDecoder, &kOggDecoder,  &kFlacDecoder, &kOpusDecoder,
};

std::array<const char*, 9> g_descriptions{};
bool g_started = false;
thread_local std::string g_last_unsupported;

// True when a probe recognised its format in the file but refused it; the note stays.
bool RecognisedAndRefused() {
  std::string note = Probe_TakeUnsupported();
  const bool noted = !note.empty();
  if (noted) Probe_NoteUnsupported(std::move(note));
  return noted;
}

// MPEG's loose frame scan is not offered a file another module recognised and
// refused: it would find frames in its samples and play them as noise.
bool ProbeAny(std::span<const DecoderClass* const> modules, TW_File* file, const uint8_t* header,
              size_t size, TrackInfo* track) {
  for (const DecoderClass* module : modules) {
    if (module == &kMpegDecoder && RecognisedAndRefused()) return false;
    if (module->probe && module->probe(file, header, size, track)) return true;
  }
  return false;
}

void CopyFileFacts(const std::string& path, TrackInfo* track) {
  struct stat info{};
  if (::stat(path.c_str(), &info) != 0) return;  // the probe already read it; keep size 0
  // Linux keeps no file comment; the size is the file system's.
  track->file_size = static_cast<uint32_t>(info.st_size);
}

}  // namespace

int Decoders_Init() {
  for (size_t i = 0; i < kModules.size(); ++i) {
    const char* text = kModules[i]->init ? kModules[i]->init() : nullptr;
    if (!text) return 0;
    g_descriptions[i] = text;
  }
  g_started = true;
  return 1;
}

void Decoders_Exit() {
  for (const DecoderClass* module : kExitOrder) {
    if (module->exit) module->exit();
  }
  TW_File_FreeCache();
  g_descriptions = {};
  g_started = false;
}

const char* Decoders_GetDescription(int index) {
  if (!g_started || index < 0 || index >= static_cast<int>(g_descriptions.size())) return nullptr;
  return g_descriptions[static_cast<size_t>(index)];
}

namespace {

// Offers the file's first bytes to the given modules in turn.
TrackPtr ProbeFile(const std::string& path, std::span<const DecoderClass* const> modules) {
  auto track = std::make_unique<TrackInfo>();
  track->path = path;
  std::vector<uint8_t> header(kHeaderSize, 0);

  FileHandle file(TW_File_Open(path, kFileRead | kFileNoRam, static_cast<int32_t>(kHeaderSize)));
  if (!file) {
    // Not a readable file: only a CD pseudo-path can still be a track.
    if (kCddaDecoder.probe && kCddaDecoder.probe(nullptr, header.data(), 0, track.get()))
      return track;
    return nullptr;
  }
  CopyFileFacts(path, track.get());
  const int32_t got = TW_File_Read(file.get(), header.data(), static_cast<int32_t>(header.size()));
  const size_t header_size = got > 0 ? static_cast<size_t>(got) : 0;
  TW_File_Seek(file.get(), 0, kSeekStart);
  if (!ProbeAny(modules, file.get(), header.data(), header_size, track.get())) return nullptr;
  return track;
}

TrackPtr IdentifyWith(const std::string& path, std::span<const DecoderClass* const> modules) {
  Probe_TakeUnsupported();
  TrackPtr track = ProbeFile(path, modules);
  std::string unsupported = Probe_TakeUnsupported();
  g_last_unsupported = track ? std::string() : std::move(unsupported);
  return track;
}

}  // namespace

TrackPtr Decoder_Identify(const std::string& path) { return IdentifyWith(path, kProbeOrder); }

const std::string& Decoder_LastUnsupported() { return g_last_unsupported; }

TrackPtr Decoder_IdentifyAs(const std::string& path, const DecoderClass& module) {
  const DecoderClass* const only[] = {&module};
  return IdentifyWith(path, only);
}

}  // namespace decoders
