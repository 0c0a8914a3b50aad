// SgioTransport: SCSI commands to a Linux CD device node through the SG_IO ioctl.
#pragma once

#include <memory>
#include <string>

#include "cdda/ScsiTransport.h"

namespace cdda {

// Opens node read-only and non-blocking (no disc is needed to open). MODE SELECT
// commands reopen the node read-write for the one command. Null when the node
// cannot be opened at all.
std::unique_ptr<ScsiTransport> OpenSgioTransport(const std::string& node);

// Reads key, ASC and ASCQ from fixed (0x70/0x71) or descriptor (0x72/0x73) sense data.
ScsiSense ParseSense(const uint8_t* sense, size_t length);

}  // namespace cdda
