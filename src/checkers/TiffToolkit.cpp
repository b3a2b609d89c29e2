#include "checkers/TiffToolkit.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "checkers/ByteOrder.h"

namespace salvonix::tiff {

int scalarDataTypeValue(uint32_t type) {
  switch (type) {
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 1;
  }
}

uint64_t typeSizeUnclamped(uint32_t type) {
  return (type == 0 || type > 12) ? 0 : static_cast<uint64_t>(scalarDataTypeValue(type));
}

uint64_t typeSizeClamped(uint32_t type) {
  return type > 12 ? 8 : typeSizeUnclamped(type);
}

bool hasCrwHeap(SectorHeader h) { return std::memcmp(h.data() + 6, "HEAPCCDR", 8) == 0; }

uint32_t ifd0Offset(SectorHeader h, bool littleEndian) {
  return littleEndian ? bytes::le32(h.data(), 4) : bytes::be32(h.data(), 4);
}

namespace {

// The context's flag for each bit of TiffFlag below kArwA100, in bit order.
constexpr bool TiffSectorFlags::*kSectorFlags[] = {
    &TiffSectorFlags::bTiffFileFound,       &TiffSectorFlags::bRawTiffFileFound,
    &TiffSectorFlags::bCanonRawTiff,        &TiffSectorFlags::bCanonCr2FileFound,
    &TiffSectorFlags::bCanonCrwFileFound,   &TiffSectorFlags::bNikonNefFileFound,
    &TiffSectorFlags::bPentaxPefFileFound,  &TiffSectorFlags::bPentaxDngFileFound,
    &TiffSectorFlags::bSonySr2FileFound,    &TiffSectorFlags::bKodakKdcFileFound,
    &TiffSectorFlags::bKodakK25FileFound,   &TiffSectorFlags::bKodakDcrFileFound,
    &TiffSectorFlags::bOlympusOrfFileFound, &TiffSectorFlags::bRawPanasonicFileFound,
    &TiffSectorFlags::bLeicaFileFound,      &TiffSectorFlags::bThreefrFileFound,
};
constexpr int kSectorFlagBits = 16;

template <typename Context>
auto& flagOf(Context& c, int bit) {
  if (bit < kSectorFlagBits) return c.tiff.*kSectorFlags[bit];
  return bit == kSectorFlagBits ? c.bSonyArwA100File : c.bSonyArwA700File;
}

}  // namespace

void setFlags(ScanContext& context, TiffFlags flags) {
  for (; flags; flags &= flags - 1) flagOf(context, std::countr_zero(flags)) = true;
}

void clearFlags(ScanContext& context, TiffFlags flags) {
  for (; flags; flags &= flags - 1) flagOf(context, std::countr_zero(flags)) = false;
}

bool anyFlag(const ScanContext& context, TiffFlags flags) {
  for (; flags; flags &= flags - 1)
    if (flagOf(context, std::countr_zero(flags))) return true;
  return false;
}

void TiffReader::startFile(uint64_t startSector, bool littleEndian) {
  window_.setFileStart(startSector);
  littleEndian_ = littleEndian;
  budget_ = kReadBudget;
}

bool TiffReader::charge(uint64_t fileOffset, uint32_t length) {
  if (budget_ == 0) return false;
  --budget_;
  if (!window_.holds(fileOffset, length)) budget_ -= std::min(budget_, kWindowReadCost);
  return true;
}

const uint8_t* TiffReader::bytes(uint64_t fileOffset, uint32_t length) {
  if (!charge(fileOffset, length)) return nullptr;
  return window_.bytesAt(fileOffset, length);
}

const uint8_t* TiffReader::deviceBytes(uint64_t deviceOffset, uint32_t length) {
  // Nothing before the file's start belongs to it.
  if (deviceOffset < window_.fileStartByte()) return nullptr;
  return bytes(deviceOffset - window_.fileStartByte(), length);
}

std::span<const uint8_t> TiffReader::heldFrom(uint64_t deviceOffset) {
  if (deviceOffset < window_.fileStartByte()) return {};
  const uint64_t fileOffset = deviceOffset - window_.fileStartByte();
  if (!charge(fileOffset, 2)) return {};
  return window_.bytesFrom(fileOffset, 2);
}

std::optional<uint32_t> TiffReader::u16(uint64_t fileOffset) {
  if (!charge(fileOffset, 2)) return std::nullopt;
  return window_.u16(fileOffset, order());
}

std::optional<uint32_t> TiffReader::u32(uint64_t fileOffset) {
  if (!charge(fileOffset, 4)) return std::nullopt;
  return window_.u32(fileOffset, order());
}

std::optional<uint32_t> TiffReader::boundedEntryCount(uint64_t ifdOffset, uint32_t minEntries) {
  const auto entries = entryCount(ifdOffset);
  if (!entries || *entries < minEntries || *entries > kMaxEntries) return std::nullopt;
  return entries;
}

std::optional<IfdEntry> TiffReader::entry(uint64_t ifdOffset, uint32_t index) {
  const uint64_t at = ifdOffset + 2 + 12ull * index;
  const uint8_t* p = bytes(at, 12);
  if (!p) return std::nullopt;
  IfdEntry e;
  e.at = at;
  if (littleEndian_) {
    e.tag = bytes::le16(p, 0);
    e.type = bytes::le16(p, 2);
    e.count = bytes::le32(p, 4);
    e.value = bytes::le32(p, 8);
    e.firstShort = bytes::le16(p, 8);
  } else {
    e.tag = bytes::be16(p, 0);
    e.type = bytes::be16(p, 2);
    e.count = bytes::be32(p, 4);
    e.value = bytes::be32(p, 8);
    e.firstShort = bytes::be16(p, 8);
  }
  return e;
}

std::optional<uint32_t> TiffReader::element(const IfdEntry& entry, uint64_t index, uint32_t stride) {
  const bool inField = uint64_t{stride} * entry.count <= 4;
  const uint64_t at = (inField ? entry.at + 8 : entry.value) + uint64_t{stride} * index;
  return isShortType(entry.type) ? u16(at) : u32(at);
}

std::optional<uint32_t> TiffReader::lastElement(const IfdEntry& entry, uint64_t arrayOffsetLimit) {
  const uint32_t stride = isShortType(entry.type) ? 2 : 4;
  const bool inField = uint64_t{stride} * entry.count <= 4;
  if (!inField && entry.value > arrayOffsetLimit) return std::nullopt;
  return element(entry, entry.count == 0 ? 0 : entry.count - 1, stride);
}

bool addArrayValues(TiffReader& reader, const ScanContext& context, const IfdEntry& entry, uint64_t stride,
                    uint64_t base, uint64_t limit, uint64_t& sum) {
  if (typeSizeUnclamped(entry.type) == 0) return true;
  // Zeros add nothing to the sum, so only the device's end bounds an array of them.
  const uint64_t elementSize = isShortType(entry.type) ? 2 : 4;
  if (entry.count > 0 && entry.value + stride * (entry.count - 1) + elementSize > reader.bytesToDeviceEnd()) return false;
  for (uint64_t i = 0; i < entry.count; ++i) {
    if (cancelled(context)) return true;
    const uint64_t at = entry.value + stride * i;
    const auto value = isShortType(entry.type) ? reader.u16(at) : reader.u32(at);
    if (!value) return false;
    sum += *value;
    if (base + sum > limit) return false;
  }
  return true;
}

int pentaxRawTiffFile(TiffReader& reader, const ScanContext& context, SectorHeader header, uint64_t sectorNumber) {
  const bool littleEndian = isLittleEndianMark(header);
  reader.startFile(sectorNumber, littleEndian);
  uint64_t offset = ifd0Offset(header, littleEndian);
  IfdChain chain(offset);
  int count = 0;
  for (;;) {
    if (++count == 11) return 3;
    if (cancelled(context)) return 0;
    const auto entries = reader.entryCount(offset);
    if (!entries) return 0;
    const auto next = reader.nextIfd(offset, *entries);
    if (!next) return 0;
    offset = chain.follow(*next);
    if (offset == 0) break;
  }
  return count <= 2 ? 1 : count == 3 ? 2 : 3;
}

uint64_t IfdChain::follow(uint64_t next) {
  if (next == 0 || std::find(walked_.begin(), walked_.begin() + count_, next) != walked_.begin() + count_) return 0;
  remember(next);
  return next;
}

void IfdChain::remember(uint64_t offset) {
  if (count_ < walked_.size()) walked_[count_++] = offset;
}

void clearPreviewReport(ScanContext& context) {
  context.bRawJpgFileFound = false;
  context.u64RawJpgFileSectorNumber = 0;
  context.uExtraBytesOfJpgFileOffset = 0;
  context.u64RawJpgFileSize = 0;
}

void reportPreviewStart(ScanContext& context, uint64_t startSector, uint64_t offset) {
  context.u64RawJpgFileSectorNumber = startSector + offset / context.u32BytesInSector;
  context.uExtraBytesOfJpgFileOffset = static_cast<uint32_t>(offset % context.u32BytesInSector);
}

void withdrawPreview(ScanContext& context) {
  context.u64RawJpgFileSectorNumber = 0;
  context.uExtraBytesOfJpgFileOffset = 0;
  context.bRawJpgFileFound = false;
}

}  // namespace salvonix::tiff
