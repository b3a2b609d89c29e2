#include "output/ScanInfoFile.h"

#include <algorithm>

namespace salvonix {

namespace {

template <typename T>
void putBE(uint8_t* out, std::size_t at, T value) {
  const auto bits = static_cast<std::make_unsigned_t<T>>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) out[at + i] = static_cast<uint8_t>(bits >> (8 * (sizeof(T) - 1 - i)));
}

template <typename T>
T getBE(const uint8_t* in, std::size_t at) {
  std::make_unsigned_t<T> bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) bits = static_cast<decltype(bits)>((bits << 8) | in[at + i]);
  return static_cast<T>(bits);
}

}  // namespace

std::array<uint8_t, kDriveInfoSize> encodeDriveInfo(const DriveInfo& info) {
  std::array<uint8_t, kDriveInfoSize> out{};
  putBE(out.data(), 0, info.bytesInSector);
  putBE(out.data(), 4, info.numberOfFileSelected);
  putBE(out.data(), 8, info.driveNameLength);
  putBE(out.data(), 12, info.modelLength);
  putBE(out.data(), 16, info.revisionLength);
  putBE(out.data(), 20, info.serialLength);
  putBE(out.data(), 24, info.driveSize);
  putBE(out.data(), 32, info.driveSectorNumber);
  putBE(out.data(), 40, info.selectedFileSize);
  return out;
}

DriveInfo decodeDriveInfo(std::span<const uint8_t, kDriveInfoSize> bytes) {
  const uint8_t* in = bytes.data();
  DriveInfo info;
  info.bytesInSector = getBE<uint32_t>(in, 0);
  info.numberOfFileSelected = getBE<uint32_t>(in, 4);
  info.driveNameLength = getBE<uint32_t>(in, 8);
  info.modelLength = getBE<uint32_t>(in, 12);
  info.revisionLength = getBE<uint32_t>(in, 16);
  info.serialLength = getBE<uint32_t>(in, 20);
  info.driveSize = getBE<uint64_t>(in, 24);
  info.driveSectorNumber = getBE<uint64_t>(in, 32);
  info.selectedFileSize = getBE<uint64_t>(in, 40);
  return info;
}

std::array<uint8_t, kNodeRecordSize> encodeNodeRecord(const HFSPlusDir& record) {
  std::array<uint8_t, kNodeRecordSize> out{};
  putBE(out.data(), 8, record.fileSize);
  putBE(out.data(), 24, record.sectorNumber);
  putBE(out.data(), 32, record.parentID);
  putBE(out.data(), 36, record.fileID);
  putBE(out.data(), 40, record.fileCount);
  putBE(out.data(), 44, record.fileNameLength);
  putBE(out.data(), 46, record.pathNameLength);
  putBE(out.data(), 48, record.fileType);
  out[50] = record.selected;
  putBE(out.data(), 51, record.childrenCount);
  putBE(out.data(), 55, record.childrenSelected);
  putBE(out.data(), 59, record.extraBytesToMove);
  return out;
}

HFSPlusDir decodeNodeRecord(std::span<const uint8_t, kNodeRecordSize> bytes) {
  const uint8_t* in = bytes.data();
  HFSPlusDir record;
  record.fileSize = getBE<uint64_t>(in, 8);
  record.sectorNumber = getBE<uint64_t>(in, 24);
  record.parentID = getBE<uint32_t>(in, 32);
  record.fileID = getBE<uint32_t>(in, 36);
  record.fileCount = getBE<uint32_t>(in, 40);
  record.fileNameLength = getBE<uint16_t>(in, 44);
  record.pathNameLength = getBE<uint16_t>(in, 46);
  record.fileType = getBE<uint16_t>(in, 48);
  record.selected = in[50];
  record.childrenCount = getBE<int32_t>(in, 51);
  record.childrenSelected = getBE<int32_t>(in, 55);
  record.extraBytesToMove = getBE<int32_t>(in, 59);
  return record;
}

std::string defaultScanInfoName(const std::tm& localTime) {
  char stamp[64] = {};
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S %z", &localTime);
  std::string name = std::string("Recovery Info ") + stamp;
  // Zones east of UTC lose their offset, and the blank before it: a file name does not end in a blank.
  name = name.substr(0, name.find(" +"));
  std::replace(name.begin(), name.end(), ':', '_');
  return name;
}

std::string defaultScanInfoName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return defaultScanInfoName(local);
}

}  // namespace salvonix
