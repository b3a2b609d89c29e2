#pragma once
// What the TIFF-based checkers share: the tags and limits they rely on, the
// type sizes, the per-sector flags as bits, a reader that addresses a file on
// the device by byte offset through one read window, the Pentax IFD counter
// and the preview-JPEG report.

#include <array>
#include <cstdint>
#include <optional>

#include "checkers/FileCheck.h"
#include "checkers/FileWindow.h"
#include "scan/ScanContext.h"

namespace salvonix::tiff {

inline constexpr uint32_t kTagNewSubfileType = 0x00FE;
inline constexpr uint32_t kTagMake = 0x010F;
inline constexpr uint32_t kTagModel = 0x0110;
inline constexpr uint32_t kTagStripOffsets = 0x0111;
inline constexpr uint32_t kTagStripByteCounts = 0x0117;
inline constexpr uint32_t kTagTileOffsets = 0x0144;
inline constexpr uint32_t kTagTileByteCounts = 0x0145;
inline constexpr uint32_t kTagSubIfds = 0x014A;
inline constexpr uint32_t kTagJpegOffset = 0x0201;
inline constexpr uint32_t kTagJpegLength = 0x0202;
inline constexpr uint32_t kTagXmp = 0x02BC;
inline constexpr uint32_t kTagExifIfd = 0x8769;
inline constexpr uint32_t kTagMakerNote = 0x927C;
inline constexpr uint32_t kTagDngVersion = 0xC612;
inline constexpr uint32_t kTagDngBackwardVersion = 0xC613;
inline constexpr uint32_t kTagUniqueCameraModel = 0xC614;
inline constexpr uint32_t kTagColorMatrix1 = 0xC621;
inline constexpr uint32_t kTagDngPrivateData = 0xC634;

inline constexpr uint64_t kLimit100MiB = 0x6400000;
inline constexpr uint64_t kLimit150MiB = 0x9600000;
inline constexpr uint64_t kLimit200MiB = 0xC800000;
inline constexpr uint64_t kNoLimit = UINT64_MAX;
inline constexpr uint32_t kMaxEntries = 100;
inline constexpr uint32_t kMaxChain = 25;
inline constexpr uint64_t kMinSize = 100;
inline constexpr uint64_t kSlack = 512;

// Byte size of a TIFF type: 1, 2, 6, 7 -> 1; 3, 8 -> 2; 4, 9, 11 -> 4; 5, 10, 12 -> 8; others 1.
int scalarDataTypeValue(uint32_t type);
// The size tables of the size rules: type 0 has size 0; above 12 either 0 or,
// clamped, the size of type 5.
uint64_t typeSizeUnclamped(uint32_t type);
uint64_t typeSizeClamped(uint32_t type);
inline bool isShortType(uint32_t type) { return type == 3 || type == 8; }
inline bool isStripOrTileOffsets(uint32_t tag) { return tag == kTagStripOffsets || tag == kTagTileOffsets; }
inline bool isStripOrTileByteCounts(uint32_t tag) { return tag == kTagStripByteCounts || tag == kTagTileByteCounts; }

// Header tests on the 25 sector bytes.
inline bool isLittleEndianMark(SectorHeader h) { return h[0] == 'I' && h[1] == 'I'; }
inline bool isBigEndianMark(SectorHeader h) { return h[0] == 'M' && h[1] == 'M'; }
inline bool hasTiffMagic(SectorHeader h) { return (h[2] == '*' && h[3] == 0) || (h[2] == 0 && h[3] == '*'); }
inline bool hasPanasonicMark(SectorHeader h) { return h[2] == 'U' && h[3] == 0; }
inline bool hasOlympusMark(SectorHeader h) { return h[2] == 'R' && (h[3] == 'O' || h[3] == 'S'); }
inline bool hasCanonCr2Mark(SectorHeader h) { return h[8] == 'C' && h[9] == 'R'; }
bool hasCrwHeap(SectorHeader h);
// The IFD0 offset of the header in the byte order of its mark.
uint32_t ifd0Offset(SectorHeader h, bool littleEndian);

// The per-sector flags of the context as bits, so that variants can name sets of them.
enum TiffFlag : uint32_t {
  kTiff = 1u << 0,
  kRawTiff = 1u << 1,
  kCanonRawTiff = 1u << 2,
  kCr2 = 1u << 3,
  kCrw = 1u << 4,
  kNef = 1u << 5,
  kPef = 1u << 6,
  kDng = 1u << 7,
  kSr2 = 1u << 8,
  kKdc = 1u << 9,
  kK25 = 1u << 10,
  kDcr = 1u << 11,
  kOrf = 1u << 12,
  kPanasonic = 1u << 13,
  kLeica = 1u << 14,
  kThreefr = 1u << 15,
  kArwA100 = 1u << 16,
  kArwA700 = 1u << 17,
};
using TiffFlags = uint32_t;
// Every flag that names a camera format.
inline constexpr TiffFlags kFoundFlags =
    kCr2 | kCrw | kNef | kPef | kDng | kSr2 | kKdc | kK25 | kDcr | kOrf | kPanasonic | kLeica | kThreefr;

void setFlags(ScanContext& context, TiffFlags flags);
void clearFlags(ScanContext& context, TiffFlags flags);
bool anyFlag(const ScanContext& context, TiffFlags flags);

// One IFD entry as read from the device.
struct IfdEntry {
  uint32_t tag = 0;
  uint32_t type = 0;
  uint32_t count = 0;
  uint32_t value = 0;       // the value field as a four-byte number
  uint32_t firstShort = 0;  // its first two bytes as a number
  uint64_t at = 0;          // file offset of the entry
  // A single value: SHORT types sit in the first two bytes of the field.
  uint32_t number() const { return isShortType(type) ? firstShort : value; }
};

// A file on the device addressed by device byte offset, read through one
// FileWindow and in the file's byte order.
//
// Crafted counts and pointers can make a walk read without useful end, so each
// file gets a budget: every value read costs 1, every window read
// kWindowReadCost. Once spent, reads fail and the walk ends as on a read error.
// It allows 16 million values (an embedded JPEG's segment walk may need 5
// million) or 64 MiB of windows, far above what any real file needs.
class TiffReader {
 public:
  static constexpr uint64_t kReadBudget = uint64_t{1} << 24;
  static constexpr uint64_t kWindowReadCost = uint64_t{1} << 14;

  explicit TiffReader(ScanContext& context) : window_(context) {}

  // Starts on the file at this sector with a full read budget. The window held
  // is dropped, so that a call never answers from bytes read by an earlier one.
  void startFile(uint64_t startSector, bool littleEndian);
  void setLittleEndian(bool littleEndian) { littleEndian_ = littleEndian; }
  bool littleEndian() const { return littleEndian_; }
  uint64_t deviceOffset(uint64_t fileOffset) const { return window_.fileStartByte() + fileOffset; }
  uint64_t bytesToDeviceEnd() const { return window_.bytesToDeviceEnd(); }

  // length (at most one sector) bytes at a device offset within the file;
  // null when the device cannot be read or the budget is spent.
  const uint8_t* deviceBytes(uint64_t deviceOffset, uint32_t length);
  // The bytes held from a device offset on (at least two); empty on a read failure.
  std::span<const uint8_t> heldFrom(uint64_t deviceOffset);
  const uint8_t* bytes(uint64_t fileOffset, uint32_t length);

  std::optional<uint32_t> u16(uint64_t fileOffset);
  std::optional<uint32_t> u32(uint64_t fileOffset);
  std::optional<IfdEntry> entry(uint64_t ifdOffset, uint32_t index);
  // The entry count of the IFD at an offset.
  std::optional<uint32_t> entryCount(uint64_t ifdOffset) { return u16(ifdOffset); }
  // The same, null unless it lies between minEntries and kMaxEntries.
  std::optional<uint32_t> boundedEntryCount(uint64_t ifdOffset, uint32_t minEntries);
  std::optional<uint32_t> nextIfd(uint64_t ifdOffset, uint32_t entryCount) { return u32(ifdOffset + 2 + 12ull * entryCount); }

  // Element `index` of an entry's values spaced `stride` bytes apart: inside
  // the value field when they fit in it, else in the array at the value
  // offset. SHORT values are read as two bytes, others as four.
  std::optional<uint32_t> element(const IfdEntry& entry, uint64_t index, uint32_t stride);
  // The last of an entry's values (count at least 1) with the natural stride
  // of its type; null when the array lies beyond arrayOffsetLimit or cannot be read.
  std::optional<uint32_t> lastElement(const IfdEntry& entry, uint64_t arrayOffsetLimit);

 private:
  // Charges a value read, and a window read when the bytes are not held; false once the budget is spent.
  bool charge(uint64_t fileOffset, uint32_t length);
  ByteOrder order() const { return littleEndian_ ? ByteOrder::Little : ByteOrder::Big; }

  FileWindow window_;
  bool littleEndian_ = true;
  uint64_t budget_ = kReadBudget;
};

// Adds the values of a byte-count array, elements `stride` bytes apart, to
// sum. False when an element cannot be read, the array reaches past the
// device's end, or base + sum passes limit. A
// type without a size (0, or unknown) holds no values; a cancelled scan ends
// the array, leaving the caller to see the flag.
bool addArrayValues(TiffReader& reader, const ScanContext& context, const IfdEntry& entry, uint64_t stride,
                    uint64_t base, uint64_t limit, uint64_t& sum);

// The IFDs a chain walk has visited. A next-IFD pointer back to one of them
// ends the chain as 0 would, so that a looping chain is walked once.
class IfdChain {
 public:
  explicit IfdChain(uint64_t first) { remember(first); }
  // The IFD to walk next: `next`, or 0 when it has been walked already.
  uint64_t follow(uint64_t next);

 private:
  void remember(uint64_t offset);

  // Every chain walk ends within kMaxChain IFDs.
  std::array<uint64_t, kMaxChain + 1> walked_{};
  uint32_t count_ = 0;
};

// Counts the IFD chain of the file at this sector: 1 for one or two IFDs, 2
// for three, 3 for four or more, 0 when the device cannot be read or the scan is cancelled.
int pentaxRawTiffFile(TiffReader& reader, const ScanContext& context, SectorHeader header, uint64_t sectorNumber);

// The preview-JPEG report.
void clearPreviewReport(ScanContext& context);
// Where the preview starts: the sector holding file offset `offset` and the bytes before it in that sector.
void reportPreviewStart(ScanContext& context, uint64_t startSector, uint64_t offset);
void withdrawPreview(ScanContext& context);

}  // namespace salvonix::tiff
