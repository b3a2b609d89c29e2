#pragma once
// "1 file", "2 files": a count with its noun, plural as needed.

#include <cstdint>
#include <string>

#include <fmt/format.h>

namespace salvonix {

inline std::string counted(uint64_t count, const char* noun) {
  return fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

inline std::string filesText(uint64_t count) { return counted(count, "file"); }

}  // namespace salvonix
