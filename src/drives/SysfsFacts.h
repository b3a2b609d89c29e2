#pragma once
// What sysfs itself says about a block device: size, sector size, the
// interconnect found among its ancestors and the identity strings its device
// offers (SCSI vendor/model/rev, NVMe and MMC names, serial numbers).

#include <cstdint>
#include <optional>
#include <string>

namespace salvonix {

enum class DriveBus { Other, Usb, FireWire, Sata };

struct SysfsFacts {
  uint64_t sizeBytes = 0;
  std::optional<uint32_t> logicalBlockSize;
  std::optional<bool> removable;
  DriveBus bus = DriveBus::Other;
  // Empty when sysfs has none; padding blanks removed.
  std::string vendor;
  std::string model;
  std::string serial;
  std::string revision;
};

SysfsFacts readSysfsFacts(const std::string& sysPath);

// The serial number in a SCSI unit serial number page (vpd_pg80).
std::string serialFromVpdPage80(const std::string& page);

// The text with white space trimmed from both ends.
std::string trimmed(std::string_view text);

}  // namespace salvonix
