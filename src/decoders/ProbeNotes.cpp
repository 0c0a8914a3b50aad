#include <utility>

#include "decoders/TrackInfo.h"

namespace decoders {
namespace {

thread_local std::string g_unsupported;

}  // namespace

void Probe_NoteUnsupported(std::string what) {
  if (g_unsupported.empty()) g_unsupported = std::move(what);
}

std::string Probe_TakeUnsupported() { return std::exchange(g_unsupported, {}); }

}  // namespace decoders
