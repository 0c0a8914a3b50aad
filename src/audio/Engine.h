// The audio engine (TW_Audio_c): the player task "Tunewright_Audio" that pulls
// blocks from the song's decoder and paces them into the output manager, and the
// Engine_* operations by which the main task drives it. Every task command is a
// synchronous request and reply; volume, speed, filter and effect switches act on
// the output at once. Call all of these from one controlling thread (the main task).
#pragma once

#include <cstdint>

#include "audio/OutputSnapshot.h"
#include "decoders/TrackInfo.h"

namespace platform {
class Signals;
}

namespace audio {

// Reported states, as the main task sees them.
constexpr int32_t kEngineNone = -1;  // no song yet (or no engine)
constexpr int32_t kEnginePlaying = 1;
constexpr int32_t kEnginePaused = 2;
constexpr int32_t kEngineStopped = 3;
constexpr int32_t kEngineFinished = 4;  // the song was played to its last heard frame

// Starts the engine and its output manager with a ring of buffer_time_ms (0 or less:
// 250 ms until a song brings BUFFER_TIME). Each change of the reported state signals
// notify_bits on notify (may be null). False when anything cannot be made.
bool Engine_Start(int32_t buffer_time_ms, platform::Signals* notify, uint32_t notify_bits);
// Stops the song, ends the task and frees the engine. Harmless without an engine.
void Engine_Shutdown();

// Plays the track from its start; the engine keeps its own copy, so the caller may
// free the record at once. 1 on success, 0 on failure (Engine_LastResult tells why:
// 1 no track, 2 engine busy or the decoder refused, 3 the output cannot start or
// the song is empty, -1 no engine).
int Engine_Play(const decoders::TrackInfo* track);
void Engine_Stop();
void Engine_Pause(bool on);
// Result of the last command sent (0 success; -1 when the task had ended).
int32_t Engine_LastResult();
// Error of the output manager that ended the last song early (0 none).
int32_t Engine_LastOutputError();

// VOLUME is clamped to 0..256 (64 = unity), BALANCE to -64..64.
void Engine_SetVolume(int32_t volume);
void Engine_SetBalance(int32_t balance);
int32_t Engine_GetVolume();
// REPLAYGAIN (0 off, 1 track, 2 album) and REPLAYGAIN_PREAMP (dB, -15..15),
// clamped; the playing song takes them at once, as every later song does.
void Engine_SetReplayGain(int32_t mode, int32_t preamp_db);
void Engine_SetFilter(int on);
void Engine_SetExpand(int on);
void Engine_SetToneActive(int on);
void Engine_SetBassTreble(int32_t bass_db, int32_t treble_db);

// Speed in percent, 25..400, kept across songs; acts only while a track is set.
void Engine_SetSpeed(double percent);
double Engine_GetSpeed();

// Seeks to seconds, clamped into the song. Returns the command's result.
int32_t Engine_SeekTo(double seconds);
// Steps by step seconds from the current time (clamped into the song); hold keeps
// the song from finishing when the data runs out (scanning). Step 0 ends a scan.
// Unseekable songs only step forward, by decoding silently.
int32_t Engine_SeekBy(int hold, double step);
// Seconds heard so far (decoder position less what the ring still holds).
double Engine_GetTime();
int32_t Engine_GetState();
int32_t Engine_GetLoad();  // decoding load in percent while playing
// Copies the block last handed to the output into out (its buffers are reused);
// out.frames is 0 unless playing. Any thread, while the engine runs.
int32_t Engine_CopyLastBlock(OutputSnapshot& out);
// PRIORITY, applied to the running task at once.
void Engine_SetPriority(int8_t priority);
// Sends the task the break signal: playback stops and the task ends.
void Engine_Break();

// Ring frames for a buffer of that many seconds at the out frequency (at least 4096).
int32_t Engine_RingFrames(double buffer_seconds, int32_t out_frequency);

}  // namespace audio
