#include "checkers/MrwFileCheck.h"

#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint64_t kMaxBlockAreaLength = 52428800;
constexpr int kMaxBlocksExamined = 5;
constexpr uint8_t kUnpacked16Bit = 0x52;
constexpr uint8_t kPacked12Bit = 0x59;
constexpr uint64_t kMinSize = 100;
constexpr uint64_t kMaxSize = 157286400;
constexpr uint64_t kSlack = 512;
// Block head: tag (4) and body length (4); the PRD fields end at byte 26.
constexpr uint32_t kPrdBytes = 27;
}  // namespace

bool MrwFileCheck::isFile(SectorHeader h, uint64_t) { return std::memcmp(h.data(), "\0MRM", 4) == 0; }

uint64_t MrwFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  const auto blockAreaLength = window_.u32(4, ByteOrder::Big);
  if (!blockAreaLength || *blockAreaLength > kMaxBlockAreaLength) return 0;

  uint64_t block = 8;
  const uint8_t* prd = nullptr;
  for (int examined = 0; !prd; ++examined) {
    if (examined == kMaxBlocksExamined) return 0;
    if (cancelled(context_)) return 0;
    const uint8_t* head = window_.bytesAt(block, kPrdBytes);
    if (!head) return 0;
    // The tag's first byte is not looked at.
    if (std::memcmp(head + 1, "PRD", 3) == 0) prd = head;
    else block += 8 + uint64_t{bytes::be32(head, 4)};
  }

  const uint64_t pixels = uint64_t{bytes::be16(prd, 16)} * bytes::be16(prd, 18);
  uint64_t size = 8 + uint64_t{*blockAreaLength};
  switch (prd[26]) {
    case kUnpacked16Bit: size += pixels * 2; break;
    case kPacked12Bit: size += pixels * 3 / 2; break;
    default: return 0;
  }
  return size >= kMinSize && size <= kMaxSize ? size + kSlack : 0;
}

}  // namespace salvonix
