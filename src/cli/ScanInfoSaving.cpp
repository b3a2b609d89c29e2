#include "cli/ScanInfoSaving.h"

#include <sys/stat.h>

#include <filesystem>

#include <fmt/format.h>

#include "drives/DriveList.h"
#include "output/ScanInfoContext.h"
#include "output/ScanInfoWriter.h"

namespace salvonix {

namespace {

// Two paths of one block device (a device node and a link to it, say).
bool sameBlockDevice(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && S_ISBLK(first.st_mode) &&
         S_ISBLK(second.st_mode) && first.st_rdev == second.st_rdev;
}

}  // namespace

void prepareScanInfo(ScanContext& context) {
  context.first5SectorToSave = readFirstFiveSectors(context.selectedDriveMountPoint, context.u32BytesInSector);
  struct stat st {};
  if (::stat(context.selectedDriveMountPoint.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return;
  // Identity strings as the drive list gives them, so that the drive is found again by them.
  ScanContext listed;
  SystemDriveFinder system;
  DriveList list(listed, system.finder());
  list.initialDriveList();
  for (const DriveRecord& record : list.driveDictArray()) {
    if (!sameBlockDevice(record.text(drivekey::kDevicePath), context.selectedDriveMountPoint)) continue;
    const DriveIdentityStrings strings = identityStringsOf(record);
    context.model = strings.model;
    context.serial = strings.serial;
    context.revision = strings.revision;
    context.selectedDrive = selectedDriveOf(record);
    return;
  }
}

std::string saveScanInfoAfterScan(const std::string& chosenPath, const ScanContext& context, const HDIR& root) {
  std::error_code failure;
  const std::string path = std::filesystem::is_directory(chosenPath, failure)
                               ? (std::filesystem::path(chosenPath) / defaultScanInfoName()).string()
                               : chosenPath;
  const ScanInfoWriteResult written = saveScanInfo(path, scanInfoDriveOf(context), root);
  if (written.error) return fmt::format("{}: {}: {}", written.error->title, written.error->text, written.path);
  fmt::print(stderr, "Scan information saved at {}\n", written.path);
  return {};
}

}  // namespace salvonix
