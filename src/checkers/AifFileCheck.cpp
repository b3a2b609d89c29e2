#include "checkers/AifFileCheck.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint64_t kFormHeader = 12;  // "FORM", its length and the form type
constexpr uint64_t kLargest = 2147483640;
constexpr uint64_t kOverlongSize = 62914560 + 512;
constexpr uint64_t kSmallest = 1023;  // at most this: recorded with the slack alone
constexpr uint64_t kSlack = 512;

constexpr std::array<std::string_view, 13> kKnownChunks = {
    "COMM", "ANNO", "SSND", "MARK", "INST", "MIDI", "AESD", "APPL", "NAME", "COMT", "AUTH", "FVER", "(c) ",
};

bool isKnownChunk(const uint8_t* id) {
  if (!id) return false;
  const std::string_view name(reinterpret_cast<const char*>(id), 4);
  return std::find(kKnownChunks.begin(), kKnownChunks.end(), name) != kKnownChunks.end();
}

// Bytes a chunk occupies: its 8-byte header, its data and the pad byte that
// follows data of odd length.
uint64_t chunkBytes(uint32_t length) { return uint64_t{length} + 8 + (length & 1); }
}  // namespace

bool AifFileCheck::isFile(SectorHeader h, uint64_t sectorNumber) {
  if (std::memcmp(h.data(), "FORM", 4) != 0 || std::memcmp(h.data() + 8, "AIF", 3) != 0) return false;
  const uint64_t second = kFormHeader + chunkBytes(bytes::be32(h.data(), 16));
  window_.setFileStart(sectorNumber);
  return isKnownChunk(window_.bytesAt(second, 4));
}

uint64_t AifFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  uint64_t total = 0;  // chunk bytes after the form header
  while (!cancelled(context_)) {
    const uint8_t* chunk = window_.bytesAt(kFormHeader + total, 8);
    if (!chunk) return 0;
    if (!isKnownChunk(chunk)) break;
    total += chunkBytes(bytes::be32(chunk, 4));
  }
  if (total > kLargest) return kOverlongSize;
  if (total <= kSmallest) return kSlack;
  return total + kSlack;
}

}  // namespace salvonix
