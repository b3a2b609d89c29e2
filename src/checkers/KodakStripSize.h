#pragma once
// The size rule KDC and K25 share: the end of the raw strip named by IFD0's
// sub-IFD or, for the full-resolution layout (NewSubfileType 0), by IFD0 itself.

#include <cstdint>

#include "checkers/TiffToolkit.h"

namespace salvonix::tiff {

struct KodakStripRule {
  uint64_t subIfdOffsetLimit;  // K25: 150 MiB
  uint32_t maxStripValues;     // KDC: more strip values give 0
  uint64_t slack;              // KDC: 512
};

inline constexpr KodakStripRule kKdcStripRule{kNoLimit, 25, kSlack};
inline constexpr KodakStripRule kK25StripRule{kLimit150MiB, UINT32_MAX, 0};

uint64_t kodakStripSize(TiffReader& reader, uint32_t ifd0, const KodakStripRule& rule);

}  // namespace salvonix::tiff
