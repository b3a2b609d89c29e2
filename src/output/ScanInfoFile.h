#pragma once
// The scan information file (".qsn"): the recovered-file tree of a scan with
// the identity of the scanned drive, so the result can be opened again without
// scanning. All integers are big-endian.
//
//   0        8      marker: "UnComple" while writing, "Complete" when done
//   8        48     DriveInfo
//   56       5 × B  the first five sectors of the drive (B bytes per sector)
//   then            drive name, serial, model, revision (lengths in DriveInfo)
//   then            per node in pre-order: HFSPlusDir, fileName, pathName
//   then     71     end record (parentID 0)

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace salvonix {

inline constexpr std::string_view kIncompleteMarker = "UnComple";
inline constexpr std::string_view kCompleteMarker = "Complete";
inline constexpr std::string_view kScanInfoExtension = ".qsn";
inline constexpr std::size_t kMarkerSize = 8;
inline constexpr std::size_t kDriveInfoSize = 48;
inline constexpr std::size_t kNodeRecordSize = 71;
inline constexpr uint64_t kDriveInfoOffset = 8;
inline constexpr uint64_t kFirstSectorsOffset = 56;
inline constexpr uint32_t kStoredSectorCount = 5;

// The drive record. The lengths are listed name, model, revision, serial,
// while the strings follow in the order name, serial, model, revision.
struct DriveInfo {
  uint32_t bytesInSector = 0;         // u32BytesInSector
  uint32_t numberOfFileSelected = 0;  // iNumberOfFileSelected
  uint32_t driveNameLength = 0;
  uint32_t modelLength = 0;
  uint32_t revisionLength = 0;
  uint32_t serialLength = 0;
  uint64_t driveSize = 0;          // selectedDriveSize
  uint64_t driveSectorNumber = 0;  // u64DriveSectorNumber
  uint64_t selectedFileSize = 0;   // u64SelectedFileSize
};

// One node entry, packed; reserved bytes are written as zero and ignored.
struct HFSPlusDir {
  uint64_t fileSize = 0;
  uint64_t sectorNumber = 0;
  uint32_t parentID = 0;  // 0 only in the end record
  uint32_t fileID = 0;
  uint32_t fileCount = 0;
  uint16_t fileNameLength = 0;
  uint16_t pathNameLength = 0;
  uint16_t fileType = 0;
  uint8_t selected = 0;
  int32_t childrenCount = 0;
  int32_t childrenSelected = 0;
  int32_t extraBytesToMove = 0;
};

std::array<uint8_t, kDriveInfoSize> encodeDriveInfo(const DriveInfo& info);
DriveInfo decodeDriveInfo(std::span<const uint8_t, kDriveInfoSize> bytes);
std::array<uint8_t, kNodeRecordSize> encodeNodeRecord(const HFSPlusDir& record);
HFSPlusDir decodeNodeRecord(std::span<const uint8_t, kNodeRecordSize> bytes);

// What the file says about the scanned drive, besides the tree.
struct ScanInfoDrive {
  uint32_t bytesInSector = 512;
  uint32_t numberOfFileSelected = 0;
  uint64_t driveSize = 0;
  uint64_t driveSectorNumber = 0;
  uint64_t selectedFileSize = 0;
  std::string driveName;  // selectedDrive
  std::string serial;
  std::string model;
  std::string revision;
  std::vector<uint8_t> first5Sectors;  // 5 × bytesInSector bytes
};

// "Recovery Info 2009-09-10 14_32_11": the default name offered for a new
// file, from a local time with its zone offset ("-0500" stays, "+0200" goes).
std::string defaultScanInfoName(const std::tm& localTime);
std::string defaultScanInfoName();

}  // namespace salvonix
