#include "cdda/SgioTransport.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "platform/UniqueFd.h"

namespace cdda {
namespace {

constexpr unsigned kSenseBufferSize = 252;  // sg's limit is an unsigned char

bool StatusIsGood(const sg_io_hdr_t& header) {
  return header.status == 0 && header.host_status == 0 && (header.driver_status & 0x0F) == 0;
}

class SgioTransport final : public ScsiTransport {
 public:
  SgioTransport(std::string node, int fd) : node_(std::move(node)), fd_(fd) {}

  ScsiResult Send(std::span<const uint8_t> cdb, std::span<uint8_t> data, ScsiDirection direction,
                  int timeout_ms) override {
    if (direction == ScsiDirection::kRead)
      return Issue(fd_.get(), cdb, data, direction, timeout_ms);
    // Writing commands need the node open for writing; a permission error is a
    // failed command, not a failed drive.
    platform::UniqueFd writer(::open(node_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (writer.get() < 0) return ScsiResult{kScsiErrorNoSense, 0, {}};
    return Issue(writer.get(), cdb, data, direction, timeout_ms);
  }

 private:
  static ScsiResult Issue(int fd, std::span<const uint8_t> cdb, std::span<uint8_t> data,
                          ScsiDirection direction, int timeout_ms) {
    ScsiResult result;
    if (cdb.empty() || cdb.size() > 16) {
      result.error = ScsiErrorCode(kSenseInvalidOpcode);
      return result;
    }
    std::array<uint8_t, 16> command{};
    std::copy(cdb.begin(), cdb.end(), command.begin());
    std::array<uint8_t, kSenseBufferSize> sense{};
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.cmdp = command.data();
    header.cmd_len = static_cast<unsigned char>(cdb.size());
    header.dxferp = data.data();
    header.dxfer_len = static_cast<unsigned>(data.size());
    header.dxfer_direction = data.empty()                        ? SG_DXFER_NONE
                             : direction == ScsiDirection::kRead ? SG_DXFER_FROM_DEV
                                                                 : SG_DXFER_TO_DEV;
    header.sbp = sense.data();
    header.mx_sb_len = kSenseBufferSize;
    header.timeout = timeout_ms > 0 ? static_cast<unsigned>(timeout_ms) : 1;
    if (::ioctl(fd, SG_IO, &header) != 0) {
      result.error = kScsiErrorNoSense;
      return result;
    }
    const int resid = header.resid > 0 ? header.resid : 0;
    result.transferred = data.size() - std::min(data.size(), static_cast<size_t>(resid));
    if (!StatusIsGood(header)) {
      result.sense = ParseSense(sense.data(), std::min<size_t>(header.sb_len_wr, sense.size()));
      result.error = ScsiErrorCode(result.sense);
    }
    return result;
  }

  std::string node_;
  platform::UniqueFd fd_;
};

}  // namespace

ScsiSense ParseSense(const uint8_t* sense, size_t length) {
  if (length < 1) return {};
  const uint8_t response = sense[0] & 0x7F;
  if ((response == 0x72 || response == 0x73) && length >= 4)
    return {static_cast<uint8_t>(sense[1] & 0x0F), sense[2], sense[3]};
  if ((response == 0x70 || response == 0x71) && length >= 3) {
    return {static_cast<uint8_t>(sense[2] & 0x0F), length > 12 ? sense[12] : uint8_t{0},
            length > 13 ? sense[13] : uint8_t{0}};
  }
  return {};
}

std::unique_ptr<ScsiTransport> OpenSgioTransport(const std::string& node) {
  const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<SgioTransport>(node, fd);
}

}  // namespace cdda
