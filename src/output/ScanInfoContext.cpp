#include "output/ScanInfoContext.h"

#include <sys/stat.h>

namespace salvonix {

ScanInfoDrive scanInfoDriveOf(const ScanContext& context) {
  ScanInfoDrive drive;
  drive.bytesInSector = context.u32BytesInSector;
  drive.numberOfFileSelected = static_cast<uint32_t>(std::max(0, context.iNumberOfFileSelected.load()));
  drive.driveSize = context.selectedDriveSize;
  drive.driveSectorNumber = context.u64DriveSectorNumber;
  drive.selectedFileSize = context.u64SelectedFileSize;
  drive.driveName = context.selectedDrive;
  drive.serial = context.serial;
  drive.model = context.model;
  drive.revision = context.revision;
  drive.first5Sectors = context.bDirectFromOpenScanInfo ? context.first5SectorInOpen : context.first5SectorToSave;
  return drive;
}

std::optional<DriveIdentity> imageIdentityOf(const ScanInfoDrive& drive) {
  struct stat st {};
  if (!drive.driveName.starts_with('/') || ::stat(drive.driveName.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return std::nullopt;
  // An image has no identity strings of its own beyond its name: the path stands for them.
  return DriveIdentity{{drive.model, drive.serial, drive.revision},
                       drive.bytesInSector,
                       drive.driveName,
                       static_cast<uint64_t>(st.st_size),
                       readFirstFiveSectors(drive.driveName, drive.bytesInSector)};
}

std::optional<std::size_t> applyOpenedScanInfo(ScanContext& context, const ScanInfoOpenResult& opened,
                                               const std::vector<DriveIdentity>& identities) {
  const ScanInfoDrive& drive = opened.drive;
  context.bDirectFromOpenScanInfo = true;
  context.u32BytesInSector = drive.bytesInSector;
  context.iNumberOfFileSelected = static_cast<int32_t>(std::min<uint32_t>(drive.numberOfFileSelected, INT32_MAX));
  context.selectedDriveSize = drive.driveSize;
  context.u64DriveSectorNumber = drive.driveSectorNumber;
  context.u64SelectedFileSize = drive.selectedFileSize;
  context.first5SectorInOpen = drive.first5Sectors;
  context.selectedDrive = drive.driveName;
  context.serial = drive.serial;
  context.model = drive.model;
  context.revision = drive.revision;

  // A drive whose first sectors also match comes first: readers and cards of
  // one make share every identity string and size.
  DriveQuery query{{drive.model, drive.serial, drive.revision}, drive.bytesInSector, drive.driveSize,
                   &drive.first5Sectors};
  auto found = findDrive(identities, query);
  query.first5Sectors = nullptr;
  if (!found) found = findDrive(identities, query);
  if (found) {
    std::lock_guard lock(context.previewPathMutex);
    context.selectedDriveMountPointForPreview = identities[*found].selectedDriveMountPoint;
    context.bOpenInfoDriveConnected = true;
  }
  context.bRecoveredFileFromOpenScanInfo = true;
  return found;
}

}  // namespace salvonix
