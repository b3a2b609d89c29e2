#pragma once
// One line naming the kind of source that was opened, for the command line:
// "Opened E01 image card.E01 (2 segments, 512-byte sectors, 320.00 MB)".

#include <string>

namespace salvonix {

class Device;

std::string openedSourceText(const Device& device);

}  // namespace salvonix
