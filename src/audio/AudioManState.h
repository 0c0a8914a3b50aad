// The output manager's one record, shared by its two halves: AudioMan.cpp (the
// public operations, control codes and the processor task) and AudioManOutput.cpp
// (filling sounds, the sound hook, starting and allocating the voice layer).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioMan.h"
#include "audio/AudioRing.h"
#include "audio/Effects.h"
#include "audio/voices/Voices.h"
#include "platform/Signals.h"

namespace audio::aum {

constexpr int kSounds = 4;  // sound k = channel * 2 + half

struct Manager {
  // Lock order, outermost first: write_mutex, control, data, message_mutex. A
  // thread holding one of them may take only those after it (Reply runs under
  // data; the processor takes message_mutex under control). write_mutex is
  // taken by Aum_Write alone and never under another.
  //
  // Serialises control operations, allocation and the processor's message handling.
  // Held while the voice layer is started, stopped or destroyed; the sound hook never
  // takes it, so those calls may wait for the mixer.
  std::mutex control;
  // Protects what the sound hook shares with the others (every field marked "data").
  // Never held across VoiceOutput::Play or its destruction.
  std::mutex data;
  std::atomic<int32_t> state{kAumStopped};  // written under data
  bool initialised = false;                 // player task only
  std::thread processor;
  platform::Signals processor_signals;

  std::mutex write_mutex;  // one block message in flight: held by Aum_Write for its round trip
  std::mutex message_mutex;
  std::condition_variable replied_cv;
  BlockDesc message;           // protected by message_mutex
  bool posted = false;         // protected by message_mutex
  bool replied = false;        // protected by message_mutex
  bool processor_gone = true;  // protected by message_mutex
  int32_t result = 0;          // protected by message_mutex

  OutputParams params;                          // data
  std::unique_ptr<voices::VoiceOutput> voices;  // data; swapped out before destruction
  AudioRing ring;                               // data
  std::vector<uint8_t> sounds[kSounds];         // data; read by the mixer while loaded
  int32_t block_frames = 0;                     // data
  int current_half = 0;                         // data
  ToneCoefficients tone;                        // data
  ToneState tone_state[2];                      // data; kept across songs
  bool pending = false;                         // data: a block waits for room
  BlockDesc pending_block;                      // data
  bool draining = false;  // data: the last real half plays, a stop is queued after it
};

Manager& M();

void SetState(int32_t state);
// Answers the block message in flight.
void Reply(int32_t result);

// With m.data held:
void SilenceChannels(Manager& m);
void ApplyVolumes(Manager& m);
void EmptyRings(Manager& m);  // a pending block is replied
// Ends a drain once both channels have played the last real half; the output is then dry.
void FinishDrain(Manager& m);
// Fills the current half from the rings; the half filled, or -1 when nothing was queued.
int FillHalf(Manager& m);
void QueueHalf(Manager& m, int half);

// With m.control held and m.data not held:
bool StartPlayback(Manager& m);
void FreeOutput(Manager& m);
int32_t Allocate(Manager& m);

}  // namespace audio::aum
