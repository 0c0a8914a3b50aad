// TUNEWRIGHT_OUTPUT: which sink the voices feed.
#include <cstdlib>

#include "audio/voices/Sink.h"
#include "platform/AsciiCase.h"

namespace audio::voices {
namespace {

constexpr const char* kVariable = "TUNEWRIGHT_OUTPUT";

// True when text begins with scheme (any letter case); *rest gets what follows it.
bool HasScheme(const std::string& text, const char* scheme, std::string* rest) {
  const size_t length = std::char_traits<char>::length(scheme);
  if (!platform::StartsWithNoCase(text, std::string_view(scheme, length))) return false;
  *rest = text.substr(length);
  return true;
}

}  // namespace

OutputChoice ParseOutputChoice(const std::string& text, const std::string& alsa_device_fallback) {
  OutputChoice choice;
  std::string rest;
  if (text.empty() || platform::EqualsNoCase(text, "alsa")) {
    choice.target = alsa_device_fallback.empty() ? "default" : alsa_device_fallback;
  } else if (HasScheme(text, "alsa:", &rest)) {
    choice.target = rest.empty() ? "default" : rest;
  } else if (platform::EqualsNoCase(text, "null")) {
    choice.kind = OutputChoice::Kind::kNull;
  } else if (HasScheme(text, "file:", &rest) && !rest.empty()) {
    choice.kind = OutputChoice::Kind::kFile;
    choice.target = rest;
  } else {
    choice.error = std::string(kVariable) + "=\"" + text +
                   "\" is not understood; use alsa[:DEVICE], file:PATH or null.";
  }
  return choice;
}

OutputChoice OutputFromEnvironment(const std::string& alsa_device_fallback) {
  const char* value = std::getenv(kVariable);
  return ParseOutputChoice(value ? value : "", alsa_device_fallback);
}

std::unique_ptr<Sink> OpenSink(const OutputChoice& choice, uint32_t rate, std::string* error) {
  std::string reason = choice.error;
  std::unique_ptr<Sink> sink;
  if (reason.empty()) {
    switch (choice.kind) {
      case OutputChoice::Kind::kAlsa:
        sink = OpenAlsaSink(choice.target, rate, &reason);
        break;
      case OutputChoice::Kind::kFile:
        sink = OpenFileSink(choice.target, rate, &reason);
        break;
      case OutputChoice::Kind::kNull:
        sink = OpenNullSink(rate);
        break;
    }
  }
  if (!sink && error) {
    *error = choice.error.empty()
                 ? reason + " Set " + kVariable +
                       " to alsa:DEVICE, file:PATH or null to choose another output."
                 : reason;
  }
  return sink;
}

}  // namespace audio::voices
