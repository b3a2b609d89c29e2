#include "checkers/MidFileCheck.h"

#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint64_t kFirstChunk = 14;
constexpr uint64_t kLargest = 2147483640;
constexpr uint64_t kOverlongSize = 15728640;
constexpr uint64_t kSmallest = 4095;  // at most this: no file
constexpr uint64_t kSlack = 512;
}  // namespace

bool MidFileCheck::isFile(SectorHeader h, uint64_t) {
  bRiffMidiFile_ = false;
  if (std::memcmp(h.data(), "MThd", 4) == 0) return std::memcmp(h.data() + 14, "MTrk", 4) == 0;
  if (std::memcmp(h.data(), "RIFF", 4) == 0 && std::memcmp(h.data() + 8, "RMID", 4) == 0) {
    bRiffMidiFile_ = true;
    return true;
  }
  return false;
}

uint64_t MidFileCheck::fileSizeCalculation(SectorHeader h, uint64_t sectorNumber) {
  measuredWhole_ = false;
  window_.setFileStart(sectorNumber);
  // The wrapped form is sized from its header, but only on a readable start.
  if (!window_.bytesAt(0, 1)) return 0;
  if (bRiffMidiFile_) {
    const uint64_t size = uint64_t{bytes::le32(h.data(), 4)} + 8;
    if (size > kLargest) return kOverlongSize;
    return size <= kSmallest ? 0 : size;
  }

  const uint32_t announced = bytes::be16(h.data(), 10);
  uint32_t tracks = announced;
  uint64_t next = kFirstChunk;  // file offset of the next chunk
  for (; tracks > 0 && !cancelled(context_); --tracks) {
    const uint8_t* chunk = window_.bytesAt(next, 8);
    if (!chunk) return 0;
    // Fewer tracks than announced: keep what was walked, with slack for the rest.
    if (std::memcmp(chunk, "MTrk", 4) != 0) return next > kSmallest ? next + kSlack : 0;
    next += uint64_t{bytes::be32(chunk, 4)} + 8;
    if (next > kLargest) return kOverlongSize;
  }
  // Every announced track found: a whole file, however short (ring tones are 1 to 4 KB).
  measuredWhole_ = tracks == 0 && announced > 0;
  if (measuredWhole_) return next;
  return next > kSmallest ? next : 0;
}

}  // namespace salvonix
