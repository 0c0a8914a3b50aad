// Sun/NeXT AU: G.711 mu-law (delivered as 16 bits), signed 8- to 32-bit linear
// and 32- or 64-bit float samples, big-endian, one to eight channels (more than
// two mixed down to stereo in the WAVE order).
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "decoders/Decoders.h"
#include "decoders/PcmTrack.h"
#include "platform/ByteOrder.h"
#include "platform/Utf8.h"

namespace decoders {
namespace {

constexpr uint32_t kTagSnd = FourCC(".snd");
constexpr uint32_t kTagSd0 = 0x2E736400;  // ".sd" and a zero byte
constexpr uint32_t kHeaderBytes = 24;
constexpr uint32_t kUnknownSize = 0xFFFFFFFF;
constexpr size_t kAnnotationChars = 39;

struct Encoding {
  uint32_t code;
  PcmCoding coding;
  const char* type_text;
};
constexpr Encoding kEncodings[] = {
    {1, PcmCoding::kMuLaw, "AU-ULAW"},
    {2, PcmCoding::kSigned8, "AU-LIN8"},
    {3, PcmCoding::kSigned16Be, "AU-LIN16"},
    {4, PcmCoding::kSigned24Be, "AU-LIN24"},
    {5, PcmCoding::kSigned32Be, "AU-LIN32"},
    {6, PcmCoding::kFloat32Be, "AU-FLOAT"},
    {7, PcmCoding::kFloat64Be, "AU-DOUBLE"},
};

const Encoding* FindEncoding(uint32_t code) {
  for (const Encoding& e : kEncodings) {
    if (e.code == code) return &e;
  }
  return nullptr;
}

// Codings other writers use that this module does not decode.
std::string UnsupportedCoding(uint32_t code) {
  switch (code) {
    case 23: return "G.721 ADPCM AU";
    case 24: return "G.722 AU";
    case 25:
    case 26: return "G.723 ADPCM AU";
    case 27: return "A-law AU";
    default: return "AU encoding " + std::to_string(code);
  }
}

struct Au {
  static bool Layout(const TrackInfo& track, PcmLayout* layout) {
    const Encoding* encoding = FindEncoding(track.encoding);
    if ((track.format_tag != kTagSnd && track.format_tag != kTagSd0) || !encoding) return false;
    return LayoutOf(track, encoding->coding, layout);
  }
};
using Operations = PcmOperations<Au>;

// The annotation up to its first NUL, at most 39 bytes, cut at a character boundary.
void CopyAnnotation(const uint8_t* header, size_t header_size, uint32_t data_start,
                    TrackInfo* track) {
  const size_t end = std::min<size_t>({data_start, header_size, kHeaderBytes + kAnnotationChars});
  if (end <= kHeaderBytes) return;
  std::string_view text(reinterpret_cast<const char*>(header) + kHeaderBytes, end - kHeaderBytes);
  text = text.substr(0, text.find('\0'));
  platform::CopyField(track->comment, text);
}

const char* Init() { return "[AU] 8-16bit PCM, ULAW"; }

void Exit() { Operations::Close(); }

int Probe(TW_File* file, const uint8_t* header, size_t header_size, TrackInfo* track) {
  if (!file || !header || !track || header_size < kHeaderBytes) return 0;
  const uint32_t magic = platform::BigEndian32(header);
  if (magic != kTagSnd && magic != kTagSd0) return 0;
  const int64_t file_size = TW_File_Size(file);
  const uint32_t data_start = std::max(platform::BigEndian32(header + 4), kHeaderBytes);
  const uint32_t data_size = platform::BigEndian32(header + 8);
  const Encoding* encoding = FindEncoding(platform::BigEndian32(header + 12));
  const uint32_t rate = platform::BigEndian32(header + 16);
  const uint32_t channels = platform::BigEndian32(header + 20);
  if (file_size < data_start) return 0;
  if (!encoding) {
    Probe_NoteUnsupported(UnsupportedCoding(platform::BigEndian32(header + 12)));
    return 0;
  }
  if (!PlayableChannels(channels)) {
    Probe_NoteUnsupported("AU with " + std::to_string(channels) + " channels");
    return 0;
  }
  if (!PlayableFrequency(rate)) {
    Probe_NoteUnsupported("AU at " + std::to_string(rate) + " Hz");
    return 0;
  }
  const int64_t available = file_size - data_start;
  const int64_t bytes =
      data_size == kUnknownSize ? available : std::min<int64_t>(data_size, available);

  track->format_tag = magic;
  track->encoding = static_cast<uint8_t>(encoding->code);
  platform::CopyField(track->type_text, encoding->type_text);
  track->bits = static_cast<int16_t>(channels > 2 ? 16 : DeliveredBits(encoding->coding));
  track->frequency = static_cast<int32_t>(rate);
  track->stereo = channels >= 2 ? 1 : 0;
  track->stored_channels = channels > 2 ? static_cast<uint8_t>(channels) : 0;
  track->length = FrameCount(bytes, StoredBytes(encoding->coding) * channels);
  track->data_start[0] = track->data_start[1] = data_start;
  CopyAnnotation(header, header_size, data_start, track);
  track->seekable = 1;
  Operations::Install(track);
  return 1;
}

}  // namespace

const DecoderClass kAuDecoder = {"AU", Init, Exit, Probe};

}  // namespace decoders
