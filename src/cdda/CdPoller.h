// CdPoller: the disc-change check on a thread of its own ("TW_CdPoll"), so that a
// slow, empty or hung drive never holds up the main task. The main task asks for
// a poll; the worker runs CDDA_PollDisc with the short polling timeouts and, when
// another disc is in the drive, lists that disc's tracks as well; the result waits
// until the main task takes it, and only the main task changes the playlist.
//
// Request() and TakeResult() belong to the main task; the worker touches nothing
// but the CD module, whose shared state has its own lock.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "decoders/TrackInfo.h"

namespace cdda {

struct DiscChange {
  enum Kind { kNone = 0, kRemoved = 1, kNewDisc = 2 };  // the values of CDDA_PollDisc
  Kind kind = kNone;
  std::string key;                          // kNewDisc: the disc now in the drive
  std::vector<decoders::TrackPtr> tracks;   // kNewDisc: its audio tracks, in order
};

class CdPoller {
 public:
  CdPoller();
  // Waits for a poll under way; the polling timeouts bound that wait.
  ~CdPoller();
  CdPoller(const CdPoller&) = delete;
  CdPoller& operator=(const CdPoller&) = delete;

  // Starts a poll unless one is under way or its result was not taken yet: polls
  // never queue up behind a slow drive. False when no poll was started.
  bool Request();
  // Readable while a result waits to be taken (for the main loop's poll()).
  int ReadyFd() const { return ready_fd_; }
  // The finished poll's result, once; nullopt while none waits.
  std::optional<DiscChange> TakeResult();

 private:
  void Run();

  int ready_fd_ = -1;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool requested_ = false;              // protected by mutex_
  bool busy_ = false;                   // protected by mutex_: requested, running or not taken
  bool stopping_ = false;               // protected by mutex_
  std::optional<DiscChange> result_;    // protected by mutex_
  std::thread worker_;
};

}  // namespace cdda
