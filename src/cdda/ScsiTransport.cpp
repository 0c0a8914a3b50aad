#include "cdda/ScsiTransport.h"

#include "cdda/ImageTransport.h"
#include "cdda/SgioTransport.h"
#include "platform/AsciiCase.h"
#include "platform/Paths.h"

namespace cdda {

bool HasCueSuffix(const std::string& name) {
  return name.size() > 4 && platform::EndsWithNoCase(name, ".cue");
}

std::unique_ptr<ScsiTransport> OpenScsiTransport(const std::string& device) {
  // A missing image is a drive with an empty tray, so that polling sees a removal.
  if (HasCueSuffix(device)) return ImageTransport::FromCue(device);
  return OpenSgioTransport(platform::IsAbsolutePath(device) ? device : "/dev/sr0");
}

}  // namespace cdda
