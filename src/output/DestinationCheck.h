#pragma once
// Whether a destination folder lies on the device being read: writing there
// could overwrite the very files being recovered.

#include <string>

namespace salvonix {

class Device;

// True when destination (existing or not yet created) is on source, on a
// partition of it, or on the disk that holds it.
bool destinationOnDevice(const std::string& destination, const Device& source);

}  // namespace salvonix
