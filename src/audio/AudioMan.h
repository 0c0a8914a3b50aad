// The output manager (AUDIOMAN): keeps a ring of decoded frames per channel, feeds
// the voice layer through two double-buffered sounds per channel, applies tone and
// expand while copying, and recovers by itself when the ring runs dry.
//
// Threads: the player task calls Aum_Open/Aum_Write/Aum_Control, the main task
// Aum_Control and Aum_ListModes; the processor task "AUM_Processor" receives blocks
// ("AUM_Message"); the voice layer's mixer runs the sound hook. All results are 0
// for success or one of the error codes below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace audio {

constexpr int32_t kAumNotInitialised = -36000;  // also: processor failed, ListModes max <= 0
constexpr int32_t kAumNoMemory = -36002;        // ring, sound buffer or voice allocation refused
constexpr int32_t kAumNoDevice = -36003;        // the output cannot be opened
constexpr int32_t kAumRingTooShort = -36004;    // ring shorter than two output blocks
constexpr int32_t kAumCannotPlay = -36005;      // the output refused to start
constexpr int32_t kAumBlockRefused = -36006;    // output idle, block too large, or no room

// Output states.
enum AumState : int32_t {
  kAumStopped = 0,  // not running
  kAumIdle = 1,     // nothing allocated
  kAumPlaying = 2,
  kAumPaused = 3,
  kAumPausedEarly = 4,  // paused before playback began
  kAumWaiting = 5,      // allocated, waiting for two blocks (after open, halt, or running dry)
  kAumQuitting = 6,
  kAumProcessorFailed = 7,
};

// Control codes of Aum_Control.
enum AumCode : int {
  kAumCtlStop = 0,       // free everything, state idle
  kAumCtlPause = 1,      // value 0 pauses, otherwise resumes (re-allocating when idle)
  kAumCtlHalt = 2,       // silence and empty the rings; waits for data again
  kAumCtlFrequency = 3,  // value = out frequency
  kAumCtlVolume0 = 4,
  kAumCtlVolume1 = 5,
  kAumCtlQueued = 6,   // *answer = frames in the rings
  kAumCtlState = 7,    // *answer = output state
  kAumCtlEffects = 8,  // value = effect flags
  kAumCtlFilter = 9,   // accepted, no stage acts on it
  kAumCtlFree = 10,    // *answer = room left in the rings
  kAumCtlBass = 11,    // value = dB
  kAumCtlTreble = 12,  // value = dB
  // Starts whatever is queued even below two blocks (the writer has no more) and
  // sets *answer to what is still to be heard: 0 once the last real frame has played.
  kAumCtlDrain = 13,
  kAumCtlReplayGain = 14,  // value = the song's gain factor in 1/65536
};
constexpr int32_t kAumUnityReplayGain = 65536;

// One block of decoded frames: buffer 0 the first channel, buffer 1 the second.
struct BlockDesc {
  int32_t frames = 0;
  const void* buffer[2] = {nullptr, nullptr};
};

// The half just filled, valid only during the last-block call (the mixer refills it).
struct LastBlockInfo {
  int32_t frames = 0;
  const void* buffer[2] = {nullptr, nullptr};
  int16_t channels = 0;
  int16_t bits = 0;
  int32_t gain[2] = {0, 0};  // channel volumes, 64 = unity
};

struct OutputParams {
  int32_t device = 1;
  uint32_t mode_id = 0;
  std::string mode_name;  // ALSA device when TUNEWRIGHT_OUTPUT is not set
  int32_t ring_frames = 0;
  // Called after every fill, from the mixer thread; must not call back into AUDIOMAN
  // and must copy what it keeps.
  std::function<void(const LastBlockInfo&)> last_block;
  int16_t channels = 2;  // 1 or 2
  int16_t bits = 16;     // 8 or 16
  int16_t filter_mode = 0;
  int16_t effect_flags = 0;   // kEffectExpand | kEffectTone
  int32_t out_frequency = 0;  // Hz the sounds play at
  int32_t mix_frequency = 0;  // Hz the output mixes at; 0 = out frequency
  int32_t volume0 = 64, volume1 = 64;
  int32_t replay_gain = kAumUnityReplayGain;  // on top of the volumes
  int32_t bass = 0, treble = 0;
  // Frames of the largest block the writer sends. When set, the ring grows to hold
  // it plus the two output blocks playback needs to start, so no block is refused.
  int32_t largest_block = 0;
};

// Starts the processor task (once per program); waits until it runs.
int32_t Aum_Init();
// Stops output and the processor task.
int32_t Aum_Exit();
// In the idle state: keeps the parameters and allocates the output (then waiting).
// Other states: nothing, 0.
int32_t Aum_Open(const OutputParams& params);
// Blocks until the block's frames are in the rings (or refused); copies them.
int32_t Aum_Write(const BlockDesc& block);
// value is the argument of setting codes; answer receives the result of the
// query codes (6, 7, 10, 13) and may be null.
int32_t Aum_Control(int code, int32_t value = 0, int32_t* answer = nullptr);
// Lists output devices: count, or kAumNotInitialised when max <= 0.
int32_t Aum_ListModes(int32_t device, std::vector<uint32_t>* ids, std::vector<std::string>* names,
                      int32_t max);

}  // namespace audio
