#pragma once
// JPEG files built byte by byte: marker segments, then entropy-coded data
// (with 0xFF bytes stuffed as the format requires) and the end marker.

#include "support/TestImage.h"

namespace salvonix::test {

struct JpegLayout {
  uint8_t firstMarker = 0xE0;
  std::vector<uint32_t> segmentLengths = {16, 67, 17};  // after the first marker's segment
  std::size_t entropyBytes = 4000;
  bool endMarker = true;
  uint32_t seed = 7;
};

inline Bytes buildJpeg(const JpegLayout& layout) {
  Bytes out = {0xFF, 0xD8, 0xFF, layout.firstMarker};
  auto segment = [&](uint32_t length) {
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
    for (uint32_t i = 2; i < length; ++i) out.push_back(static_cast<uint8_t>(i * 7));
  };
  segment(16);
  for (uint32_t length : layout.segmentLengths) {
    out.push_back(0xFF);
    out.push_back(0xDB);
    segment(length);
  }
  out.insert(out.end(), {0xFF, 0xDA});
  segment(12);
  Bytes data = randomBytes(layout.entropyBytes, layout.seed);
  for (uint8_t byte : data) {
    out.push_back(byte);
    if (byte == 0xFF) out.push_back(0x00);
  }
  if (layout.endMarker) out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

// The size the checker gives a complete file: its end marker's offset + 514.
inline uint64_t jpegSize(const Bytes& jpeg) { return jpeg.size() - 2 + 514; }

}  // namespace salvonix::test
