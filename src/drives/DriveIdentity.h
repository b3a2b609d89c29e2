#pragma once
// Finding a drive again: the identity of every attached whole drive (model,
// serial, revision, sector size, size and first five sectors), and the search
// of that list for the drive of a scan's results or of an opened file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drives/DriveRecord.h"

namespace salvonix {

struct DriveIdentityStrings {
  std::string model;
  std::string serial;
  std::string revision;
  bool operator==(const DriveIdentityStrings&) const = default;
};

struct DriveIdentity {
  DriveIdentityStrings strings;
  uint32_t bytesInSector = 512;
  std::string selectedDriveMountPoint;  // the drive's device path
  uint64_t size = 0;
  std::vector<uint8_t> first5Sectors;  // empty when the drive could not be read
};

// A USB or FireWire drive is known by its vendor, "-" and its product
// revision; any other by its model, serial and revision. Selection, the
// identity list and the rebuild use this one rule, so a drive always matches
// its own record.
DriveIdentityStrings identityStringsOf(const DriveRecord& drive);
// "Preferred Block Size", 512 when the record has none.
uint32_t bytesInSectorOf(const DriveRecord& drive);

// Reads 5 × bytesPerSector bytes from the start of a device or image; the
// part past its end reads as zeros. Empty when it cannot be read.
std::vector<uint8_t> readFirstFiveSectors(const std::string& path, uint32_t bytesPerSector);
using FirstSectorsReader = std::function<std::vector<uint8_t>(const std::string& path, uint32_t bytesPerSector)>;

// retriveAllDriveDetails: one identity per whole-drive record.
std::vector<DriveIdentity> retriveAllDriveDetails(const std::vector<DriveRecord>& drives,
                                                  const FirstSectorsReader& readFirstSectors);

struct DriveQuery {
  DriveIdentityStrings strings;
  uint32_t bytesInSector = 512;
  uint64_t size = 0;
  const std::vector<uint8_t>* first5Sectors = nullptr;  // compared only when given
};

// The first identity that matches; two identical drives give the first.
std::optional<std::size_t> findDrive(const std::vector<DriveIdentity>& identities, const DriveQuery& query);

}  // namespace salvonix
