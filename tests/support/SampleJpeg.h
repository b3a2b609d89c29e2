#pragma once
// A JPEG stream of an exact length, for previews embedded in raw files.

#include "support/TestImage.h"

namespace salvonix::test {

// FF D8, a JFIF segment, filler without markers and FF D9; size at least 24.
Bytes sampleJpeg(std::size_t size, uint32_t seed);

}  // namespace salvonix::test
