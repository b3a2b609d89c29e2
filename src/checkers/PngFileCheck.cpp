#include "checkers/PngFileCheck.h"

#include <zlib.h>

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

bool isLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

bool PngFileCheck::isFile(SectorHeader h, uint64_t) {
  return h[0] == 0x89 && h[1] == 'P' && h[2] == 'N' && h[3] == 'G' && std::memcmp(h.data() + 12, "IHDR", 4) == 0;
}

// The CRC over a chunk's type and data matches the one stored after them.
bool PngFileCheck::crcMatches(uint64_t typeOffset, uint32_t length) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const uint64_t end = typeOffset + 4 + length;
  for (uint64_t at = typeOffset; at < end;) {
    if (cancelled(context_)) return false;
    const auto piece = static_cast<uint32_t>(std::min<uint64_t>(end - at, kWindowBytes));
    const uint8_t* bytes = crcWindow_.bytesAt(at, piece);
    if (!bytes) return false;
    crc = crc32(crc, bytes, piece);
    at += piece;
  }
  const uint8_t* stored = crcWindow_.bytesAt(end, 4);
  return stored && bytes::be32(stored, 0) == crc;
}

uint64_t PngFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  measuredWhole_ = false;
  window_.setFileStart(sectorNumber);
  crcWindow_.setFileStart(sectorNumber);
  if (!window_.bytesAt(0, 1)) return 0;
  // The file offset of the CRC ending the previous chunk.
  uint64_t o = kIhdrCrcOffset;
  while (o <= kWalkLimit && !cancelled(context_)) {
    // The chunk's length and type; the CRC is read through its own window, so these stay held.
    const uint8_t* head = window_.bytesAt(o + 4, 8);
    if (!head) return 0;
    const uint32_t length = bytes::be32(head, 0);
    const uint8_t* type = head + 4;
    if (length > kLongestChunk) break;
    // A chunk outside the standard list (iDOT, eXIf, the animation chunks,
    // private ones) is taken when its type is four letters and its CRC matches.
    if (!isKnownChunk(type) && !(std::all_of(type, type + 4, isLetter) && crcMatches(o + 8, length))) break;
    const bool end = std::memcmp(type, "IEND", 4) == 0;
    o += uint64_t{length} + 12;
    // The file ends with IEND: what follows belongs to something else.
    if (end) {
      measuredWhole_ = true;
      break;
    }
  }
  if (o > kOverlong) return kOverlongSize;
  if (o <= kSmallest) return 0;
  return o + kSlack;
}

}  // namespace salvonix
