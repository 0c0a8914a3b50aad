// The drive layer against crafted drives: exact command blocks, method choice,
// read limits and hostile TOCs and capability pages.
#include <gtest/gtest.h>

#include <map>

#include "cdda/CDDrive.h"
#include "cdda/ImageTransport.h"
#include "cdda/SgioTransport.h"

using namespace cdda;
using Bytes = std::vector<uint8_t>;

namespace {

struct Descriptor {
  uint8_t control;
  uint8_t number;
  uint32_t lba;
};

Bytes Toc(uint8_t first, uint8_t last, const std::vector<Descriptor>& descriptors,
          int data_length = -1) {
  Bytes toc(4, 0);
  for (const Descriptor& d : descriptors) {
    toc.insert(toc.end(), {0, uint8_t(0x10 | d.control), d.number, 0, uint8_t(d.lba >> 24),
                           uint8_t(d.lba >> 16), uint8_t(d.lba >> 8), uint8_t(d.lba)});
  }
  const int length = data_length >= 0 ? data_length : int(toc.size() - 2);
  toc[0] = uint8_t(length >> 8);
  toc[1] = uint8_t(length);
  toc[2] = first;
  toc[3] = last;
  return toc;
}

// A loaded drive with no readable sectors, whose answers the test shapes; it
// records its commands, so it must outlive the drive opened on it.
struct CraftedDrive {
  std::unique_ptr<ImageTransport> transport = std::make_unique<ImageTransport>(CueLayout{});
  std::vector<Bytes> log;
  ImageTransport* operator->() { return transport.get(); }
  CDDrivePtr Open(int32_t method = kMethodNone) {
    transport->RecordCommandsInto(&log);
    return CDDrive_OpenTransport(std::move(transport), method);
  }
};

CDDrivePtr DriveWithToc(const Bytes& toc) {
  auto transport = std::make_unique<ImageTransport>(CueLayout{});
  transport->SetTocAnswer(toc);
  return CDDrive_OpenTransport(std::move(transport), kMethodNone);
}

int32_t MethodFor(const std::string& vendor, bool cd_da) {
  CraftedDrive crafted;
  crafted->SetVendor(vendor);
  crafted->SetCdDaCapable(cd_da);
  return crafted.Open()->method;
}

}  // namespace

TEST(CDDrive, ReadCommandsCarryLbaAndCountInTheirExactBytes) {
  const std::map<int32_t, Bytes> expected = {
      {kMethodSony, {0xD8, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0, 3, 0, 0}},
      {kMethodToshiba, {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 3, 0}},
      {kMethodPhilips, {0x28, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 3, 0}},
      {kMethodNec, {0xD4, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 3, 0}},
      {kMethodYamaha, {0xD8, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0, 3, 0, 0}},
      {kMethodMmc, {0xBE, 0x04, 0x00, 0x01, 0x23, 0x45, 0, 0, 3, 0x10, 0, 0}},
  };
  const Bytes select_cdb = {0x15, 0, 0, 0, 0x0C, 0};
  for (const auto& [method, cdb] : expected) {
    SCOPED_TRACE("method " + std::to_string(method));
    CraftedDrive crafted;
    auto drive = crafted.Open(method);
    ASSERT_TRUE(drive);
    const bool selects =
        method == kMethodToshiba || method == kMethodPhilips || method == kMethodYamaha;
    Bytes select = select_cdb;
    select.insert(select.end(), {0, 0, 0, 8, uint8_t(method == kMethodToshiba ? 0x82 : 0x00), 0, 0,
                                 0, 0, 0, 0x09, 0x30});
    EXPECT_EQ(crafted.log.back() == select, selects);
    Bytes buffer(3 * 2352);
    crafted.log.clear();
    CDDrive_ReadSectors(*drive, 0x012345, 3, buffer);
    ASSERT_EQ(crafted.log.size(), 1u);
    EXPECT_EQ(crafted.log[0], cdb);
    // A drive switched to 2352-byte blocks is switched back when released.
    crafted.log.clear();
    drive.reset();
    Bytes restore = select_cdb;
    restore.insert(restore.end(), {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0x00});
    EXPECT_EQ(crafted.log.size(), selects ? 1u : 0u);
    if (selects) {
      EXPECT_EQ(crafted.log[0], restore);
    }
  }
}

TEST(CDDrive, VendorChoosesTheMethodUnlessTheDriveDeclaresCdDa) {
  EXPECT_EQ(MethodFor("TOSHIBA ", false), kMethodToshiba);
  EXPECT_EQ(MethodFor("HP      ", false), kMethodPhilips);
  EXPECT_EQ(MethodFor("YAMAHA  ", false), kMethodYamaha);
  EXPECT_EQ(MethodFor("NEC     ", false), kMethodNec);
  EXPECT_EQ(MethodFor("PLEXTOR ", false), kMethodSony);
  EXPECT_EQ(MethodFor("LITE-ON ", false), kMethodSony);
  EXPECT_EQ(MethodFor("toshiba ", false), kMethodSony);  // names are case-sensitive
  EXPECT_EQ(MethodFor("TOSHIBA ", true), kMethodMmc);
  EXPECT_EQ(MethodFor("LITE-ON ", true), kMethodMmc);

  // A drive refusing MODE SENSE(6) is asked with MODE SENSE(10).
  CraftedDrive crafted;
  crafted->RefuseModeSense6(true);
  crafted->SetVendor("SONY");
  auto drive = crafted.Open();
  ASSERT_TRUE(drive);
  EXPECT_EQ(drive->method, kMethodMmc);
  const Bytes sense10 = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF, 0};
  EXPECT_NE(std::find(crafted.log.begin(), crafted.log.end(), sense10), crafted.log.end());
}

TEST(CDDrive, HostileCapabilityPagesAreRefusedWithoutOverreading) {
  Bytes good(4 + 8 + 22, 0);
  good[3] = 8;
  good[12] = 0x2A;
  good[13] = 20;
  good[17] = 0x01;
  Bytes wrong_code = good;
  wrong_code[12] = 0x2B;
  Bytes descriptors_past_end = good;
  descriptors_past_end[3] = 250;
  Bytes short_page = good;
  short_page[13] = 2;
  const Bytes truncated(good.begin(), good.begin() + 16);
  for (const Bytes& page :
       {wrong_code, descriptors_past_end, short_page, truncated, Bytes{}, Bytes{9}}) {
    CraftedDrive crafted;
    crafted->SetVendor("NEC");
    crafted->SetCapabilityAnswer(page);
    auto drive = crafted.Open();
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->method, kMethodNec);
  }
  CraftedDrive crafted;
  crafted->SetCapabilityAnswer(good);
  auto drive = crafted.Open();
  EXPECT_EQ(drive->method, kMethodMmc);
}

TEST(CDDrive, OpenRefusesEmptyTraysOtherDevicesAndMissingNodes) {
  CraftedDrive ejected;
  ejected->SetEjected(true);
  EXPECT_FALSE(ejected.Open());
  CraftedDrive disk;
  disk->SetDeviceType(0);
  EXPECT_FALSE(disk.Open());
  CraftedDrive writer;
  writer->SetDeviceType(4);
  EXPECT_TRUE(writer.Open());
  EXPECT_FALSE(CDDrive_OpenTransport(std::make_unique<ImageTransport>(std::nullopt), 0));
  // Nodes that are no SCSI drive, missing nodes and missing images.
  EXPECT_FALSE(CDDrive_Open("/dev/null", 1, 0));
  EXPECT_FALSE(CDDrive_Open("/dev/sr97", 1, 0));
  EXPECT_FALSE(CDDrive_Open("/nonexistent/disc.cue", 1, 0));
}

TEST(CDDrive, ReadLimitsAreCheckedBeforeAnythingIsSent) {
  CraftedDrive crafted;
  auto drive = crafted.Open(kMethodSony);
  ASSERT_TRUE(drive);
  crafted.log.clear();
  Bytes small(23519);
  const size_t big_size = size_t{65537} * 2352;
  const auto big_bytes = std::make_unique_for_overwrite<uint8_t[]>(big_size);
  const std::span<uint8_t> big(big_bytes.get(), big_size);
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 65537, big), -3);
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 0, small), -3);
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, -5, small), -3);
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 10, small), -1);
  drive->method = kMethodToshiba;  // READ(10) carries at most 65535 sectors
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 65536, big), -3);
  drive->method = 7;
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 1, small), -3);
  drive->method = kMethodNone;
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 1, small), -4);
  EXPECT_TRUE(crafted.log.empty());
  drive->method = kMethodSony;
  EXPECT_EQ(CDDrive_ReadSectors(*drive, 0, 1, small), -2);  // nothing on this disc
}

TEST(CDDrive, TocMarksDataTracksAndEndsEachTrackBeforeTheNext) {
  auto drive = DriveWithToc(Toc(1, 3, {{0, 1, 0}, {4, 2, 1000}, {0, 3, 5000}, {0, 0xAA, 9000}}));
  ASSERT_TRUE(drive);
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  EXPECT_EQ(drive->tracks[1].audio, 1);
  EXPECT_EQ(drive->tracks[2].audio, 0);
  EXPECT_EQ(drive->tracks[1].end, 999u);
  EXPECT_EQ(drive->tracks[2].end, 4999u);
  EXPECT_EQ(drive->tracks[3].end, 8999u);
  EXPECT_STREQ(drive->disc_key, "ID03001388002328");

  // Twelve tracks, the third at 0x0049AF, lead-out 0x03A2C7.
  std::vector<Descriptor> twelve;
  for (uint8_t n = 1; n <= 12; ++n) twelve.push_back({0, n, n == 3 ? 0x49AFu : n * 0x4000u});
  twelve.push_back({0, 0xAA, 0x03A2C7});
  drive = DriveWithToc(Toc(1, 12, twelve));
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  EXPECT_STREQ(drive->disc_key, "ID120049AF03A2C7");
}

TEST(CDDrive, HostileTocsAreBoundedAndNeverWrap) {
  // Data length far beyond what was sent.
  auto drive = DriveWithToc(Toc(1, 2, {{0, 1, 0}, {0, 2, 100}, {0, 0xAA, 300}}, 0xFFFF));
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  EXPECT_EQ(drive->tracks[2].end, 299u);
  // Last track 255 is clamped; decreasing LBAs and a missing lead-out leave tracks unusable.
  drive = DriveWithToc(Toc(1, 255, {{0, 1, 500}, {0, 2, 200}, {0, 3, 900}}));
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  EXPECT_EQ(drive->last_track, 99u);
  EXPECT_FALSE(drive->tracks[1].usable);
  EXPECT_TRUE(drive->tracks[2].usable);
  EXPECT_FALSE(drive->tracks[3].usable);
  EXPECT_STREQ(drive->disc_key, "ID03000384000000");
  // A huge lead-out cannot make a track longer than a frame count can hold.
  drive = DriveWithToc(Toc(1, 1, {{0, 1, 0}, {0, 0xAA, 0xFFFFFFFF}}));
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  EXPECT_FALSE(drive->tracks[1].usable);
  EXPECT_STREQ(drive->disc_key, "ID01000000FFFFFF");
  // No descriptors, short answers, descriptor track numbers out of range.
  for (const Bytes& toc :
       {Toc(1, 1, {}), Bytes{0, 0}, Bytes{}, Toc(1, 1, {{0, 1, 0}}, 1),
        Toc(1, 1, {{0, 0, 0}, {0, 100, 5}, {0, 0xAA, 9}}), Toc(5, 2, {{0, 1, 0}, {0, 0xAA, 9}})}) {
    drive = DriveWithToc(toc);
    EXPECT_EQ(CDDrive_ReadTOC(*drive), kTocEmpty);
    EXPECT_STREQ(drive->disc_key, "");
  }
  // Ninety-nine descriptors plus lead-out, all numbered 7: bounded count, no overflow.
  std::vector<Descriptor> many(120, Descriptor{0, 7, 10});
  drive = DriveWithToc(Toc(1, 99, many));
  ASSERT_EQ(CDDrive_ReadTOC(*drive), 0);
  EXPECT_EQ(std::string(drive->disc_key).size(), 16u);
}

TEST(CDDrive, SenseDataIsReadInBothFormats) {
  const uint8_t fixed[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x21, 0x00};
  const uint8_t descriptor[8] = {0x72, 0x02, 0x3A, 0x01};
  const ScsiSense a = ParseSense(fixed, sizeof fixed);
  const ScsiSense b = ParseSense(descriptor, sizeof descriptor);
  EXPECT_EQ(ScsiErrorCode(a), 0x052100);
  EXPECT_EQ(ScsiErrorCode(b), 0x023A01);
  EXPECT_EQ(ScsiErrorCode(ParseSense(fixed, 2)), kScsiErrorNoSense);
}
