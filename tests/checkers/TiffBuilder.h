#pragma once
// Builds TIFF-structured files byte by byte: header, data blocks, IFDs, chains and sub-IFDs.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/TestImage.h"

namespace salvonix::test {

enum TiffType : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kUndefined = 7 };

struct TiffEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;  // a LONG value or an offset; a single SHORT goes in the first two bytes
};
using Ifd = std::vector<TiffEntry>;

inline constexpr uint16_t kImageWidth = 0x0100;
inline constexpr uint16_t kMake = 0x010F;
inline constexpr uint16_t kModel = 0x0110;
inline constexpr uint16_t kStripOffsets = 0x0111;
inline constexpr uint16_t kStripByteCounts = 0x0117;
inline constexpr uint16_t kSubIfds = 0x014A;
inline constexpr uint16_t kJpegOffset = 0x0201;
inline constexpr uint16_t kJpegLength = 0x0202;
inline constexpr uint16_t kDngVersion = 0xC612;

inline TiffEntry longValue(uint16_t tag, uint32_t value) { return {tag, kLong, 1, value}; }
inline Ifd strip(uint32_t offset, uint32_t length) {
  return {longValue(kStripOffsets, offset), longValue(kStripByteCounts, length)};
}
inline Ifd jpeg(uint32_t offset, uint32_t length) {
  return {longValue(kJpegOffset, offset), longValue(kJpegLength, length)};
}
inline Ifd operator+(Ifd first, const Ifd& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}
// Exactly n entries: `first`, cut or followed by harmless ones.
inline Ifd filled(Ifd first, std::size_t n) {
  first.resize(n, longValue(0x0131, 1));
  return first;
}

class TiffBuilder {
 public:
  explicit TiffBuilder(bool littleEndian = true) : le_(littleEndian), bytes_(8, 0) {
    bytes_[0] = bytes_[1] = littleEndian ? 'I' : 'M';
    put(2, 42, 2);
  }
  TiffBuilder& magic(uint8_t byte2, uint8_t byte3) {
    bytes_[2] = byte2;
    bytes_[3] = byte3;
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }
  uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }

  void padTo(std::size_t size) { bytes_.resize(std::max(size, bytes_.size()), 0); }
  void putBytes(uint32_t at, const Bytes& data) {
    padTo(at + data.size());
    std::copy(data.begin(), data.end(), bytes_.begin() + at);
  }
  // A number of `width` bytes in the file's byte order.
  void put(std::size_t at, uint32_t value, int width = 4) {
    padTo(at + width);
    for (int i = 0; i < width; ++i) bytes_[at + (le_ ? i : width - 1 - i)] = static_cast<uint8_t>(value >> 8 * i);
  }

  // Appends at the end, aligned to two bytes, and returns the offset.
  uint32_t append(const Bytes& data) {
    padTo(size() + (size() & 1));
    const uint32_t at = size();
    putBytes(at, data);
    return at;
  }
  uint32_t appendArray(const std::vector<uint32_t>& values, int width = 4) {
    const uint32_t at = append(Bytes(width * values.size(), 0));
    for (std::size_t i = 0; i < values.size(); ++i) put(at + width * i, values[i], width);
    return at;
  }
  TiffEntry string(uint16_t tag, const std::string& text) {
    const Bytes data(text.c_str(), text.c_str() + text.size() + 1);  // with its terminating zero
    return {tag, kAscii, static_cast<uint32_t>(data.size()), append(data)};
  }
  TiffEntry longArray(uint16_t tag, const std::vector<uint32_t>& values) {
    return {tag, kLong, static_cast<uint32_t>(values.size()), appendArray(values)};
  }

  void writeIfd(uint32_t at, const Ifd& entries, uint32_t next = 0) {
    put(at, static_cast<uint32_t>(entries.size()), 2);
    for (const TiffEntry& e : entries) {
      put(at + 2, e.tag, 2);
      put(at + 4, e.type, 2);
      put(at + 6, e.count);
      put(at + 10, e.type == kShort && e.count == 1 && !le_ ? e.value << 16 : e.value);
      at += 12;
    }
    put(at + 2, next);
  }
  uint32_t appendIfd(const Ifd& entries) {
    const uint32_t at = append({});
    writeIfd(at, entries);
    return at;
  }
  void setIfd0(uint32_t offset) { put(4, offset); }
  // The IFDs appended as a chain whose first is IFD0; returns IFD0's offset.
  uint32_t chain(const std::vector<Ifd>& ifds) {
    std::vector<uint32_t> at;
    for (const Ifd& ifd : ifds) at.push_back(appendIfd(ifd));
    for (std::size_t i = 1; i < at.size(); ++i) put(at[i - 1] + 2 + 12 * ifds[i - 1].size(), at[i]);
    setIfd0(at[0]);
    return at[0];
  }
  // Appends the sub-IFDs and returns the SubIFDs entry naming them.
  TiffEntry subIfds(const std::vector<Ifd>& subs) {
    std::vector<uint32_t> at;
    for (const Ifd& ifd : subs) at.push_back(appendIfd(ifd));
    const auto n = static_cast<uint32_t>(at.size());
    return {kSubIfds, kLong, n, n == 1 ? at[0] : appendArray(at)};
  }

 private:
  bool le_;
  Bytes bytes_;
};

}  // namespace salvonix::test
