// The ALSA PCM devices that can play, the choices for MODE_NAME.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "audio/voices/Voices.h"

namespace audio::voices {
namespace {

struct HintsFree {
  void operator()(void** hints) const noexcept { snd_device_name_free_hint(hints); }
};

// snd_device_name_get_hint hands out malloc'ed copies.
std::string TakeHint(const void* hint, const char* id) {
  std::unique_ptr<char, decltype(&std::free)> value(snd_device_name_get_hint(hint, id), &std::free);
  return value ? std::string(value.get()) : std::string();
}

}  // namespace

std::vector<DeviceName> ListOutputDevices() {
  std::vector<std::string> names;
  void** raw = nullptr;
  if (snd_device_name_hint(-1, "pcm", &raw) == 0 && raw) {
    std::unique_ptr<void*, HintsFree> hints(raw);
    for (void** hint = raw; *hint; ++hint) {
      const std::string name = TakeHint(*hint, "NAME");
      const std::string direction = TakeHint(*hint, "IOID");  // empty: both ways
      if (name.empty() || (!direction.empty() && direction != "Output")) continue;
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  names.erase(std::remove(names.begin(), names.end(), "default"), names.end());
  names.insert(names.begin(), "default");
  std::vector<DeviceName> devices;
  for (size_t i = 0; i < names.size(); ++i) {
    devices.push_back({static_cast<uint32_t>(i + 1), names[i]});
  }
  return devices;
}

}  // namespace audio::voices
