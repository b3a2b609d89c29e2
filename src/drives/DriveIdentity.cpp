#include "drives/DriveIdentity.h"

#include "scan/Device.h"

namespace salvonix {

namespace k = drivekey;

DriveIdentityStrings identityStringsOf(const DriveRecord& drive) {
  if (drive.has(k::kWhetherUSB))
    return {drive.text(k::kVendorIdentification), "-", drive.text(k::kProductRevisionLevel)};
  return {drive.text(k::kDeviceModel), drive.text(k::kDeviceSerial), drive.text(k::kDeviceRevision)};
}

uint32_t bytesInSectorOf(const DriveRecord& drive) {
  const uint64_t size = drive.number(k::kPreferredBlockSize).value_or(512);
  return size == 0 || size > UINT32_MAX ? 512 : static_cast<uint32_t>(size);
}

std::vector<uint8_t> readFirstFiveSectors(const std::string& path, uint32_t bytesPerSector) {
  auto device = Device::open(path);
  if (!device) return {};
  std::vector<uint8_t> sectors(std::size_t{5} * bytesPerSector, 0);
  if (device->readAt(0, sectors.data(), sectors.size()) < 0) return {};
  return sectors;
}

std::vector<DriveIdentity> retriveAllDriveDetails(const std::vector<DriveRecord>& drives,
                                                  const FirstSectorsReader& readFirstSectors) {
  std::vector<DriveIdentity> identities;
  for (const DriveRecord& drive : drives) {
    DriveIdentity identity;
    identity.strings = identityStringsOf(drive);
    identity.bytesInSector = bytesInSectorOf(drive);
    identity.selectedDriveMountPoint = drive.text(k::kDevicePath);
    identity.size = drive.number(k::kDeviceSize).value_or(0);
    if (!identity.selectedDriveMountPoint.empty())
      identity.first5Sectors = readFirstSectors(identity.selectedDriveMountPoint, identity.bytesInSector);
    identities.push_back(std::move(identity));
  }
  return identities;
}

std::optional<std::size_t> findDrive(const std::vector<DriveIdentity>& identities, const DriveQuery& query) {
  for (std::size_t i = 0; i < identities.size(); ++i) {
    const DriveIdentity& identity = identities[i];
    if (identity.strings == query.strings && identity.bytesInSector == query.bytesInSector &&
        identity.size == query.size && (!query.first5Sectors || identity.first5Sectors == *query.first5Sectors))
      return i;
  }
  return std::nullopt;
}

}  // namespace salvonix
