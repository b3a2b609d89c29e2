#pragma once
// "1 file", "2 files".

#include <cstdint>
#include <string>

#include <fmt/format.h>

namespace salvonix {

inline std::string filesText(uint64_t count) { return fmt::format("{} {}", count, count == 1 ? "file" : "files"); }

}  // namespace salvonix
