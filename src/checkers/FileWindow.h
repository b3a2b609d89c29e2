#pragma once
// One file on the device as a checker sees it: bytes are addressed by their
// offset from the file's first byte and served from one read window (64 KiB
// plus one sector), moved only when the bytes asked for lie outside it. Every
// accessor checks its range and fails, as on a read error, when the bytes
// cannot be read; unreadable sectors further on read as zeros.
//
// Crafted bytes can send a search back and forth without useful end, so a
// window may be given a ceiling on window reads per file (kMaxReads: 64 MiB,
// three times the longest search); further reads fail.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "scan/ReadDisk.h"
#include "scan/ScanContext.h"

namespace salvonix {

enum class ByteOrder { Little, Big };

class FileWindow {
 public:
  static constexpr uint32_t kMaxReads = 1024;
  static constexpr uint32_t kNoReadCeiling = UINT32_MAX;

  explicit FileWindow(ScanContext& context, uint32_t maxReads = kNoReadCeiling)
      : context_(context), reader_(context), maxReads_(maxReads) {}

  // A new file starts at this sector; nothing is held yet.
  void setFileStart(uint64_t sector) {
    fileStart_ = sector;
    held_ = false;
    reads_ = 0;
  }
  uint64_t fileStart() const { return fileStart_; }
  uint64_t fileStartByte() const { return fileStart_ * context_.u32BytesInSector; }
  // Bytes from the file's start to the device's end: no part of the file lies beyond.
  uint64_t bytesToDeviceEnd() const;

  // Whether the window held has the length bytes at offset, so that reading them costs no device read.
  bool holds(uint64_t offset, uint64_t length) const {
    return held_ && offset >= windowOffset_ && length <= heldBytes() && offset - windowOffset_ <= heldBytes() - length;
  }
  // The length bytes at offset (up to 65,537, or to the window's end when
  // offset is at the start of a sector); null when they cannot be read.
  const uint8_t* bytesAt(uint64_t offset, uint32_t length) {
    if (holds(offset, length)) return buffer_.data() + (offset - windowOffset_);
    return readAt(offset, length);
  }
  // Every byte held from offset on, at least minLength (at most 65,537) of
  // them; empty when they cannot be read.
  std::span<const uint8_t> bytesFrom(uint64_t offset, uint32_t minLength);

  std::optional<uint8_t> u8(uint64_t offset) {
    const uint8_t* p = bytesAt(offset, 1);
    if (!p) return std::nullopt;
    return *p;
  }
  std::optional<uint32_t> u16(uint64_t offset, ByteOrder order) { return number<uint32_t>(offset, 2, order); }
  std::optional<uint32_t> u32(uint64_t offset, ByteOrder order) { return number<uint32_t>(offset, 4, order); }
  std::optional<uint64_t> u64(uint64_t offset, ByteOrder order) { return number<uint64_t>(offset, 8, order); }

 private:
  uint64_t heldBytes() const { return kWindowBytes + context_.u32BytesInSector; }
  // Reads the window that begins at the sector holding offset.
  const uint8_t* readAt(uint64_t offset, uint64_t length);

  template <typename T>
  std::optional<T> number(uint64_t offset, uint32_t size, ByteOrder order) {
    const uint8_t* p = bytesAt(offset, size);
    if (!p) return std::nullopt;
    T value = 0;
    for (uint32_t i = 0; i < size; ++i) value = (value << 8) | p[order == ByteOrder::Big ? i : size - 1 - i];
    return value;
  }

  ScanContext& context_;
  ReadDisk reader_;
  std::array<uint8_t, kReadWindowBufferSize> buffer_{};
  uint64_t fileStart_ = 0;
  uint64_t windowOffset_ = 0;  // file offset of buffer_[0]
  bool held_ = false;
  uint32_t reads_ = 0;
  uint32_t maxReads_;
};

}  // namespace salvonix
