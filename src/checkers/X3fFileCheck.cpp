#include "checkers/X3fFileCheck.h"

#include <algorithm>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix {

namespace {
constexpr uint32_t kFirstSectionHeader = 232;
constexpr uint32_t kFirstSectionData = 260;
constexpr uint64_t kSectionHeaderSize = 28;
// A directory must start within this many bytes of the file...
constexpr uint64_t kSearchEnd = 19922940;
// ...or the file is recorded with this size.
constexpr uint64_t kDirectoryNotFoundSize = 19922944;
constexpr uint64_t kMaxPreviewStart = 26214400;
// "SECd", the version and the entry count.
constexpr uint32_t kDirectoryHeadBytes = 12;

bool startsWithJpeg(const uint8_t* bytes) {
  return bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF &&
         (bytes[3] == 0xDB || bytes[3] == 0xE1 || bytes[3] == 0xE0);
}
}  // namespace

bool X3fFileCheck::isFile(SectorHeader h, uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  if (std::memcmp(h.data(), "FOVb", 4) == 0) {
    const uint8_t* file = window_.bytesAt(0, kFirstSectionHeader + 3);
    return file && std::memcmp(file + kFirstSectionHeader, "SEC", 3) == 0;
  }
  return isSigmaTiff(h);
}

uint64_t X3fFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  const uint8_t* file = window_.bytesAt(0, 2);
  if (!file) return 0;
  const bool tiff = file[0] == file[1] && (file[0] == 'I' || file[0] == 'M');
  return tiff ? sigmaTiffSize() : x3fSize(sectorNumber);
}

uint64_t X3fFileCheck::x3fSize(uint64_t sectorNumber) {
  extensionOfFile_ = ".x3f";
  const uint8_t* file = window_.bytesAt(0, kFirstSectionData + 4);
  if (!file) return 0;
  const bool preview = std::memcmp(file + kFirstSectionHeader, "SECi", 4) == 0 && startsWithJpeg(file + kFirstSectionData);

  uint64_t directory = 0;
  uint32_t entries = 0;
  if (!findDirectory(directory, entries)) return 0;
  // Without a directory the preview's length and place are unknown.
  if (directory == 0) return kDirectoryNotFoundSize;
  if (preview && entries > 0) {
    // Entry 0 describes the image section the preview lies in.
    const uint8_t* entry = window_.bytesAt(directory + 12, 8);
    if (!entry) return 0;
    reportPreview(sectorNumber, bytes::le32(entry, 0) + kSectionHeaderSize, bytes::le32(entry, 4));
  }
  // The directory's entries and the 4-byte offset after them end the file.
  return directory + 16 + 12ull * entries;
}

bool X3fFileCheck::findDirectory(uint64_t& directory, uint32_t& entries) {
  directory = 0;
  // The directory lies on the device: the search ends where the device does.
  const uint64_t searchEnd = std::min(kSearchEnd, window_.bytesToDeviceEnd());
  for (uint64_t windowStart = 0; windowStart < searchEnd; windowStart += kWindowBytes) {
    if (cancelled(context_)) return false;
    // The window holds one sector beyond 64 KiB, so a directory header that
    // starts in its last bytes is read whole.
    const uint8_t* w = window_.bytesFrom(windowStart, kWindowBytes + kDirectoryHeadBytes).data();
    if (!w) return false;
    const uint64_t end = std::min<uint64_t>(kWindowBytes, searchEnd - windowStart);
    // The file's first bytes are "FOVb", so offset 0 never matches.
    for (uint64_t p = 0; p < end; ++p) {
      const void* hit = std::memchr(w + p, 'S', end - p);
      if (!hit) break;
      p = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - w);
      if (std::memcmp(w + p, "SECd", 4) != 0) continue;
      const uint64_t candidate = windowStart + p;
      const uint32_t count = bytes::le32(w, p + 8);
      // The file's last field holds the directory's offset: "SECd" met by
      // chance in image data does not end the file.
      const uint8_t* last = window_.bytesAt(candidate + 12 + 12ull * count, 4);
      if (!last) return false;
      if (bytes::le32(last, 0) == candidate) {
        directory = candidate;
        entries = count;
        return true;
      }
      w = window_.bytesFrom(windowStart, kWindowBytes + kDirectoryHeadBytes).data();
      if (!w) return false;
    }
  }
  return true;
}

void X3fFileCheck::reportPreview(uint64_t sectorNumber, uint64_t previewStart, uint64_t previewSize) {
  if (previewStart > kMaxPreviewStart) return;
  context_.u64RawJpgFileSize = previewSize;
  tiff::reportPreviewStart(context_, sectorNumber, previewStart);
  context_.bRawJpgFileFound = true;
}

}  // namespace salvonix
