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

std::optional<uint8_t> GifFileCheck::byteAt(uint64_t offset) {
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const uint64_t windowOffset = (windowSector_ - fileSector_) * bytesPerSector;
  if (offset / kWindowBytes != windowKey_ || offset < windowOffset) {
    window_.fill(0);
    windowSector_ = fileSector_ + offset / bytesPerSector;
    windowKey_ = offset / kWindowBytes;
    if (!readDiskFromGifFileCheck_.readSector(windowSector_, kWindowBytes / bytesPerSector, window_.data()))
      return std::nullopt;
  }
  // The window starts inside the offset's 64 KiB block, at or before it: the
  // position is below 65,536.
  return window_[offset - (windowSector_ - fileSector_) * bytesPerSector];
}

uint64_t GifFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  fileSector_ = windowSector_ = sectorNumber;
  windowKey_ = 0;
  measuredWhole_ = false;
  window_.fill(0);
  if (!readDiskFromGifFileCheck_.readSector(sectorNumber, kWindowBytes / context_.u32BytesInSector, window_.data()))
    return 0;
  return walk().value_or(0);
}

// Steps over data sub-blocks. o is at the byte before the first size byte;
// it ends just past the zero-size terminator (or where cancelling stopped it).
std::optional<GifFileCheck::SubBlocks> GifFileCheck::skipSubBlocks(uint64_t& o) {
  for (;;) {
    const auto s = byteAt(o + 1);
    if (!s) return std::nullopt;
    o += *s + 1;
    if (o > kLastOffset) return SubBlocks::Overlong;
    if (*s == 0) {
      ++o;
      return SubBlocks::Ended;
    }
    if (context_.bCancelScanning.load(std::memory_order_relaxed)) return SubBlocks::Ended;
  }
}

// The size of the file, or empty when a read failed.
std::optional<uint64_t> GifFileCheck::walk() {
  const auto result = [](uint64_t o) { return o <= kSmallest ? 0 : o + kSlack; };
  uint64_t o = kScreenDescriptorEnd;
  const uint8_t screenPacked = window_[10];
  if (screenPacked & 0x80) o += colourTableBytes(screenPacked);

  int32_t zeroRun = 0;
  for (;;) {
    const auto b = byteAt(o);
    if (!b) return std::nullopt;
    if (*b == kTrailer) {
      measuredWhole_ = true;
      return result(o + 1);
    }
    if (context_.bCancelScanning.load(std::memory_order_relaxed)) return result(o);
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
        const auto packed = byteAt(o + 9);
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
