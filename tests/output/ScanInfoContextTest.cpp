// An opened file takes over the shared values and finds its drive; a file
// written from an opened one keeps the opened file's first sectors.

#include <gtest/gtest.h>

#include "output/ScanInfoContext.h"

namespace salvonix {
namespace {

DriveIdentity identity(const std::string& path, const std::string& serial, uint64_t size) {
  DriveIdentity drive;
  drive.strings = {"Reader", serial, "1.0"};
  drive.bytesInSector = 2048;
  drive.selectedDriveMountPoint = path;
  drive.size = size;
  return drive;
}

ScanInfoOpenResult openedFile() {
  ScanInfoOpenResult opened;
  opened.drive.bytesInSector = 2048;
  opened.drive.numberOfFileSelected = 3;
  opened.drive.driveSize = 1 << 30;
  opened.drive.driveSectorNumber = (1 << 30) / 2048;
  opened.drive.selectedFileSize = 12345;
  opened.drive.driveName = "Reader Card";
  opened.drive.serial = "77";
  opened.drive.model = "Reader";
  opened.drive.revision = "1.0";
  opened.drive.first5Sectors.assign(5 * 2048, 9);
  return opened;
}

TEST(OpenedScanInfo, TakesOverTheDriveValuesAndFindsTheFirstMatchingDrive) {
  ScanContext context;
  const std::vector<DriveIdentity> identities{identity("/dev/sdb", "78", 1 << 30), identity("/dev/sdc", "77", 1 << 30),
                                              identity("/dev/sdd", "77", 1 << 30)};
  EXPECT_EQ(applyOpenedScanInfo(context, openedFile(), identities), 1u);
  EXPECT_EQ(context.selectedDriveMountPointForPreview, "/dev/sdc");
  EXPECT_TRUE(context.bOpenInfoDriveConnected);
  EXPECT_TRUE(context.bDirectFromOpenScanInfo);
  EXPECT_TRUE(context.bRecoveredFileFromOpenScanInfo);
  EXPECT_EQ(context.u32BytesInSector, 2048u);
  EXPECT_EQ(context.iNumberOfFileSelected, 3);
  EXPECT_EQ(context.selectedDriveSize, 1u << 30);
  EXPECT_EQ(context.u64DriveSectorNumber, (1u << 30) / 2048);
  EXPECT_EQ(context.u64SelectedFileSize, 12345u);
  EXPECT_EQ(context.selectedDrive, "Reader Card");
  EXPECT_EQ(context.serial, "77");
  EXPECT_EQ(context.first5SectorInOpen, std::vector<uint8_t>(5 * 2048, 9));

  // Written again, the file keeps the first sectors it came with.
  context.first5SectorToSave.assign(5 * 2048, 1);
  const ScanInfoDrive again = scanInfoDriveOf(context);
  EXPECT_EQ(again.first5Sectors, std::vector<uint8_t>(5 * 2048, 9));
  EXPECT_EQ(again.numberOfFileSelected, 3u);
  EXPECT_EQ(again.model, "Reader");
  context.bDirectFromOpenScanInfo = false;
  EXPECT_EQ(scanInfoDriveOf(context).first5Sectors, std::vector<uint8_t>(5 * 2048, 1));
}

TEST(OpenedScanInfo, ADriveWithTheSameFirstSectorsIsTakenBeforeIdenticalOnes) {
  ScanContext context;
  std::vector<DriveIdentity> identities{identity("/dev/sdb", "77", 1 << 30), identity("/dev/sdc", "77", 1 << 30)};
  identities[0].first5Sectors.assign(5 * 2048, 8);  // another card in an identical reader
  identities[1].first5Sectors.assign(5 * 2048, 9);
  EXPECT_EQ(applyOpenedScanInfo(context, openedFile(), identities), 1u);
  EXPECT_EQ(context.selectedDriveMountPointForPreview, "/dev/sdc");
}

TEST(OpenedScanInfo, ADriveThatIsNotAttachedLeavesThePathAsItWas) {
  ScanContext context;
  context.selectedDriveMountPointForPreview = "/dev/previous";
  EXPECT_FALSE(applyOpenedScanInfo(context, openedFile(), {identity("/dev/sdb", "77", 1 << 29)}));
  EXPECT_EQ(context.selectedDriveMountPointForPreview, "/dev/previous");
  EXPECT_FALSE(context.bOpenInfoDriveConnected);
  EXPECT_TRUE(context.bRecoveredFileFromOpenScanInfo);
}

}  // namespace
}  // namespace salvonix
