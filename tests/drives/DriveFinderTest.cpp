// Drive records built from a fake sysfs tree, with and without udev properties.

#include <gtest/gtest.h>

#include "drives/DriveFinder.h"
#include "drives/FakeMachine.h"
#include "drives/MountTable.h"
#include "drives/SysfsFacts.h"

namespace salvonix {
namespace {

namespace k = drivekey;
using test::FakeMachine;

const DriveRecord* recordOf(const std::vector<DriveRecord>& records, const std::string& path) {
  for (const auto& record : records)
    if (record.text(k::kDevicePath) == path) return &record;
  return nullptr;
}

DriveRecord expected(std::initializer_list<std::pair<std::string_view, DriveRecord::Value>> values) {
  DriveRecord record;
  for (const auto& [key, value] : values) record.add(key, value);
  return record;
}

TEST(DriveFinder, RecordsFromSysfsAlone) {
  FakeMachine machine;
  DriveFinder finder = machine.finder();
  std::vector<DriveRecord> records;
  EXPECT_EQ(finder.findMediaMain(records, finder.volumeList()), kMediaFound);

  // The empty loop device has nothing to scan; the unmounted nothing is left out.
  std::vector<std::string> paths;
  for (const auto& record : records) paths.push_back(record.text(k::kDevicePath));
  EXPECT_EQ(paths, (std::vector<std::string>{"/dev/loop1", "/dev/sda", "/dev/sdb", "/dev/sdb1", "/dev/sdc", "/dev/vda"}));

  // SATA disk without a serial: no serial key at all.
  EXPECT_EQ(*recordOf(records, "/dev/sda"),
            expected({{k::kPreferredBlockSize, uint64_t{512}},
                      {k::kWhetherSATA, uint64_t{1}},
                      {k::kDeviceModel, std::string("WDC WD5000AAKX-0")},
                      {k::kDeviceRevision, std::string("1H15")},
                      {k::kRemovable, uint64_t{0}},
                      {k::kDeviceSize, uint64_t{500107862016}},
                      {k::kDevicePath, std::string("/dev/sda")}}));
  // USB card reader: SCSI vendor strings without their padding, serial from the unit serial page.
  EXPECT_EQ(*recordOf(records, "/dev/sdb"),
            expected({{k::kPreferredBlockSize, uint64_t{512}},
                      {k::kWhetherUSB, uint64_t{1}},
                      {k::kVendorIdentification, std::string("Generic")},
                      {k::kProductIdentification, std::string("STORAGE DEVICE")},
                      {k::kProductRevisionLevel, std::string("1404")},
                      {k::kDeviceSerial, std::string("AB12CD")},
                      {k::kRemovable, uint64_t{1}},
                      {k::kDeviceSize, uint64_t{31250 * 512}},
                      {k::kDevicePath, std::string("/dev/sdb")}}));
  // Its mounted partition: a volume with the file system's type and label, no sector size.
  const DriveRecord& partition = *recordOf(records, "/dev/sdb1");
  EXPECT_EQ(partition.number(k::kWhetherVolume), 1u);
  EXPECT_EQ(partition.text(k::kContent), "vfat");
  EXPECT_EQ(partition.text(k::kVolumeLabel), "CARD ONE");
  EXPECT_EQ(partition.number(k::kDeviceSize), 30000u * 512);
  EXPECT_FALSE(partition.has(k::kPreferredBlockSize));
  EXPECT_TRUE(partition.has(k::kWhetherUSB));
  // FireWire counts as USB and never as SATA.
  const DriveRecord& fireWire = *recordOf(records, "/dev/sdc");
  EXPECT_TRUE(fireWire.has(k::kWhetherUSB));
  EXPECT_FALSE(fireWire.has(k::kWhetherSATA));
  EXPECT_EQ(fireWire.text(k::kVendorIdentification), "LaCie");
  // A virtio disk: no model, its serial from the block device itself; neither USB nor SATA.
  const DriveRecord& virtio = *recordOf(records, "/dev/vda");
  EXPECT_EQ(virtio.text(k::kDeviceSerial), "overlayblk");
  EXPECT_FALSE(virtio.has(k::kDeviceModel));
  EXPECT_FALSE(virtio.has(k::kWhetherUSB) || virtio.has(k::kWhetherSATA));
  EXPECT_EQ(recordOf(records, "/dev/loop1")->number(k::kPreferredBlockSize), 4096u);
  EXPECT_EQ(machine.probe.calls, 1);  // only the mounted partition is probed
}

TEST(DriveFinder, UdevPropertiesComeFirst) {
  FakeMachine machine;
  test::PropertyTree tree(machine.tree);
  tree.properties["sda"] = {{"ID_BUS", "ata"}, {"ID_MODEL", "WDC_WD5000AAKX-00ERMA0"},
                            {"ID_MODEL_ENC", "WDC\\x20WD5000AAKX-00ERMA0\\x20\\x20"}, {"ID_SERIAL_SHORT", "WD-WCC2E1234567"},
                            {"ID_REVISION", "15.01H15"}};
  tree.properties["sdb"] = {{"ID_BUS", "usb"}, {"ID_VENDOR_ENC", "SanDisk\\x20"}, {"ID_MODEL", "Cruzer"},
                            {"ID_SERIAL_SHORT", "4C530001"}};
  tree.properties["sdb1"] = {{"ID_FS_TYPE", "exfat"}, {"ID_FS_LABEL_ENC", "MY\\x20CARD"}};
  tree.properties["vda"] = {{"ID_BUS", "usb"}};  // the property wins over what sysfs shows
  DriveFinder finder(tree, machine.probe, machine.sysfs.mountInfo(), machine.sysfs.root());
  std::vector<DriveRecord> records;
  finder.findMediaMain(records, finder.volumeList());

  const DriveRecord& sata = *recordOf(records, "/dev/sda");
  EXPECT_EQ(sata.text(k::kDeviceModel), "WDC WD5000AAKX-00ERMA0");
  EXPECT_EQ(sata.text(k::kDeviceSerial), "WD-WCC2E1234567");
  EXPECT_EQ(sata.text(k::kDeviceRevision), "15.01H15");
  EXPECT_TRUE(sata.has(k::kWhetherSATA));
  const DriveRecord& usb = *recordOf(records, "/dev/sdb");
  EXPECT_EQ(usb.text(k::kVendorIdentification), "SanDisk");
  EXPECT_EQ(usb.text(k::kProductIdentification), "Cruzer");
  EXPECT_EQ(usb.text(k::kProductRevisionLevel), "1404");  // sysfs fills what udev lacks
  EXPECT_EQ(usb.text(k::kDeviceSerial), "4C530001");
  const DriveRecord& volume = *recordOf(records, "/dev/sdb1");
  EXPECT_EQ(volume.text(k::kContent), "exfat");
  EXPECT_EQ(volume.text(k::kVolumeLabel), "MY CARD");
  EXPECT_EQ(machine.probe.calls, 0);
  EXPECT_TRUE(recordOf(records, "/dev/vda")->has(k::kWhetherUSB));
}

TEST(DriveFinder, VolumesFromTheMountTable) {
  FakeMachine machine;
  const auto volumes = machine.finder().volumeList();
  ASSERT_EQ(volumes.size(), 2u);  // /proc has no block device
  EXPECT_EQ(volumes[0].text(k::kMountedPath), "/");
  EXPECT_EQ(volumes[0].text(k::kVolumeName), "/");
  EXPECT_EQ(volumes[0].text(k::kVolumePath), "/dev/vda");
  EXPECT_EQ(volumes[1].text(k::kMountedPath), "/media/user/CARD ONE");
  EXPECT_EQ(volumes[1].text(k::kVolumeName), "CARD ONE");
  EXPECT_EQ(volumes[1].text(k::kVolumePath), "/dev/sdb1");
}

TEST(DriveFinder, NothingToScan) {
  test::FakeSysfs sysfs;
  sysfs.addDisk("", "loop0", 7, 0, 0, 512, false);
  sysfs.setMountInfo("");
  SysfsBlockDeviceTree tree(sysfs.root());
  test::FakeProbe probe;
  DriveFinder finder(tree, probe, sysfs.mountInfo(), sysfs.root());
  std::vector<DriveRecord> records;
  EXPECT_EQ(finder.findMediaMain(records, finder.volumeList()), kNoMediaFound);
  EXPECT_TRUE(records.empty());
}

TEST(MountTable, FieldsEscapesAndDamagedLines) {
  test::FakeSysfs sysfs;
  sysfs.setMountInfo(
      "36 35 98:0 /mnt1 /mnt/with\\040blank\\011tab rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
      "37 35 8:1 / /boot rw - vfat /dev/sda1 rw\n"
      "garbage line\n"
      "38 35 x:y / /bad rw - ext4 /dev/sdz rw\n"
      "39 35 8:2 / /no-separator rw ext4 /dev/sda2\n"
      "40 35 0:44 / /srv rw shared:3 shared:4 - btrfs /dev/sdc\\134x rw\n");
  const auto mounts = readMountTable(sysfs.mountInfo());
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].major, 98u);
  EXPECT_EQ(mounts[0].minor, 0u);
  EXPECT_EQ(mounts[0].mountPoint, "/mnt/with blank\ttab");
  EXPECT_EQ(mounts[0].fsType, "ext3");
  EXPECT_EQ(mounts[0].source, "/dev/root");
  EXPECT_EQ(mounts[1].mountPoint, "/boot");
  EXPECT_EQ(mounts[2].source, "/dev/sdc\\x");
  EXPECT_TRUE(readMountTable(sysfs.mountInfo() + ".missing").empty());
}

TEST(SysfsFacts, SerialPageAndTrimming) {
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x80\0\x0a  WD-123  \n", 14)), "WD-123");
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x80\0\xff" "AB", 6)), "AB");  // length past the page
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x83\0\x02" "AB", 6)), "");    // another page
  EXPECT_EQ(serialFromVpdPage80("\0\x80"), "");
  EXPECT_EQ(trimmed(" \t ATA  \n"), "ATA");
  EXPECT_EQ(trimmed("   "), "");
}

TEST(BlkidProbe, ReadsTypeAndLabelOfAFatImage) {
  if (std::system("command -v mkfs.vfat >/dev/null 2>&1") != 0) GTEST_SKIP() << "mkfs.vfat is not installed";
  test::TempDir dir;
  const std::string image = dir.file("fat.img");
  test::TestImage(image, 4 << 20);
  ASSERT_EQ(std::system(("mkfs.vfat -n SALVONIX '" + image + "' >/dev/null 2>&1").c_str()), 0);
  BlkidProbe probe;
  const auto info = probe.probe(image);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->type, "vfat");
  EXPECT_EQ(info->label, "SALVONIX");
  EXPECT_FALSE(probe.probe(dir.file("missing.img")));
  EXPECT_FALSE(probe.probe(test::TestImage(dir.file("zeros.img"), 1 << 20).path()));
}

}  // namespace
}  // namespace salvonix
