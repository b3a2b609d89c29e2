#include "support/SampleJpeg.h"

#include <cstring>

namespace salvonix::test {

Bytes sampleJpeg(std::size_t size, uint32_t seed) {
  static const uint8_t kStart[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  Bytes jpeg = randomBytes(size, seed);
  for (auto& byte : jpeg)
    if (byte == 0xFF) byte = 0xFE;
  std::memcpy(jpeg.data(), kStart, sizeof kStart);
  jpeg[size - 2] = 0xFF;
  jpeg[size - 1] = 0xD9;
  return jpeg;
}

}  // namespace salvonix::test
