// The CD format module: tracks of the disc in the drive played like files.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

#include "cdda/Cdda.h"
#include "cdda/CdCommandLine.h"
#include "cdda/CueSheet.h"
#include "cdda/DiscKey.h"
#include "cdda/ScsiTransport.h"
#include "decoders/Decoders.h"
#include "platform/Utf8.h"
#include "settings/SettingsGroups.h"

namespace cdda {
namespace {

using decoders::TrackInfo;

constexpr int32_t kFrequency = 44100;

std::mutex g_titles_mutex;
CDTitles g_titles;  // protected by g_titles_mutex
std::atomic<decoders::EditTagsFn> g_title_editor{nullptr};

// The open track; touched by the player task only.
struct Instance {
  TrackInfo track;
  CDDrivePtr drive;
  std::vector<uint8_t> buffer;
  uint32_t start = 0;
  uint32_t end = 0;
  uint32_t current = 0;
};
std::unique_ptr<Instance> g_instance;

// A disc image that has no title file yet gives the texts of its CUE sheet.
void TakeSheetTexts(const std::string& device, CDTitles& titles) {
  if (!HasCueSuffix(device)) return;
  const std::optional<CueLayout> sheet = ReadCueSheet(device);
  if (!sheet) return;
  platform::CopyField(titles.artist, sheet->performer);
  platform::CopyField(titles.album, sheet->title);
  for (const ImageTrack& track : sheet->tracks) {
    if (track.number < 1 || track.number > 99) continue;
    platform::CopyField(titles.titles[track.number], track.title);
    platform::CopyField(titles.performers[track.number], track.performer);
  }
}

CDDrivePtr ReadDisc(int timeout_ms, CDTitles* loaded) {
  const settings::CddaSettings config = settings::Cdda().Fetch();
  const std::string device = CDDA_DriveForThisRun(config.device);
  CDDrivePtr drive = CDDrive_Open(device, uint32_t(config.unit), config.method, timeout_ms);
  if (!drive || CDDrive_ReadTOC(*drive) != 0) return nullptr;
  CDTitles titles;
  platform::CopyField(titles.disc_key, drive->disc_key);
  titles.first_track = drive->first_track;
  titles.last_track = drive->last_track;
  // Outside the lock: file access.
  if (!CDTitles_Load(config.cd_titles, titles)) TakeSheetTexts(device, titles);
  {
    std::lock_guard lock(g_titles_mutex);
    g_titles = titles;
  }
  if (loaded) *loaded = titles;
  return drive;
}

bool Playable(const CDDrive& drive, int number) {
  if (number < int(drive.first_track) || number > int(drive.last_track)) return false;
  const CDTrackEntry& entry = drive.tracks[size_t(number)];
  return entry.audio && entry.usable;
}

int OpenTrack(TrackInfo* track);
void CloseTrack();
double SeekTrack(double seconds);
int32_t DecodeTrack(void* left, void* right, int32_t max_frames, double seconds);
double TrackPosition();

void FillTrack(TrackInfo& track, const std::string& key, int number, const CDTrackEntry& entry,
               const CDTitles& titles) {
  track.path = CDDA_TrackPath(key, number);
  platform::CopyField(track.type_text, "CDDA");
  track.format_tag = decoders::kTagCdTrack;
  track.frequency = kFrequency;
  track.stereo = 1;
  track.bits = 16;
  track.data_start[0] = entry.start;
  track.data_start[1] = entry.end;
  track.length = int32_t((entry.end - entry.start + 1) * uint64_t(kFramesPerSector));
  track.seekable = 1;
  const char* performer = titles.performers[number];
  platform::CopyField(track.artist, *performer ? performer : titles.artist);
  platform::CopyField(track.album, titles.album);
  track.open = OpenTrack;
  track.close = CloseTrack;
  track.seek = SeekTrack;
  track.decode = DecodeTrack;
  track.position = TrackPosition;
  track.edit_tags = g_title_editor.load();
}

const char* Init() { return "[CDDA]"; }

void Exit() {
  CloseTrack();
  std::lock_guard lock(g_titles_mutex);
  g_titles = CDTitles{};
}

// Only names that are no file and look exactly like a track of some disc are
// asked of the drive; the path keeps its own disc key.
int Probe(decoders::TW_File* file, const uint8_t* header, size_t, TrackInfo* track) {
  if (file || !header || !track) return 0;
  const auto parsed = CDDA_ParseTrackPath(track->path);
  if (!parsed) return 0;
  CDTitles titles;
  CDDrivePtr drive = ReadDisc(kNormalTimeoutMs, &titles);
  if (!drive) return 0;
  const int number = parsed->track < 0 ? int(drive->first_track) : parsed->track;
  if (!Playable(*drive, number)) return 0;
  FillTrack(*track, parsed->key, number, drive->tracks[size_t(number)], titles);
  const char* title = titles.titles[number];
  platform::CopyField(track->title, *title ? std::string(title) : track->path);
  return 1;
}

int OpenTrack(TrackInfo* track) {
  if (!track || track->format_tag != decoders::kTagCdTrack) return 0;
  CloseTrack();
  auto instance = std::make_unique<Instance>();
  instance->track = *track;
  instance->drive = ReadDisc(kNormalTimeoutMs, nullptr);
  if (!instance->drive) return 0;
  // Another disc's track identifies but does not play.
  if (track->path.compare(0, kDiscKeyLength, instance->drive->disc_key) != 0) return 0;
  instance->start = track->data_start[0];
  instance->end = track->data_start[1];
  if (instance->end < instance->start) return 0;
  instance->current = instance->start;
  g_instance = std::move(instance);
  return 1;
}

void CloseTrack() { g_instance.reset(); }

double TrackPosition() {
  if (!g_instance || !g_instance->drive) return 0.0;
  return double(g_instance->current - g_instance->start) * kFramesPerSector / kFrequency;
}

double SeekTrack(double seconds) {
  if (!g_instance) return 0.0;
  Instance& in = *g_instance;
  const double total = double(in.end - in.start + 1) * kFramesPerSector / kFrequency;
  const double target = std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, total);
  const uint64_t sectors = uint64_t(target * kFrequency) / kFramesPerSector;
  in.current = uint32_t(std::min<uint64_t>(in.start + sectors, in.end));
  return TrackPosition();
}

int32_t DecodeTrack(void* left, void* right, int32_t max_frames, double seconds) {
  if (!g_instance || !left || !right) return 0;
  Instance& in = *g_instance;
  const double wanted = std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, 60.0);
  int64_t frames = std::max<int64_t>(int64_t(wanted * kFrequency), kFramesPerSector);
  frames = std::min<int64_t>(frames, max_frames);
  int64_t sectors = frames / kFramesPerSector;
  if (in.current > in.end) return 0;
  sectors = std::min<int64_t>(sectors, int64_t(in.end) - in.current + 1);
  if (sectors < 1) return 0;
  const size_t bytes = size_t(sectors) * kSectorBytes;
  if (in.buffer.size() < bytes) in.buffer.resize(bytes);
  const int32_t got = CDDrive_ReadSectors(*in.drive, in.current, int32_t(sectors), in.buffer);
  if (got < 1) return got;
  const int32_t whole = got / kSectorBytes;
  if (whole < 1) return -2;
  auto* l = static_cast<int16_t*>(left);
  auto* r = static_cast<int16_t*>(right);
  const uint8_t* data = in.buffer.data();
  const int32_t delivered = whole * kFramesPerSector;
  for (int32_t i = 0; i < delivered; ++i, data += 4) {
    l[i] = int16_t(uint16_t(data[0] | (data[1] << 8)));
    r[i] = int16_t(uint16_t(data[2] | (data[3] << 8)));
  }
  in.current += uint32_t(whole);
  return delivered;
}

}  // namespace

CDDrivePtr CDDA_ReadDisc(int timeout_ms) { return ReadDisc(timeout_ms, nullptr); }

std::vector<decoders::TrackPtr> CDDA_ListTracks(std::string* key, int timeout_ms) {
  std::vector<decoders::TrackPtr> tracks;
  CDTitles titles;
  CDDrivePtr drive = ReadDisc(timeout_ms, &titles);
  if (key) *key = drive ? drive->disc_key : "";
  if (!drive) return tracks;
  for (int n = int(drive->first_track); n <= int(drive->last_track); ++n) {
    if (!Playable(*drive, n)) continue;
    auto track = std::make_unique<TrackInfo>();
    FillTrack(*track, drive->disc_key, n, drive->tracks[size_t(n)], titles);
    if (titles.titles[n][0]) {
      platform::CopyField(track->title, titles.titles[n]);
      platform::CopyField(track->comment, track->path);
    }
    tracks.push_back(std::move(track));
  }
  return tracks;
}

int CDDA_PollDisc() {
  if (!settings::Cdda().Fetch().notify_changes) return 0;
  std::string remembered;
  {
    std::lock_guard lock(g_titles_mutex);
    remembered = g_titles.disc_key;
  }
  CDDrivePtr drive = ReadDisc(kPollTimeoutMs, nullptr);
  if (drive) return remembered != drive->disc_key ? 2 : 0;
  if (remembered.empty()) return 0;
  std::lock_guard lock(g_titles_mutex);
  g_titles.disc_key[0] = '\0';
  return 1;
}

CDTitles CDDA_GetTitles() {
  std::lock_guard lock(g_titles_mutex);
  return g_titles;
}

bool CDDA_SaveTitles(const CDTitles& titles) {
  if (!CDTitles_Save(settings::Cdda().Fetch().cd_titles, titles)) return false;
  std::lock_guard lock(g_titles_mutex);
  if (std::strcmp(g_titles.disc_key, titles.disc_key) == 0) g_titles = titles;
  return true;
}

void CDDA_SetTitleEditor(decoders::EditTagsFn editor) { g_title_editor.store(editor); }

}  // namespace cdda

namespace decoders {
const DecoderClass kCddaDecoder = {"CDDA", cdda::Init, cdda::Exit, cdda::Probe};
}  // namespace decoders
