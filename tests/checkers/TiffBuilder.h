#pragma once
// Builds TIFF-structured files byte by byte for the TIFF-family checker tests:
// a header in either byte order, data blocks (strings, arrays, raw bytes), IFDs
// with their entries and chains, sub-IFDs and maker notes (an IFD placed after
// a prefix).

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestImage.h"

namespace salvonix::test {

enum TiffType : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7 };

struct TiffEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;  // a LONG value or an offset; SHORT values go in the first two bytes
};

class TiffBuilder {
 public:
  // Header: byte-order mark, bytes 2-3 (42 in the file's order unless given), IFD0 offset 0.
  explicit TiffBuilder(bool littleEndian = true);
  TiffBuilder& magic(uint8_t byte2, uint8_t byte3);

  bool littleEndian() const { return littleEndian_; }
  const Bytes& bytes() const { return bytes_; }
  uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }

  // Grows the file with zeros up to a size (no-op when already as long).
  TiffBuilder& padTo(uint32_t size);
  void putBytes(uint32_t at, const Bytes& data);
  void put16(uint32_t at, uint32_t value);
  void put32(uint32_t at, uint32_t value);

  // Appends at the end (aligned to two bytes) and returns the data's offset.
  uint32_t append(const Bytes& data);
  uint32_t appendString(const std::string& text);  // with its terminating zero
  uint32_t appendLongs(const std::vector<uint32_t>& values);
  uint32_t appendShorts(const std::vector<uint16_t>& values);
  // An IFD with these entries in this order and a next-IFD offset.
  uint32_t appendIfd(const std::vector<TiffEntry>& entries, uint32_t next = 0);
  // An IFD written at a chosen offset (the file grows as needed).
  void writeIfd(uint32_t at, const std::vector<TiffEntry>& entries, uint32_t next = 0);

  void setIfd0(uint32_t offset) { put32(4, offset); }
  // Points the next-IFD field of the IFD at ifdOffset to next.
  void setNext(uint32_t ifdOffset, uint32_t next);

  // Entries.
  TiffEntry string(uint16_t tag, const std::string& text);  // appends the text
  static TiffEntry longValue(uint16_t tag, uint32_t value) { return {tag, kLong, 1, value}; }
  TiffEntry shortValue(uint16_t tag, uint16_t value) const;
  TiffEntry longArray(uint16_t tag, const std::vector<uint32_t>& values);  // appends the array

 private:
  bool littleEndian_;
  Bytes bytes_;
};

// Tags used by the tests.
inline constexpr uint16_t kNewSubfileType = 0x00FE;
inline constexpr uint16_t kImageWidth = 0x0100;
inline constexpr uint16_t kMake = 0x010F;
inline constexpr uint16_t kModel = 0x0110;
inline constexpr uint16_t kStripOffsets = 0x0111;
inline constexpr uint16_t kStripByteCounts = 0x0117;
inline constexpr uint16_t kTileOffsets = 0x0144;
inline constexpr uint16_t kTileByteCounts = 0x0145;
inline constexpr uint16_t kSubIfds = 0x014A;
inline constexpr uint16_t kJpegOffset = 0x0201;
inline constexpr uint16_t kJpegLength = 0x0202;
inline constexpr uint16_t kXmp = 0x02BC;
inline constexpr uint16_t kExifIfd = 0x8769;
inline constexpr uint16_t kMakerNote = 0x927C;
inline constexpr uint16_t kDngVersion = 0xC612;
inline constexpr uint16_t kUniqueCameraModel = 0xC614;
inline constexpr uint16_t kDngPrivateData = 0xC634;

}  // namespace salvonix::test
