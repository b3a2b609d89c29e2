#include "checkers/RafFileCheck.h"

#include <cstring>

#include "checkers/ByteOrder.h"
#include "checkers/TiffToolkit.h"

namespace salvonix {

namespace {
constexpr uint64_t kMinSize = 100;
constexpr uint64_t kMaxSize = 209715200;
constexpr uint64_t kSlack = 512;
constexpr uint64_t kPreviewMinSize = 1025;
// Header fields: preview offset and length, raw data offset and length, and a
// length that equals the raw data's when the raw data is stored twice.
constexpr uint32_t kPreviewOffset = 84;
constexpr uint32_t kPreviewLength = 88;
constexpr uint32_t kCfaOffset = 100;
constexpr uint32_t kCfaLength = 104;
constexpr uint32_t kSecondCfaLength = 132;
}  // namespace

bool RafFileCheck::isFile(SectorHeader h, uint64_t) { return std::memcmp(h.data(), "FUJIFILMCCD-RAW", 15) == 0; }

uint64_t RafFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  const uint8_t* header = window_.bytesAt(0, kSecondCfaLength + 4);
  if (!header) return 0;
  const uint64_t cfaOffset = bytes::be32(header, kCfaOffset);
  if (cfaOffset > kMaxSize) return 0;
  const uint64_t cfaLength = bytes::be32(header, kCfaLength);
  uint64_t size = cfaOffset + cfaLength;
  if (bytes::be32(header, kSecondCfaLength) == cfaLength) size += cfaLength;

  const uint64_t previewOffset = bytes::be32(header, kPreviewOffset);
  const uint64_t previewLength = bytes::be32(header, kPreviewLength);
  tiff::reportPreviewStart(context_, sectorNumber, previewOffset);
  context_.u64RawJpgFileSize = previewLength;
  if (previewLength >= kPreviewMinSize) context_.bRawJpgFileFound = true;

  return size >= kMinSize && size <= kMaxSize ? size + kSlack : 0;
}

}  // namespace salvonix
