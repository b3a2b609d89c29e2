#include "cli/ScanInfoSaving.h"

#include <sys/stat.h>

#include <filesystem>

#include <fmt/format.h>

#include "cli/OutputFiles.h"
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

void takeIdentity(ScanContext& context, const DriveRecord& record) {
  const DriveIdentityStrings strings = identityStringsOf(record);
  context.model = strings.model;
  context.serial = strings.serial;
  context.revision = strings.revision;
}

// The file for chosenPath: ".qsn" appended; in a folder, a default name not yet taken.
std::string scanInfoTarget(const std::string& chosenPath) {
  std::error_code failure;
  if (!std::filesystem::is_directory(chosenPath, failure)) return scanInfoPath(chosenPath);
  return freePath(chosenPath, defaultScanInfoName(), std::string(kScanInfoExtension));
}

}  // namespace

void prepareScanInfo(ScanContext& context) {
  context.first5SectorToSave = readFirstFiveSectors(context.selectedDriveMountPoint, context.u32BytesInSector);
  struct stat st {};
  if (::stat(context.selectedDriveMountPoint.c_str(), &st) != 0) return;
  // Identity strings as the drive list gives them, so that the drive is found again by them.
  ScanContext listed;
  SystemDriveFinder system;
  DriveList list(listed, system.finder());
  if (S_ISREG(st.st_mode)) {
    if (!list.addImageFile(context.selectedDriveMountPoint, nullptr)) return;
    const DriveRecord& image = list.driveDictArray().back();
    takeIdentity(context, image);
    context.selectedDrive = image.text(drivekey::kDevicePath);
    return;
  }
  if (!S_ISBLK(st.st_mode)) return;
  list.initialDriveList();
  for (const DriveRecord& record : list.driveDictArray()) {
    if (!sameBlockDevice(record.text(drivekey::kDevicePath), context.selectedDriveMountPoint)) continue;
    takeIdentity(context, record);
    context.selectedDrive = selectedDriveOf(record);
    return;
  }
}

std::string scanInfoPathProblem(const std::string& chosenPath) {
  return unwritableFileProblem(scanInfoTarget(chosenPath));
}

WrittenFile saveScanInfoAfterScan(const std::string& chosenPath, const ScanContext& context, const HDIR& root,
                                  const std::vector<std::string>& fallbackFolders) {
  const ScanInfoDrive drive = scanInfoDriveOf(context);
  return writeWithFallback("scan information file", scanInfoTarget(chosenPath), fallbackFolders,
                           [&](const std::string& target) {
                             const ScanInfoWriteResult written = saveScanInfo(target, drive, root);
                             return written.error ? written.error->text : std::string();
                           });
}

}  // namespace salvonix
