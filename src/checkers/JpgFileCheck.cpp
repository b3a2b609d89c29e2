#include "checkers/JpgFileCheck.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint64_t kSizeCap = 26214400;     // 25 MiB without an end marker...
constexpr uint64_t kCappedSize = 5242880;   // ...is recorded as 5 MiB
constexpr uint64_t kEndSlack = 514;         // the end marker and one more sector
}  // namespace

bool JpgFileCheck::isFile(SectorHeader h, uint64_t) {
  if (h[0] != 0xFF || h[1] != 0xD8 || h[2] != 0xFF) return false;
  // Any application segment (APP0 to APP15: JFIF, Exif, ICC profile, Photoshop, ...), DQT, DHT or COM.
  if (h[3] >= 0xE0 && h[3] <= 0xEF) return true;
  return h[3] == 0xDB || h[3] == 0xC4 || h[3] == 0xFE;
}

bool JpgFileCheck::readWindow(uint64_t sector) {
  window_.fill(0);
  return readDiskFromJpgFileCheck_.readSector(sector, kWindowBytes / context_.u32BytesInSector, window_.data());
}

uint64_t JpgFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint8_t* w = window_.data();
  uint64_t windowSector = sectorNumber;
  measuredWhole_ = false;
  if (!readWindow(windowSector)) return 0;
  uint64_t position = 4;
  uint64_t size = 4;
  bool inScan = false;

  for (;;) {
    if (context_.bCancelScanning.load(std::memory_order_relaxed)) return size;
    if (!inScan) {
      const uint32_t length = bytes::be16(w, position);
      const uint64_t step = length ? length : 2;
      uint64_t next = position + step;
      size += step + 2;
      if (next + 2 > kWindowBytes) {
        windowSector += next / bytesPerSector;
        next %= bytesPerSector;
        if (!readWindow(windowSector)) return 0;
      }
      if (w[next] != 0xFF) {
        // The chain broke: keep the file up to where the marker was expected.
        return size > kSizeCap ? kCappedSize : size;
      }
      inScan = w[next + 1] == 0xDA;
      position = next + 2;
      if (size > kSizeCap) return kCappedSize;
      continue;
    }
    // Entropy-coded data: look for FF D9, a byte at a time in effect. Only as
    // many bytes are searched as the 25 MiB cap leaves room for.
    if (position >= kWindowBytes) {
      // The window holds one sector beyond 64 KiB, so a marker straddling the edge was seen.
      windowSector += kWindowBytes / bytesPerSector;
      position -= kWindowBytes;
      if (!readWindow(windowSector)) return 0;
    }
    const uint64_t capRoom = kSizeCap - size;
    const uint64_t end = std::min<uint64_t>(kWindowBytes, position + capRoom + 1);
    for (uint64_t p = position; p < end;) {
      const void* hit = std::memchr(w + p, 0xFF, end - p);
      if (!hit) break;
      p = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - w);
      if (w[p + 1] == 0xD9) {
        measuredWhole_ = true;
        return size + (p - position) + kEndSlack;
      }
      ++p;
    }
    size += end - position;
    position = end;
    if (size > kSizeCap) return kCappedSize;
  }
}

}  // namespace salvonix
