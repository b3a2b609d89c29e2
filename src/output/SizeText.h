#pragma once
// A byte count as the user sees it: two decimals in KB, MB or GB.

#include <cstdint>
#include <string>

namespace salvonix {

std::string sizeText(uint64_t bytes);

}  // namespace salvonix
