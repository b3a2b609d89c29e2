#include "checkers/PngFileCheck.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint64_t kIhdrCrcOffset = 29;         // 8-byte signature + 4 + 4 + 13-byte IHDR data
constexpr uint64_t kWalkLimit = 52428799;       // the walk goes on while the offset is at most this
constexpr uint32_t kLongestChunk = 51404800;    // a longer chunk ends the walk uncounted
constexpr uint64_t kOverlong = 102809600;       // beyond this the file is recorded with...
constexpr uint64_t kOverlongSize = 5243396;     // ...5 MiB + 516
constexpr uint64_t kSmallest = 49;              // at most this: no file
constexpr uint64_t kSlack = 516;                // from the last CRC: the CRC, and 512 more

constexpr std::array<std::string_view, 18> kKnownChunks = {
    "IDAT", "IHDR", "IEND", "PLTE", "cHRM", "gAMA", "iCCP", "sBIT", "sRGB",
    "bKGD", "hIST", "tRNS", "pHYs", "sPLT", "tIME", "iTXt", "tEXt", "zTXt",
};

bool isKnownChunk(const uint8_t* type) {
  const std::string_view name(reinterpret_cast<const char*>(type), 4);
  return std::find(kKnownChunks.begin(), kKnownChunks.end(), name) != kKnownChunks.end();
}
}  // namespace

bool PngFileCheck::isFile(SectorHeader h, uint64_t) {
  return h[0] == 0x89 && h[1] == 'P' && h[2] == 'N' && h[3] == 'G' && std::memcmp(h.data() + 12, "IHDR", 4) == 0;
}

bool PngFileCheck::readWindow(uint64_t sector) {
  window_.fill(0);
  return readDiskFromPngFileCheck_.readSector(sector, kWindowBytes / context_.u32BytesInSector, window_.data());
}

uint64_t PngFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint8_t* w = window_.data();
  if (!readWindow(sectorNumber)) return 0;
  // p is the window position of the CRC ending the previous chunk, o its file offset.
  uint64_t p = kIhdrCrcOffset;
  uint64_t o = kIhdrCrcOffset;
  while (o <= kWalkLimit && !context_.bCancelScanning.load(std::memory_order_relaxed)) {
    if (!isKnownChunk(w + p + 8)) break;
    const uint32_t length = bytes::be32(w, p + 4);
    if (length > kLongestChunk) break;
    o += uint64_t{length} + 12;
    p += uint64_t{length} + 12;
    if (p >= kWindowBytes) {
      if (!readWindow(sectorNumber + o / bytesPerSector)) return 0;
      p = o % bytesPerSector;
    }
  }
  if (o > kOverlong) return kOverlongSize;
  if (o <= kSmallest) return 0;
  return o + kSlack;
}

}  // namespace salvonix
