// The drive list over a fake machine: building and splitting, the table,
// choosing a drive, and finding the drive of the results again.

#include <gtest/gtest.h>

#include "drives/DriveList.h"
#include "drives/FakeMachine.h"

namespace salvonix {
namespace {

namespace k = drivekey;
using test::FakeMachine;

struct DriveListRun {
  FakeMachine machine;
  DriveFinder finder = machine.finder();
  ScanContext context;
  std::map<std::string, std::vector<uint8_t>> firstSectors;  // by device path
  DriveList list{context, finder, [this](const std::string& path, uint32_t) {
                   auto found = firstSectors.find(path);
                   return found == firstSectors.end() ? std::vector<uint8_t>{} : found->second;
                 }};

  std::vector<std::string> rows() const {
    std::vector<std::string> paths;
    for (const auto& record : list.driveDictArray()) paths.push_back(record.text(k::kDevicePath));
    return paths;
  }
  std::string previewPath() {
    std::lock_guard lock(context.previewPathMutex);
    return context.selectedDriveMountPointForPreview;
  }
};

TEST(DriveList, BuildsSplitsAndTrims) {
  DriveListRun run;
  run.list.initialDriveList();
  EXPECT_EQ(run.list.responseFindMedia().size(), 6u);
  EXPECT_EQ(run.rows(), (std::vector<std::string>{"/dev/loop1", "/dev/sda", "/dev/sdb", "/dev/sdc", "/dev/vda"}));
  ASSERT_EQ(run.list.volumeDictArray().size(), 1u);
  EXPECT_EQ(run.list.volumeDictArray()[0].text(k::kVolumeName), "CARD ONE");
  EXPECT_EQ(run.list.finalArrayForVolumes().size(), 2u);
  EXPECT_EQ(nameLine(run.list.volumeDictArray()[0]), "CARD ONE");

  const auto& drives = run.list.driveDictArray();
  // Drives that are not USB or FireWire get "-" for a missing model or serial.
  EXPECT_EQ(drives[1].text(k::kDeviceSerial), "-");
  EXPECT_EQ(drives[4].text(k::kDeviceModel), "-");
  EXPECT_EQ(drives[4].text(k::kDeviceSerial), "overlayblk");
  // USB and FireWire drives are left as they are.
  EXPECT_FALSE(drives[2].has(k::kDeviceModel));

  EXPECT_EQ(run.list.numberOfRowsInTableView(), 5u);
  EXPECT_EQ(run.list.objectValue(DriveColumn::Drives, 1), "WDC WD5000AAKX-0 1H15");
  EXPECT_EQ(run.list.objectValue(DriveColumn::Size, 1), "465.76 GB");
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 1), "-");
  EXPECT_EQ(run.list.objectValue(DriveColumn::Drives, 2), "Generic STORAGE DEVICE 1404");
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 2), "-");  // USB: its serial is not shown
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 3), "-");  // FireWire likewise
  EXPECT_EQ(run.list.objectValue(DriveColumn::Drives, 4), "-");
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 4), "overlayblk");
  EXPECT_EQ(run.list.objectValue(DriveColumn::Size, 9), "");
}

TEST(DriveList, ChoosingARowSetsTheScanParameters) {
  DriveListRun run;
  run.list.initialDriveList();
  run.list.tableViewSelectionDidChange(1);
  EXPECT_TRUE(run.list.nextButtonEnabled());
  EXPECT_EQ(run.context.selectedDrive, "WDC WD5000AAKX-0");
  EXPECT_EQ(run.context.model, "WDC WD5000AAKX-0");
  EXPECT_EQ(run.context.serial, "-");
  EXPECT_EQ(run.context.revision, "1H15");
  EXPECT_EQ(run.list.selectedDriveNameToDisplay(), "WDC WD5000AAKX-0 1H15");
  EXPECT_EQ(run.context.selectedDriveMountPoint, "/dev/sda");
  EXPECT_EQ(run.context.u32BytesInSector, 512u);
  EXPECT_EQ(run.context.selectedDriveSize, 500107862016u);
  EXPECT_EQ(run.context.u64DriveSectorNumber, test::kSataSectors);
  EXPECT_EQ(run.list.descriptionText(), "Selected Drive: WDC WD5000AAKX-0\n\nSerial: -\n\nSize: 465.76 GB");

  run.list.tableViewSelectionDidChange(2);  // USB: the vendor is the model, "-" the serial
  EXPECT_EQ(run.context.selectedDrive, "STORAGE DEVICE");
  EXPECT_EQ(run.context.model, "Generic");
  EXPECT_EQ(run.context.serial, "-");
  EXPECT_EQ(run.context.revision, "1404");
  EXPECT_EQ(run.list.selectedDriveNameToDisplay(), "Generic STORAGE DEVICE");

  run.list.tableViewSelectionDidChange(0);  // 4,096-byte sectors
  EXPECT_EQ(run.context.u32BytesInSector, 4096u);
  EXPECT_EQ(run.context.u64DriveSectorNumber, 40960u * 512 / 4096);

  run.list.tableViewSelectionDidChange(std::nullopt);
  EXPECT_FALSE(run.list.nextButtonEnabled());
  EXPECT_FALSE(run.list.selectedRow());
  EXPECT_EQ(run.context.selectedDriveMountPoint, "/dev/loop1");  // the last choice stays
}

TEST(DriveList, RecordWithoutSectorSizeUses512) {
  DriveRecord record;
  record.add(k::kDeviceSize, uint64_t{4096});
  EXPECT_EQ(bytesInSectorOf(record), 512u);
}

TEST(DriveList, RebuildFindsTheScannedDriveUnderItsNewName) {
  DriveListRun run;
  run.list.initialDriveList();
  run.list.tableViewSelectionDidChange(2);  // the card reader, /dev/sdb
  {
    std::lock_guard lock(run.context.previewPathMutex);
    run.context.selectedDriveMountPointForPreview = "/dev/sdb";  // as a scan start stores it
  }
  run.list.setShownPage(ShownPage::RecoveredFiles);

  run.machine.sysfs.detach("sdb1", 8, 17);
  run.machine.sysfs.detach("sdb", 8, 16);
  run.list.refreshDriveList();
  EXPECT_TRUE(run.context.bDriveRemovedAfterScanning);
  EXPECT_EQ(run.previewPath(), "");
  EXPECT_FALSE(run.list.nextButtonEnabled());

  run.machine.addUsbReader("sdd", 48);  // plugged back, named anew
  run.list.refreshDriveList();
  EXPECT_FALSE(run.context.bDriveRemovedAfterScanning);
  EXPECT_EQ(run.previewPath(), "/dev/sdd");
}

TEST(DriveList, DrivePageReappliesTheRowToWhateverRecordHasIt) {
  DriveListRun run;
  run.list.initialDriveList();
  run.list.tableViewSelectionDidChange(2);
  EXPECT_EQ(run.context.selectedDriveMountPoint, "/dev/sdb");
  // A new disk sorting before it moves the card reader down one row.
  run.machine.sysfs.addDisk(test::kSataParent, "sd0", 8, 240, 1000, 512, false);
  run.list.refreshDriveList();
  EXPECT_TRUE(run.list.nextButtonEnabled());
  EXPECT_EQ(run.context.selectedDriveMountPoint, "/dev/sda");
}

TEST(DriveList, OpenedFileFindsItsDriveByIdentityAndFirstSectors) {
  DriveListRun run;
  // Two readers alike in every identity string and size; only their cards differ.
  run.machine.addUsbReader("sdd", 48);
  run.firstSectors["/dev/sdb"] = std::vector<uint8_t>(2560, 1);
  run.firstSectors["/dev/sdd"] = std::vector<uint8_t>(2560, 2);
  run.list.initialDriveList();

  const auto identities = run.list.retriveAllDriveDetails();
  const DriveQuery byIdentity{{"Generic", "-", "1404"}, 512, 31250 * 512, nullptr};
  EXPECT_EQ(findDrive(identities, byIdentity), 2u);  // the first of the two
  const std::vector<uint8_t> secondCard(2560, 2);
  DriveQuery byCard = byIdentity;
  byCard.first5Sectors = &secondCard;
  ASSERT_TRUE(findDrive(identities, byCard));
  EXPECT_EQ(identities[*findDrive(identities, byCard)].selectedDriveMountPoint, "/dev/sdd");

  // The rebuild on the results page of an opened file takes the drive with the same card.
  run.context.model = "Generic";
  run.context.serial = "-";
  run.context.revision = "1404";
  run.context.u32BytesInSector = 512;
  run.context.selectedDriveSize = 31250 * 512;
  run.context.first5SectorInOpen = secondCard;
  run.list.setShownPage(ShownPage::RecoveredFiles);
  run.list.refreshDriveList();
  EXPECT_TRUE(run.context.bOpenInfoDriveConnected);
  EXPECT_EQ(run.previewPath(), "/dev/sdd");

  DriveQuery otherSize = byIdentity;
  otherSize.size += 512;
  EXPECT_FALSE(findDrive(identities, otherSize));
}

TEST(DriveIdentity, TwoIdenticalDrivesGiveTheFirst) {
  test::TempDir dir;
  const auto content = test::randomBytes(64 * 1024, 5);
  std::vector<DriveRecord> drives;
  for (const char* name : {"first.img", "second.img"}) {
    test::TestImage image(dir.file(name), content.size());
    image.put(0, content);
    DriveRecord record;
    record.add(k::kDeviceModel, std::string("Card"));
    record.add(k::kDeviceSerial, std::string("1"));
    record.add(k::kDeviceRevision, std::string("A"));
    record.add(k::kPreferredBlockSize, uint64_t{512});
    record.add(k::kDeviceSize, uint64_t{content.size()});
    record.add(k::kDevicePath, image.path());
    drives.push_back(record);
  }
  const auto identities = retriveAllDriveDetails(drives, readFirstFiveSectors);
  ASSERT_EQ(identities.size(), 2u);
  EXPECT_EQ(identities[0].first5Sectors, std::vector<uint8_t>(content.begin(), content.begin() + 2560));
  const std::vector<uint8_t> sectors(content.begin(), content.begin() + 2560);
  EXPECT_EQ(findDrive(identities, {{"Card", "1", "A"}, 512, content.size(), nullptr}), 0u);
  EXPECT_EQ(findDrive(identities, {{"Card", "1", "A"}, 512, content.size(), &sectors}), 0u);
  EXPECT_FALSE(findDrive(identities, {{"Card", "2", "A"}, 512, content.size(), nullptr}));

  // A drive that cannot be read has no first sectors, and one shorter than
  // five sectors reads as zeros past its end.
  EXPECT_TRUE(readFirstFiveSectors(dir.file("missing.img"), 512).empty());
  test::TestImage tiny(dir.file("tiny.img"), 100);
  tiny.put(0, {7});
  auto tinySectors = readFirstFiveSectors(tiny.path(), 4096);
  ASSERT_EQ(tinySectors.size(), 20480u);
  EXPECT_EQ(tinySectors[0], 7);
  EXPECT_EQ(tinySectors[20479], 0);
}

}  // namespace
}  // namespace salvonix
