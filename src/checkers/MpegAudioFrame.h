#pragma once
// MPEG audio frame headers (MPEG-1, MPEG-2 and MPEG-2.5, Layers I to III):
// the fields of the 32-bit header and the frame length they give.

#include <cstdint>

namespace salvonix {

// numberOfBits bits of value, the most significant of them at startBit
// (bit 0 is the least significant).
constexpr uint32_t bitCheck(uint32_t value, uint32_t startBit, uint32_t numberOfBits) {
  return (value >> (startBit + 1 - numberOfBits)) & ((1u << numberOfBits) - 1);
}

struct MpegAudioHeader {
  explicit MpegAudioHeader(uint32_t header)
      : version(bitCheck(header, 20, 2)),
        layer(bitCheck(header, 18, 2)),
        bitrateIndex(bitCheck(header, 15, 4)),
        sampleRateIndex(bitCheck(header, 11, 2)),
        padding(bitCheck(header, 9, 1)) {}

  uint32_t version;          // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
  uint32_t layer;            // 1 Layer III, 2 Layer II, 3 Layer I, 0 reserved
  uint32_t bitrateIndex;     // 1 to 14 are bitrates; 0 (free format) and 15 are refused
  uint32_t sampleRateIndex;  // 3 is reserved
  uint32_t padding;

  bool versionAndLayerValid() const { return version != 1 && layer != 0; }
  bool bitrateValid() const { return bitrateIndex != 0 && bitrateIndex != 15; }
  bool sampleRateValid() const { return sampleRateIndex != 3; }
  bool valid() const { return versionAndLayerValid() && bitrateValid() && sampleRateValid(); }

  // Bits per second and samples per second; only for valid headers.
  uint32_t bitrate() const;
  uint32_t sampleRate() const;
  // Bytes from this header to the next; only for valid headers. Never 0.
  uint32_t frameLength() const;
};

}  // namespace salvonix
