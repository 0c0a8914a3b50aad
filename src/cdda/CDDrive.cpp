#include "cdda/CDDrive.h"

#include <algorithm>
#include <cstring>

namespace cdda {
namespace {

constexpr uint8_t kCapabilitiesPage = 0x2A;

struct VendorMethod {
  const char* name;
  int32_t method;
};

// Looked up in this order, each name compared over its own length.
constexpr VendorMethod kVendorMethods[] = {
    {"PLEXTOR", kMethodSony},    {"SONY", kMethodSony},       {"NRC", kMethodSony},
    {"TOSHIBA", kMethodToshiba}, {"IBM", kMethodToshiba},     {"DEC", kMethodToshiba},
    {"IMS", kMethodPhilips},     {"KODAK", kMethodPhilips},   {"RICOH", kMethodPhilips},
    {"HP", kMethodPhilips},      {"PHILIPS", kMethodPhilips}, {"PLASMON", kMethodPhilips},
    {"GRUNDIG", kMethodPhilips}, {"MITSUMI", kMethodPhilips}, {"NEC", kMethodNec},
    {"YAMAHA", kMethodYamaha},
};

void PutBigEndian(uint8_t* out, uint32_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = uint8_t(value >> (8 * (count - 1 - i)));
}

ScsiResult SendRead(CDDrive& drive, std::span<const uint8_t> cdb, std::span<uint8_t> data) {
  return drive.scsi->Send(cdb, data, ScsiDirection::kRead, drive.timeout_ms);
}

bool TestUnitReady(CDDrive& drive) {
  const uint8_t cdb[6] = {0x00, 0, 0, 0, 0, 0};
  return SendRead(drive, cdb, {}).error == 0;
}

// Two INQUIRYs: the second asks for exactly what the first announced (at most 36).
bool Inquire(CDDrive& drive, uint8_t& device_type) {
  std::array<uint8_t, 36> data{};
  uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
  ScsiResult result = SendRead(drive, cdb, data);
  if (result.error != 0 || result.transferred < 5) return false;
  cdb[4] = static_cast<uint8_t>(std::min<int>(data[4] + 5, 36));
  data.fill(0);
  result = SendRead(drive, cdb, std::span(data).first(cdb[4]));
  const size_t got = std::min<size_t>(result.transferred, cdb[4]);
  if (result.error != 0 || got < 1) return false;
  device_type = data[0] & 0x1F;
  std::memset(drive.vendor, ' ', 8);
  if (got > 8) std::memcpy(drive.vendor, data.data() + 8, std::min<size_t>(got - 8, 8));
  drive.vendor[8] = '\0';
  return true;
}

// Bit 0 of byte 5 of the capabilities page: the drive reads CD-DA by READ CD.
bool PageDeclaresCdDa(std::span<const uint8_t> reply, size_t header, size_t descriptors) {
  const size_t page = header + descriptors;
  if (page + 6 > reply.size()) return false;
  if ((reply[page] & 0x3F) != kCapabilitiesPage || reply[page + 1] < 4) return false;
  return (reply[page + 5] & 0x01) != 0;
}

bool DeclaresCdDa(CDDrive& drive) {
  std::array<uint8_t, 255> data{};
  const uint8_t sense6[6] = {0x1A, 0, kCapabilitiesPage, 0, 255, 0};
  ScsiResult result = SendRead(drive, sense6, data);
  if (result.error == 0) {
    const auto reply = std::span(data).first(std::min(result.transferred, data.size()));
    return reply.size() >= 4 && PageDeclaresCdDa(reply, 4, reply[3]);
  }
  data.fill(0);
  const uint8_t sense10[10] = {0x5A, 0, kCapabilitiesPage, 0, 0, 0, 0, 0, 255, 0};
  result = SendRead(drive, sense10, data);
  if (result.error != 0) return false;
  const auto reply = std::span(data).first(std::min(result.transferred, data.size()));
  return reply.size() >= 8 && PageDeclaresCdDa(reply, 8, (size_t{reply[6]} << 8) | reply[7]);
}

bool ModeSelect(CDDrive& drive, uint8_t density, uint16_t block_length) {
  auto list = CDDrive_ModeSelectList(density, block_length);
  const uint8_t cdb[6] = {0x15, 0, 0, 0, 12, 0};
  return drive.scsi->Send(cdb, list, ScsiDirection::kWrite, drive.timeout_ms).error == 0;
}

}  // namespace

int32_t CDDrive_MethodForVendor(const char* vendor, size_t length) {
  for (const VendorMethod& entry : kVendorMethods) {
    const size_t n = std::strlen(entry.name);
    if (n <= length && std::memcmp(vendor, entry.name, n) == 0) return entry.method;
  }
  return kMethodSony;
}

std::array<uint8_t, 12> CDDrive_ModeSelectList(uint8_t density, uint16_t block_length) {
  std::array<uint8_t, 12> list{};
  list[3] = 8;  // one block descriptor
  list[4] = density;
  list[10] = uint8_t(block_length >> 8);
  list[11] = uint8_t(block_length);
  return list;
}

std::array<uint8_t, 12> CDDrive_ReadCommand(int32_t method, uint32_t lba, uint32_t count,
                                            size_t* length) {
  std::array<uint8_t, 12> cdb{};
  *length = 0;
  PutBigEndian(&cdb[2], lba, 4);
  switch (method) {
    case kMethodSony:
    case kMethodYamaha:
      cdb[0] = 0xD8;
      PutBigEndian(&cdb[6], count, 4);
      *length = 12;
      break;
    case kMethodToshiba:
    case kMethodPhilips:
    case kMethodNec:
      cdb[0] = method == kMethodNec ? 0xD4 : 0x28;
      PutBigEndian(&cdb[7], count, 2);
      *length = 10;
      break;
    case kMethodMmc:
      cdb[0] = 0xBE;
      cdb[1] = 0x04;  // expected sector type: CD-DA
      PutBigEndian(&cdb[6], count, 3);
      cdb[9] = 0x10;  // user data only
      *length = 12;
      break;
    default:
      cdb.fill(0);
  }
  return cdb;
}

CDDrivePtr CDDrive_Open(const std::string& device, uint32_t /*unit*/, int32_t method,
                        int timeout_ms) {
  auto scsi = OpenScsiTransport(device);
  if (!scsi) return nullptr;
  return CDDrive_OpenTransport(std::move(scsi), method, timeout_ms);
}

CDDrivePtr CDDrive_OpenTransport(std::unique_ptr<ScsiTransport> scsi, int32_t method,
                                 int timeout_ms) {
  if (!scsi) return nullptr;
  CDDrivePtr drive(std::make_unique<CDDrive>().release());
  drive->scsi = std::move(scsi);
  drive->timeout_ms = timeout_ms;
  drive->method = method;
  uint8_t type = 0;
  if (!TestUnitReady(*drive) || !Inquire(*drive, type)) return nullptr;
  if (type != 4 && type != 5) return nullptr;
  if (drive->method == kMethodNone)
    drive->method = DeclaresCdDa(*drive) ? kMethodMmc : CDDrive_MethodForVendor(drive->vendor, 8);
  if (drive->method == kMethodToshiba || drive->method == kMethodPhilips ||
      drive->method == kMethodYamaha) {
    // A refusal shows later as failing reads.
    drive->raw_blocks =
        ModeSelect(*drive, drive->method == kMethodToshiba ? 0x82 : 0x00, kSectorBytes);
  }
  return drive;
}

void CDDriveCloser::operator()(CDDrive* drive) const {
  const std::unique_ptr<CDDrive> owned(drive);
  if (drive && drive->raw_blocks) ModeSelect(*drive, 0x00, 2048);
}

void CDDrive_Close(CDDrivePtr& drive) { drive.reset(); }

int32_t CDDrive_ReadSectors(CDDrive& drive, uint32_t lba, int32_t count,
                            std::span<uint8_t> buffer) {
  if (count < 1 || count > kMaxReadSectors) return -3;
  const uint64_t bytes = uint64_t(count) * kSectorBytes;
  if (bytes > buffer.size()) return -1;
  if (drive.method < kMethodNone || drive.method > kMethodMmc) return -3;
  if (drive.method == kMethodNone) return -4;
  size_t length = 0;
  const bool two_byte_count = drive.method == kMethodToshiba || drive.method == kMethodPhilips ||
                              drive.method == kMethodNec;
  if (two_byte_count && count > 0xFFFF) return -3;
  const auto cdb = CDDrive_ReadCommand(drive.method, lba, uint32_t(count), &length);
  const ScsiResult result =
      SendRead(drive, std::span(cdb).first(length), buffer.first(static_cast<size_t>(bytes)));
  if (result.error != 0) return -2;
  return static_cast<int32_t>(std::min<uint64_t>(result.transferred, bytes));
}

}  // namespace cdda
