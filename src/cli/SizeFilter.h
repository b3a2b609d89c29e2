#pragma once
// --min-size and --max-size: the files of a result that are listed and saved.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "scan/HDIR.h"

namespace salvonix {

struct SizeRange {
  uint64_t min = 0;
  uint64_t max = std::numeric_limits<uint64_t>::max();
  bool all() const { return min == 0 && max == std::numeric_limits<uint64_t>::max(); }
};

// Why the range is refused ("" when it is not).
std::string sizeRangeProblem(SizeRange range);

// A copy of root with the files whose size lies in the range (bounds
// included), folder counts and sizes recomputed; marks are kept.
std::shared_ptr<HDIR> filesWithin(const HDIR& root, SizeRange range);

}  // namespace salvonix
