#include "checkers/GifFileCheck.h"

namespace salvonix {

namespace {
constexpr uint64_t kScreenDescriptorEnd = 13;  // signature and logical screen descriptor
constexpr uint64_t kLastOffset = 5242879;      // a walk beyond this...
constexpr uint64_t kCappedSize = 5242880;      // ...records 5 MiB
constexpr int32_t kLongestZeroRun = 2048;
constexpr uint64_t kSmallest = 24;             // at most this: no file
constexpr uint64_t kSlack = 512;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;

uint64_t colourTableBytes(uint8_t packed) { return 3ull << ((packed & 7) + 1); }
}  // namespace

bool GifFileCheck::isFile(SectorHeader h, uint64_t) {
  return h[0] == 'G' && h[1] == 'I' && h[2] == 'F' && h[3] == '8' && (h[4] == '7' || h[4] == '9') && h[5] == 'a';
}

uint64_t GifFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  measuredWhole_ = false;
  window_.setFileStart(sectorNumber);
  return walk().value_or(0);
}

// Steps over data sub-blocks. o is at the byte before the first size byte;
// it ends just past the zero-size terminator (or where cancelling stopped it).
std::optional<GifFileCheck::SubBlocks> GifFileCheck::skipSubBlocks(uint64_t& o) {
  for (;;) {
    const auto s = window_.u8(o + 1);
    if (!s) return std::nullopt;
    o += *s + 1;
    if (o > kLastOffset) return SubBlocks::Overlong;
    if (*s == 0) {
      ++o;
      return SubBlocks::Ended;
    }
    if (cancelled(context_)) return SubBlocks::Ended;
  }
}

// The size of the file, or empty when a read failed.
std::optional<uint64_t> GifFileCheck::walk() {
  const auto result = [](uint64_t o) { return o <= kSmallest ? 0 : o + kSlack; };
  uint64_t o = kScreenDescriptorEnd;
  const auto screenPacked = window_.u8(10);
  if (!screenPacked) return std::nullopt;
  if (*screenPacked & 0x80) o += colourTableBytes(*screenPacked);

  int32_t zeroRun = 0;
  for (;;) {
    const auto b = window_.u8(o);
    if (!b) return std::nullopt;
    if (*b == kTrailer) {
      measuredWhole_ = true;
      return result(o + 1);
    }
    if (cancelled(context_)) return result(o);
    if (o > kLastOffset) return kCappedSize;
    switch (*b) {
      case 0x00:
        ++o;
        if (++zeroRun > kLongestZeroRun) return o;
        continue;
      case kExtension:
        ++o;  // the label is the byte before the first size byte
        break;
      case kImage: {
        const auto packed = window_.u8(o + 9);
        if (!packed) return std::nullopt;
        o += 10;  // at the LZW code size, the byte before the first size byte
        if (*packed & 0x80) o += colourTableBytes(*packed);
        break;
      }
      default:
        return result(o);
    }
    const auto walked = skipSubBlocks(o);
    if (!walked) return std::nullopt;
    if (*walked == SubBlocks::Overlong) return kCappedSize;
    zeroRun = 0;
  }
}

}  // namespace salvonix
