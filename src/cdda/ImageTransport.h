// ImageTransport: a CUE/BIN disc image that answers SCSI commands as a CD-ROM
// drive does: TEST UNIT READY, INQUIRY, MODE SENSE(6/10) page 0x2A, MODE SELECT,
// READ TOC (formats 0 and 1) and the reads READ CD-DA (0xD8, 0xD4), READ(10)
// and READ CD, with sense data for refused commands, out-of-range reads and an
// empty tray. Audio comes out as 16-bit little-endian samples whatever the file
// stores. Tests replace parts of the drive's answers to craft hostile drives.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cdda/CueSheet.h"
#include "cdda/ScsiTransport.h"

namespace cdda {

class ImageTransport final : public ScsiTransport {
 public:
  // A drive holding the image; without a layout the tray is empty.
  explicit ImageTransport(std::optional<CueLayout> layout);
  ~ImageTransport() override;

  // Opens the CUE sheet at path; a sheet that cannot be read leaves the tray empty.
  static std::unique_ptr<ImageTransport> FromCue(const std::string& path);

  ScsiResult Send(std::span<const uint8_t> cdb, std::span<uint8_t> data, ScsiDirection direction,
                  int timeout_ms) override;

  // Drive personality and crafted answers.
  void SetVendor(const std::string& vendor);              // INQUIRY bytes 8..15, padded with spaces
  void SetDeviceType(uint8_t type);                       // INQUIRY byte 0
  void SetCdDaCapable(bool capable);                      // bit 0 of byte 5 of page 0x2A
  void RefuseModeSense6(bool refuse);                     // MODE SENSE(6) gives ILLEGAL REQUEST
  void SetCapabilityAnswer(std::vector<uint8_t> answer);  // whole MODE SENSE reply
  void SetTocAnswer(std::vector<uint8_t> answer);         // whole READ TOC reply
  void SetEjected(bool ejected);
  // Every command block sent is appended here, followed by the data of writing
  // commands (tests check exact bytes).
  void RecordCommandsInto(std::vector<std::vector<uint8_t>>* log);

  uint32_t block_length() const { return block_length_; }

 private:
  struct Files;
  ScsiResult Dispatch(std::span<const uint8_t> cdb, std::span<uint8_t> data);
  ScsiResult Inquiry(std::span<uint8_t> data) const;
  ScsiResult ModeSense(bool ten, std::span<uint8_t> data) const;
  ScsiResult ModeSelect(std::span<const uint8_t> cdb, std::span<uint8_t> data);
  ScsiResult ReadToc(std::span<const uint8_t> cdb, std::span<uint8_t> data) const;
  ScsiResult Read(uint32_t lba, uint32_t count, bool raw, bool audio_only, std::span<uint8_t> data);
  // Reads up to wanted sectors from lba within one extent; 0 (sense set) on failure.
  uint32_t ReadRun(uint32_t lba, uint64_t wanted, bool raw, bool audio_only, uint8_t* dest,
                   ScsiSense& sense);

  std::optional<CueLayout> layout_;
  std::unique_ptr<Files> files_;
  std::string vendor_ = "TWIMAGE ";
  uint8_t device_type_ = 5;
  bool cd_da_capable_ = true;
  bool refuse_mode_sense6_ = false;
  bool ejected_ = false;
  std::optional<std::vector<uint8_t>> capability_answer_;
  std::optional<std::vector<uint8_t>> toc_answer_;
  uint32_t block_length_ = 2048;
  std::vector<std::vector<uint8_t>>* log_ = nullptr;
};

}  // namespace cdda
