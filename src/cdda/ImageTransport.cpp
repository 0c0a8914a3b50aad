#include "cdda/ImageTransport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace cdda {
namespace {

constexpr uint32_t kCookedSectorSize = 2048;

uint32_t BigEndian(std::span<const uint8_t> bytes, size_t at, size_t count) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value = (value << 8) | bytes[at + i];
  return value;
}

void PutBigEndian(std::vector<uint8_t>& out, size_t at, uint32_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) out[at + i] = uint8_t(value >> (8 * (count - 1 - i)));
}

ScsiResult Failure(const ScsiSense& sense, size_t transferred = 0) {
  return ScsiResult{ScsiErrorCode(sense), transferred, sense};
}

// Copies as much of a reply as the host asked for.
ScsiResult Reply(const std::vector<uint8_t>& reply, size_t allocation, std::span<uint8_t> data) {
  const size_t n = std::min({reply.size(), allocation, data.size()});
  std::copy_n(reply.begin(), n, data.begin());
  return ScsiResult{0, n, {}};
}

void SwapSamples(uint8_t* bytes, size_t size) {
  for (size_t i = 0; i + 1 < size; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

}  // namespace

struct ImageTransport::Files {
  std::vector<int> fds;
  ~Files() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
};

ImageTransport::ImageTransport(std::optional<CueLayout> layout)
    : layout_(std::move(layout)), files_(std::make_unique<Files>()) {
  if (!layout_) return;
  for (const ImageFile& file : layout_->files)
    files_->fds.push_back(::open(file.path.c_str(), O_RDONLY | O_CLOEXEC));
}

ImageTransport::~ImageTransport() = default;

std::unique_ptr<ImageTransport> ImageTransport::FromCue(const std::string& path) {
  return std::make_unique<ImageTransport>(ReadCueSheet(path));
}

void ImageTransport::SetVendor(const std::string& vendor) {
  vendor_ = vendor.substr(0, 8);
  vendor_.resize(8, ' ');
}
void ImageTransport::SetDeviceType(uint8_t type) { device_type_ = type; }
void ImageTransport::SetCdDaCapable(bool capable) { cd_da_capable_ = capable; }
void ImageTransport::RefuseModeSense6(bool refuse) { refuse_mode_sense6_ = refuse; }
void ImageTransport::SetCapabilityAnswer(std::vector<uint8_t> answer) {
  capability_answer_ = std::move(answer);
}
void ImageTransport::SetTocAnswer(std::vector<uint8_t> answer) { toc_answer_ = std::move(answer); }
void ImageTransport::SetEjected(bool ejected) { ejected_ = ejected; }
void ImageTransport::RecordCommandsInto(std::vector<std::vector<uint8_t>>* log) { log_ = log; }

ScsiResult ImageTransport::Send(std::span<const uint8_t> cdb, std::span<uint8_t> data,
                                ScsiDirection direction, int /*timeout_ms*/) {
  if (log_) {
    log_->emplace_back(cdb.begin(), cdb.end());
    if (direction == ScsiDirection::kWrite)
      log_->back().insert(log_->back().end(), data.begin(), data.end());
  }
  if (cdb.empty()) return Failure(kSenseInvalidOpcode);
  const bool writes = cdb[0] == 0x15;
  if (writes != (direction == ScsiDirection::kWrite)) return Failure(kSenseInvalidField);
  return Dispatch(cdb, data);
}

ScsiResult ImageTransport::Dispatch(std::span<const uint8_t> cdb, std::span<uint8_t> data) {
  const bool loaded = layout_.has_value() && !ejected_;
  const uint8_t opcode = cdb[0];
  if (opcode == 0x12 && cdb.size() >= 6)
    return Inquiry(data.first(std::min<size_t>(cdb[4], data.size())));
  if (opcode == 0x1A && cdb.size() >= 6) {
    if (refuse_mode_sense6_) return Failure(kSenseInvalidOpcode);
    if ((cdb[2] & 0x3F) != 0x2A) return Failure(kSenseInvalidField);
    return ModeSense(false, data.first(std::min<size_t>(cdb[4], data.size())));
  }
  if (opcode == 0x5A && cdb.size() >= 10) {
    if ((cdb[2] & 0x3F) != 0x2A) return Failure(kSenseInvalidField);
    return ModeSense(true, data.first(std::min<size_t>(BigEndian(cdb, 7, 2), data.size())));
  }
  if (opcode == 0x15 && cdb.size() >= 6) return ModeSelect(cdb, data);
  if (!loaded) return Failure(kSenseNoMedium);
  if (opcode == 0x00 && cdb.size() >= 6) return ScsiResult{};
  if (opcode == 0x43 && cdb.size() >= 10) return ReadToc(cdb, data);
  if (opcode == 0x28 && cdb.size() >= 10)
    return Read(BigEndian(cdb, 2, 4), BigEndian(cdb, 7, 2), block_length_ == kRawSectorSize, false,
                data);
  if (opcode == 0xD8 && cdb.size() >= 12)
    return Read(BigEndian(cdb, 2, 4), BigEndian(cdb, 6, 4), true, false, data);
  if (opcode == 0xD4 && cdb.size() >= 10)
    return Read(BigEndian(cdb, 2, 4), BigEndian(cdb, 7, 2), true, false, data);
  if (opcode == 0xBE && cdb.size() >= 12) {
    const int type = (cdb[1] >> 2) & 7;  // 0 any, 1 CD-DA, 2 mode 1
    if (type > 2) return Failure(kSenseInvalidField);
    return Read(BigEndian(cdb, 2, 4), BigEndian(cdb, 6, 3), type != 2, type == 1, data);
  }
  return Failure(kSenseInvalidOpcode);
}

ScsiResult ImageTransport::Inquiry(std::span<uint8_t> data) const {
  std::vector<uint8_t> reply(36, ' ');
  reply[0] = device_type_;
  reply[1] = 0x80;  // removable medium
  reply[2] = 0x05;
  reply[3] = 0x02;
  reply[4] = 31;
  std::copy(vendor_.begin(), vendor_.end(), reply.begin() + 8);
  const char product[] = "DISC IMAGE";
  std::copy(product, product + sizeof(product) - 1, reply.begin() + 16);
  std::memcpy(reply.data() + 32, "1.0 ", 4);
  return Reply(reply, data.size(), data);
}

ScsiResult ImageTransport::ModeSense(bool ten, std::span<uint8_t> data) const {
  if (capability_answer_) return Reply(*capability_answer_, data.size(), data);
  const size_t header = ten ? 8 : 4;
  std::vector<uint8_t> reply(header + 8 + 22, 0);
  if (ten) {
    PutBigEndian(reply, 0, static_cast<uint32_t>(reply.size() - 2), 2);
    reply[7] = 8;
  } else {
    reply[0] = static_cast<uint8_t>(reply.size() - 1);
    reply[3] = 8;
  }
  PutBigEndian(reply, header + 5, block_length_, 3);
  const size_t page = header + 8;
  reply[page] = 0x2A;
  reply[page + 1] = 20;
  reply[page + 2] = 0x03;  // reads CD-R and CD-RW
  reply[page + 5] = cd_da_capable_ ? 0x01 : 0x00;
  return Reply(reply, data.size(), data);
}

ScsiResult ImageTransport::ModeSelect(std::span<const uint8_t> cdb, std::span<uint8_t> data) {
  const size_t length = std::min<size_t>(cdb[4], data.size());
  if (length < 12 || data[3] != 8) return Failure(kSenseInvalidParameter);
  const uint32_t block = BigEndian(data, 9, 3);
  if (block != kCookedSectorSize && block != kRawSectorSize) return Failure(kSenseInvalidParameter);
  block_length_ = block;
  return ScsiResult{0, length, {}};
}

ScsiResult ImageTransport::ReadToc(std::span<const uint8_t> cdb, std::span<uint8_t> data) const {
  if (cdb[1] & 0x02) return Failure(kSenseInvalidField);  // MSF addresses are not offered
  const size_t allocation = BigEndian(cdb, 7, 2);
  const int format = cdb[2] & 0x0F;
  const auto& tracks = layout_->tracks;
  std::vector<uint8_t> reply(4, 0);
  const auto add_descriptor = [&reply](uint8_t control, uint8_t number, uint32_t lba) {
    const size_t at = reply.size();
    reply.resize(at + 8, 0);
    reply[at + 1] = uint8_t(0x10 | control);
    reply[at + 2] = number;
    PutBigEndian(reply, at + 4, lba, 4);
  };
  if (format == 0) {
    if (toc_answer_) return Reply(*toc_answer_, allocation, data);
    for (const ImageTrack& track : tracks) {
      if (track.number >= cdb[6]) add_descriptor(track.control, uint8_t(track.number), track.lba);
    }
    add_descriptor(tracks.back().audio ? 0x00 : 0x04, 0xAA, layout_->leadout);
    reply[2] = uint8_t(tracks.front().number);
    reply[3] = uint8_t(tracks.back().number);
  } else if (format == 1 && !toc_answer_) {
    const auto first_of_last = std::find_if(tracks.begin(), tracks.end(), [&](const ImageTrack& t) {
      return t.session == layout_->last_session;
    });
    add_descriptor(first_of_last->control, uint8_t(first_of_last->number), first_of_last->lba);
    reply[2] = 1;
    reply[3] = uint8_t(layout_->last_session);
  } else {
    return Failure(kSenseInvalidField);
  }
  PutBigEndian(reply, 0, static_cast<uint32_t>(reply.size() - 2), 2);
  return Reply(reply, allocation, data);
}

ScsiResult ImageTransport::Read(uint32_t lba, uint32_t count, bool raw, bool audio_only,
                                std::span<uint8_t> data) {
  const size_t out_size = raw ? kRawSectorSize : kCookedSectorSize;
  const uint64_t fitting = std::min<uint64_t>(count, data.size() / out_size);
  for (uint64_t done = 0; done < fitting;) {
    const uint64_t sector = uint64_t{lba} + done;
    if (sector >= layout_->leadout) return Failure(kSenseLbaOutOfRange, done * out_size);
    ScsiSense sense;
    const uint32_t got = ReadRun(uint32_t(sector), fitting - done, raw, audio_only,
                                 data.data() + done * out_size, sense);
    if (got == 0) return Failure(sense, done * out_size);
    done += got;
  }
  return ScsiResult{0, fitting * out_size, {}};
}

uint32_t ImageTransport::ReadRun(uint32_t lba, uint64_t wanted, bool raw, bool audio_only,
                                 uint8_t* dest, ScsiSense& sense) {
  const auto& extents = layout_->extents;
  const auto after =
      std::upper_bound(extents.begin(), extents.end(), lba,
                       [](uint32_t value, const ImageExtent& e) { return value < e.lba; });
  const ImageExtent& extent = *(after - 1);  // extents start at LBA 0 and reach the lead-out
  const ImageTrack& track = layout_->tracks[extent.track];
  sense = kSenseWrongTrackMode;
  if ((audio_only && !track.audio) || (!raw && track.audio)) return 0;
  const size_t out_size = raw ? kRawSectorSize : kCookedSectorSize;
  // Raw sectors lie back to back in the file; cooked ones are read one by one.
  const uint64_t left_in_extent = uint64_t{extent.lba} + extent.count - lba;
  const uint32_t run = uint32_t(raw ? std::min(wanted, left_in_extent) : 1);
  if (extent.source == ImageExtent::Source::kUnreadable) {
    sense = kSenseReadError;
    return 0;
  }
  if (extent.source == ImageExtent::Source::kSilence) {
    std::memset(dest, 0, run * out_size);
    return run;
  }
  if (raw && track.sector_size != kRawSectorSize) return 0;
  const uint64_t offset = extent.offset + uint64_t{lba - extent.lba} * track.sector_size +
                          (raw ? 0 : track.user_offset);
  const size_t bytes = run * out_size;
  const ssize_t got = ::pread(files_->fds[extent.file], dest, bytes, static_cast<off_t>(offset));
  if (got != static_cast<ssize_t>(bytes)) {
    sense = kSenseReadError;
    return 0;
  }
  if (track.audio && layout_->files[extent.file].big_endian) SwapSamples(dest, bytes);
  return run;
}

}  // namespace cdda
