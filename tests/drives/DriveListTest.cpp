// Drive records and the drive list over a fake machine (sysfs tree and mount table in
// a temporary folder, udev properties where a test gives them), and the drive watcher.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <tuple>

#include "drives/DriveFinder.h"
#include "drives/DriveList.h"
#include "drives/DriveWatcher.h"
#include "drives/SysfsBlockDeviceTree.h"
#include "drives/SysfsFacts.h"
#include "drives/UdevEventSource.h"
#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
namespace k = drivekey;
using Attributes = std::map<std::string, std::string>;
using test::Bytes;

const std::string kUsbParent = "pci0000:00/0000:00:14.0/usb1/1-1/host6/target6:0:0/6:0:0:0";
const std::string kSataParent = "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
constexpr uint64_t kSataSectors = 976773168;  // 500,107,862,016 bytes

// A SATA disk without a serial, a USB card reader with a mounted FAT
// partition, a FireWire disk, a virtio disk mounted whole, an empty loop
// device and one with 4,096-byte sectors. Only the card's file system is known.
class FakeMachine : public BlockDeviceTree, public FilesystemProbe {
 public:
  FakeMachine() {
    attributes(kSataParent, {{"vendor", "ATA     \n"}, {"model", "WDC WD5000AAKX-0\n"}, {"rev", "1H15\n"}});
    addDisk(kSataParent, "sda", "8:0", kSataSectors);
    addUsbReader("sdb", "8:16");
    addBlock(kUsbParent + "/block/sdb/sdb1", "sdb1", "partition", "8:17", 30000);
    const std::string fireWire = "pci0000:00/0000:00:1e.0/fw0/fw0.0/host7/target7:0:0/7:0:0:0";
    subsystem("pci0000:00/0000:00:1e.0/fw0", "firewire");
    attributes(fireWire, {{"vendor", "LaCie\n"}, {"model", "d2 Quadra\n"}, {"rev", "0100\n"}});
    addDisk(fireWire, "sdc", "8:32", 2000000);
    attributes("pci0000:00/0000:00:02.0/virtio1", {{"vendor", "0x1af4\n"}});
    addDisk("pci0000:00/0000:00:02.0/virtio1", "vda", "254:0", 1 << 20, 512, false, {{"serial", "overlayblk\n"}});
    addDisk("", "loop0", "7:0", 0);
    addDisk("", "loop1", "7:1", 40960, 4096);
    // Lines without a block device or unreadable are left out.
    write(mountInfo(),
          "21 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
          "22 21 0:5 / /proc rw - proc proc rw\n"
          "garbage line\n"
          "24 21 x:y / /bad rw - ext4 /dev/sdz rw\n"
          "25 21 8:0 / /no-separator rw ext4 /dev/sda\n"
          "23 21 8:17 / /media/user/CARD\\040ONE rw,nosuid shared:7 master:2 - vfat /dev/sdb1 rw,uid=1000\n");
  }

  std::vector<BlockDeviceEntry> blockDevices() override {
    auto entries = SysfsBlockDeviceTree(root()).blockDevices();
    for (auto& entry : entries) entry.properties = properties[entry.sysName];
    return entries;
  }
  std::optional<FilesystemInfo> probe(const std::string& devicePath) override {
    ++probeCalls;
    return devicePath == "/dev/sdb1" ? std::optional(FilesystemInfo{"vfat", "CARD ONE"}) : std::nullopt;
  }

  // A USB card reader with a 16 MB card; vendor strings padded as SCSI pads them.
  void addUsbReader(const std::string& name, const std::string& number) {
    if (!fs::exists(devices() / kUsbParent)) {
      subsystem("pci0000:00/0000:00:14.0/usb1/1-1", "usb");
      attributes(kUsbParent, {{"vendor", "Generic \n"}, {"model", "STORAGE DEVICE  \n"}, {"rev", "1404\n"},
                              {"vpd_pg80", std::string("\0\x80\0\x08  AB12CD", 12)}});
    }
    addDisk(kUsbParent, name, number, 31250, 512, true);
  }
  // A whole disk at parent/block/name whose "device" link points at parent (none: a virtual disk).
  void addDisk(const std::string& parent, const std::string& name, const std::string& number, uint64_t sectors512,
               uint32_t logicalBlockSize = 512, bool removable = false, Attributes more = {}) {
    const std::string path = (parent.empty() ? std::string("virtual") : parent) + "/block/" + name;
    more["queue/logical_block_size"] = std::to_string(logicalBlockSize) + "\n";
    more["removable"] = removable ? "1\n" : "0\n";
    addBlock(path, name, "disk", number, sectors512, more);
    if (!parent.empty()) fs::create_symlink(devices() / parent, devices() / path / "device");
  }
  void addBlock(const std::string& path, const std::string& name, const std::string& type, const std::string& number,
                uint64_t sectors512, Attributes more = {}) {
    more["size"] = std::to_string(sectors512) + "\n";
    more["uevent"] = "DEVNAME=" + name + "\nDEVTYPE=" + type + "\n";
    attributes(path, more);
    for (const auto& link : {sys() / "class/block" / name, sys() / "dev/block" / number}) {
      fs::create_directories(link.parent_path());
      fs::create_directory_symlink(devices() / path, link);
    }
  }
  // Takes a block device out of class/block and dev/block, as when it is detached.
  void detach(const std::string& name, const std::string& number) {
    fs::remove(sys() / "class/block" / name);
    fs::remove(sys() / "dev/block" / number);
  }

  std::string root() const { return sys().string(); }
  std::string mountInfo() const { return dir.file("mountinfo"); }

  std::vector<DriveRecord> records() {
    std::vector<DriveRecord> records;
    EXPECT_EQ(finder.findMediaMain(records, finder.volumeList()), kMediaFound);
    return records;
  }

  test::TempDir dir;
  std::map<std::string, Attributes> properties;  // udev's, by device name
  int probeCalls = 0;
  DriveFinder finder{*this, *this, mountInfo(), root()};

 private:
  fs::path sys() const { return dir.path() / "sys"; }
  fs::path devices() const { return sys() / "devices"; }
  static void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  void attributes(const std::string& path, const Attributes& values) {
    fs::create_directories(devices() / path);
    for (const auto& [name, value] : values) write(devices() / path / name, value);
  }
  void subsystem(const std::string& path, const std::string& name) {
    fs::create_directories(devices() / path);
    fs::create_symlink(name, devices() / path / "subsystem");
  }
};

const DriveRecord& recordOf(const std::vector<DriveRecord>& records, const std::string& path) {
  for (const auto& record : records)
    if (record.text(k::kDevicePath) == path) return record;
  throw std::runtime_error("no record for " + path);
}

DriveRecord expected(std::initializer_list<std::pair<std::string_view, DriveRecord::Value>> values) {
  DriveRecord record;
  for (const auto& [key, value] : values) record.add(key, value);
  return record;
}

TEST(DriveFinder, RecordsFromSysfsAlone) {
  FakeMachine machine;
  const auto volumes = machine.finder.volumeList();
  std::vector<std::array<std::string, 3>> seen;  // mounted path, name, device
  for (const auto& v : volumes)
    seen.push_back({v.text(k::kMountedPath), v.text(k::kVolumeName), v.text(k::kVolumePath)});
  EXPECT_EQ(seen, (std::vector<std::array<std::string, 3>>{{"/", "/", "/dev/vda"},
                                                          {"/media/user/CARD ONE", "CARD ONE", "/dev/sdb1"}}));

  const auto records = machine.records();
  // The empty loop device has nothing to scan; the unmounted nothing is left out.
  std::vector<std::string> paths;
  for (const auto& record : records) paths.push_back(record.text(k::kDevicePath));
  EXPECT_EQ(paths,
            (std::vector<std::string>{"/dev/loop1", "/dev/sda", "/dev/sdb", "/dev/sdb1", "/dev/sdc", "/dev/vda"}));
  // SATA disk without a serial: no serial key at all.
  EXPECT_EQ(recordOf(records, "/dev/sda"),
            expected({{k::kPreferredBlockSize, uint64_t{512}}, {k::kWhetherSATA, uint64_t{1}},
                      {k::kDeviceModel, std::string("WDC WD5000AAKX-0")}, {k::kDeviceRevision, std::string("1H15")},
                      {k::kRemovable, uint64_t{0}}, {k::kDeviceSize, uint64_t{500107862016}},
                      {k::kDevicePath, std::string("/dev/sda")}}));
  // USB card reader: SCSI vendor strings without their padding, serial from the unit serial page.
  EXPECT_EQ(recordOf(records, "/dev/sdb"),
            expected({{k::kPreferredBlockSize, uint64_t{512}}, {k::kWhetherUSB, uint64_t{1}},
                      {k::kVendorIdentification, std::string("Generic")},
                      {k::kProductIdentification, std::string("STORAGE DEVICE")},
                      {k::kProductRevisionLevel, std::string("1404")}, {k::kDeviceSerial, std::string("AB12CD")},
                      {k::kRemovable, uint64_t{1}}, {k::kDeviceSize, uint64_t{31250 * 512}},
                      {k::kDevicePath, std::string("/dev/sdb")}}));
  // Its mounted partition: a volume with the file system's type and label, no sector size.
  const DriveRecord& partition = recordOf(records, "/dev/sdb1");
  EXPECT_EQ(std::tuple(partition.number(k::kWhetherVolume), partition.text(k::kContent),
                       partition.text(k::kVolumeLabel), partition.number(k::kDeviceSize)),
            std::tuple(1u, "vfat", "CARD ONE", 30000u * 512));
  EXPECT_FALSE(partition.has(k::kPreferredBlockSize));
  EXPECT_TRUE(partition.has(k::kWhetherUSB));
  // FireWire counts as USB and never as SATA.
  const DriveRecord& fireWire = recordOf(records, "/dev/sdc");
  EXPECT_TRUE(fireWire.has(k::kWhetherUSB));
  EXPECT_FALSE(fireWire.has(k::kWhetherSATA));
  EXPECT_EQ(fireWire.text(k::kVendorIdentification), "LaCie");
  // A virtio disk: no model, its serial from the block device itself; neither USB nor SATA.
  const DriveRecord& virtio = recordOf(records, "/dev/vda");
  EXPECT_EQ(virtio.text(k::kDeviceSerial), "overlayblk");
  EXPECT_FALSE(virtio.has(k::kDeviceModel) || virtio.has(k::kWhetherUSB) || virtio.has(k::kWhetherSATA));
  EXPECT_EQ(recordOf(records, "/dev/loop1").number(k::kPreferredBlockSize), 4096u);
  EXPECT_EQ(machine.probeCalls, 1);  // only the mounted partition is probed
}

TEST(DriveFinder, UdevPropertiesComeFirst) {
  FakeMachine machine;
  machine.properties = {
      {"sda", {{"ID_BUS", "ata"}, {"ID_MODEL", "WDC_WD5000AAKX"}, {"ID_MODEL_ENC", "WDC\\x20WD5000AAKX-00ERMA0\\x20"},
               {"ID_SERIAL_SHORT", "WD-WCC2E1234567"}, {"ID_REVISION", "15.01H15"}}},
      {"sdb", {{"ID_BUS", "usb"}, {"ID_VENDOR_ENC", "SanDisk\\x20"}, {"ID_MODEL", "Cruzer"}}},
      {"sdb1", {{"ID_FS_TYPE", "exfat"}, {"ID_FS_LABEL_ENC", "MY\\x20CARD"}}},
      {"vda", {{"ID_BUS", "usb"}}}};  // the property wins over what sysfs shows
  const auto records = machine.records();
  for (const auto& [path, key, value] : std::vector<std::tuple<std::string, std::string_view, std::string>>{
           {"/dev/sda", k::kDeviceModel, "WDC WD5000AAKX-00ERMA0"}, {"/dev/sda", k::kDeviceSerial, "WD-WCC2E1234567"},
           {"/dev/sda", k::kDeviceRevision, "15.01H15"}, {"/dev/sdb", k::kVendorIdentification, "SanDisk"},
           {"/dev/sdb", k::kProductIdentification, "Cruzer"},
           {"/dev/sdb", k::kProductRevisionLevel, "1404"},  // sysfs fills what udev lacks
           {"/dev/sdb1", k::kContent, "exfat"}, {"/dev/sdb1", k::kVolumeLabel, "MY CARD"}})
    EXPECT_EQ(recordOf(records, path).text(key), value) << path << " " << key;
  EXPECT_EQ(machine.probeCalls, 0);
  EXPECT_TRUE(recordOf(records, "/dev/vda").has(k::kWhetherUSB));
}

TEST(SysfsFacts, SerialPage) {
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x80\0\x0a  WD-123  \n", 14)), "WD-123");
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x80\0\xff" "AB", 6)), "AB");  // length past the page
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x83\0\x02" "AB", 6)), "");    // another page
  EXPECT_EQ(serialFromVpdPage80(std::string("\0\x80", 2)), "");
}

TEST(BlkidProbe, ReadsTypeAndLabelOfAFatImage) {
  if (!test::commandSucceeds("command -v mkfs.vfat")) GTEST_SKIP() << "mkfs.vfat is not installed";
  test::TempDir dir;
  const std::string image = test::TestImage(dir.file("fat.img"), 4 << 20).path();
  ASSERT_TRUE(test::commandSucceeds("mkfs.vfat -n SALVONIX '" + image + "'"));
  BlkidProbe probe;
  const auto info = probe.probe(image);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->type, "vfat");
  EXPECT_EQ(info->label, "SALVONIX");
  EXPECT_FALSE(probe.probe(dir.file("missing.img")));
  EXPECT_FALSE(probe.probe(test::TestImage(dir.file("zeros.img"), 1 << 20).path()));
}

struct DriveListRun : FakeMachine {
  ScanContext context;
  std::map<std::string, std::vector<uint8_t>> firstSectors;  // by device path
  DriveList list{context, finder, [this](const std::string& path, uint32_t) { return firstSectors[path]; }};
  std::string previewPath() {
    std::lock_guard lock(context.previewPathMutex);
    return context.selectedDriveMountPointForPreview;
  }
};

TEST(DriveList, BuildsSplitsAndTrims) {
  DriveListRun run;
  run.list.initialDriveList();
  std::vector<std::string> rows;
  for (const auto& record : run.list.driveDictArray()) rows.push_back(record.text(k::kDevicePath));
  EXPECT_EQ(rows, (std::vector<std::string>{"/dev/loop1", "/dev/sda", "/dev/sdb", "/dev/sdc", "/dev/vda"}));
  ASSERT_EQ(run.list.volumeDictArray().size(), 1u);
  EXPECT_EQ(nameLine(run.list.volumeDictArray()[0]), "CARD ONE");
  EXPECT_EQ(run.list.finalArrayForVolumes().size(), 2u);

  // Drives that are not USB or FireWire get "-" for a missing model or serial; the others are left as they are.
  const auto& drives = run.list.driveDictArray();
  EXPECT_EQ(drives[1].text(k::kDeviceSerial), "-");
  EXPECT_EQ(drives[4].text(k::kDeviceModel), "-");
  EXPECT_FALSE(drives[2].has(k::kDeviceModel));

  EXPECT_EQ(run.list.numberOfRowsInTableView(), 5u);
  EXPECT_EQ(run.list.objectValue(DriveColumn::Drives, 1), "WDC WD5000AAKX-0 1H15");
  EXPECT_EQ(run.list.objectValue(DriveColumn::Size, 1), "465.76 GB");
  EXPECT_EQ(run.list.objectValue(DriveColumn::Drives, 2), "Generic STORAGE DEVICE 1404");
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 2), "-");  // USB: its serial is not shown
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 3), "-");  // FireWire likewise
  EXPECT_EQ(run.list.objectValue(DriveColumn::Drives, 4), "-");
  EXPECT_EQ(run.list.objectValue(DriveColumn::SerialNumber, 4), "overlayblk");
  EXPECT_EQ(run.list.objectValue(DriveColumn::Size, 9), "");
}

// Rows: loop1, loop2 (8,192-byte sectors, which sysfs may report), sda, sdb, ...
TEST(DriveList, ChoosingARowSetsTheScanParameters) {
  DriveListRun run;
  run.addDisk("", "loop2", "7:2", 40960, 8192);
  run.list.initialDriveList();
  run.list.tableViewSelectionDidChange(2);
  EXPECT_TRUE(run.list.nextButtonEnabled());
  const ScanContext& c = run.context;
  EXPECT_EQ(std::tuple(c.selectedDrive, c.serial, c.revision, c.selectedDriveMountPoint, c.u32BytesInSector,
                       c.selectedDriveSize, c.u64DriveSectorNumber),
            std::tuple("WDC WD5000AAKX-0", "-", "1H15", "/dev/sda", 512u, 500107862016u, kSataSectors));
  EXPECT_EQ(run.list.descriptionText(), "Selected Drive: WDC WD5000AAKX-0\n\nSerial: -\n\nSize: 465.76 GB");

  run.list.tableViewSelectionDidChange(3);  // USB: the vendor is the model, "-" the serial
  EXPECT_EQ(std::tuple(c.selectedDrive, c.model, c.serial), std::tuple("STORAGE DEVICE", "Generic", "-"));
  EXPECT_EQ(run.list.selectedDriveNameToDisplay(), "Generic STORAGE DEVICE");

  run.list.tableViewSelectionDidChange(0);  // 4,096-byte sectors
  EXPECT_EQ(c.u32BytesInSector, 4096u);
  EXPECT_EQ(c.u64DriveSectorNumber, 40960u * 512 / 4096);
  EXPECT_EQ(bytesInSectorOf(DriveRecord{}), 512u);  // a record without a sector size

  // Listed, but choosing it says why it cannot be scanned.
  const std::string problem = run.list.tableViewSelectionDidChange(1);
  EXPECT_NE(problem.find("8192 bytes is not supported: use 512, 1024, 2048 or 4096"), std::string::npos) << problem;
  EXPECT_FALSE(run.list.nextButtonEnabled());
  EXPECT_NE(run.list.descriptionText().find(problem), std::string::npos);
  EXPECT_EQ(run.list.tableViewSelectionDidChange(0), "");
  EXPECT_TRUE(run.list.nextButtonEnabled());

  run.list.tableViewSelectionDidChange(std::nullopt);
  EXPECT_FALSE(run.list.nextButtonEnabled());
  EXPECT_FALSE(run.list.selectedRow());
  EXPECT_EQ(c.selectedDriveMountPoint, "/dev/loop1");  // the last choice stays
}

TEST(DriveList, RebuildFindsTheScannedDriveUnderItsNewName) {
  DriveListRun run;
  run.list.initialDriveList();
  run.list.tableViewSelectionDidChange(2);  // the card reader, /dev/sdb
  // On the drive page the row is applied again to whatever record has it now.
  run.addDisk(kSataParent, "sd0", "8:240", 1000);  // sorts before it: the card reader moves down one row
  run.list.refreshDriveList();
  EXPECT_TRUE(run.list.nextButtonEnabled());
  EXPECT_EQ(run.context.selectedDriveMountPoint, "/dev/sda");

  run.list.tableViewSelectionDidChange(3);
  {
    std::lock_guard lock(run.context.previewPathMutex);
    run.context.selectedDriveMountPointForPreview = "/dev/sdb";  // as a scan start stores it
  }
  run.list.setShownPage(ShownPage::RecoveredFiles);
  run.detach("sdb1", "8:17");
  run.detach("sdb", "8:16");
  run.list.refreshDriveList();
  EXPECT_TRUE(run.context.bDriveRemovedAfterScanning);
  EXPECT_EQ(run.previewPath(), "");
  EXPECT_FALSE(run.list.nextButtonEnabled());

  run.addUsbReader("sdd", "8:48");  // plugged back, named anew
  run.list.refreshDriveList();
  EXPECT_FALSE(run.context.bDriveRemovedAfterScanning);
  EXPECT_EQ(run.previewPath(), "/dev/sdd");
}

TEST(DriveList, ImageFilesAreDrivesThatOutliveRebuilds) {
  DriveListRun run;
  run.list.initialDriveList();
  const std::string image = test::TestImage(run.dir.file("card.img"), 3 << 20).path();
  std::string error;
  ASSERT_TRUE(run.list.addImageFile(image, &error)) << error;
  ASSERT_TRUE(run.list.addImageFile(run.dir.path().string() + "/./card.img", &error)) << error;  // the same file
  run.list.refreshDriveList();
  ASSERT_EQ(run.list.numberOfRowsInTableView(), 6u);
  EXPECT_EQ(run.list.driveDictArray().back(),
            expected({{k::kPreferredBlockSize, uint64_t{512}}, {k::kDeviceModel, std::string("card.img")},
                      {k::kDeviceSerial, std::string("-")}, {k::kDeviceRevision, std::string("image")},
                      {k::kDeviceSize, uint64_t{3 << 20}}, {k::kDevicePath, image}}));
  run.list.tableViewSelectionDidChange(5);
  EXPECT_EQ(run.context.selectedDriveMountPoint, image);
  EXPECT_EQ(run.context.u64DriveSectorNumber, (3u << 20) / 512);

  // An opened scan information file finds its image again: of two alike in name and size, the one with its first
  // sectors, not the first listed.
  fs::create_directory(run.dir.file("copy"));
  const std::string copy = test::TestImage(run.dir.file("copy/card.img"), 3 << 20).path();
  ASSERT_TRUE(run.list.addImageFile(copy, &error)) << error;
  run.firstSectors[image] = Bytes(2560, 1);
  run.firstSectors[copy] = Bytes(2560, 2);
  run.context.first5SectorInOpen = Bytes(2560, 2);
  run.list.setShownPage(ShownPage::RecoveredFiles);
  run.list.refreshDriveList();
  EXPECT_TRUE(run.context.bOpenInfoDriveConnected);
  EXPECT_EQ(run.previewPath(), copy);
}

TEST(DriveList, RefusesWhatIsNoImageFile) {
  DriveListRun run;
  run.list.initialDriveList();
  const std::string fifo = run.dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::vector<std::pair<std::string, std::string>> cases = {
      {run.dir.file("missing.img"), "does not exist"},
      {run.dir.path().string(), "is neither a disk image file nor a block device"},
      {fifo, "is neither a disk image file nor a block device"}};  // and is not opened: that would wait for a writer
  if (geteuid() != 0) {  // root reads any file
    const std::string locked = test::TestImage(run.dir.file("locked.img"), 512).path();
    fs::permissions(locked, fs::perms::none);
    cases.emplace_back(locked, "cannot be opened for reading");
  }
  for (const auto& [path, reason] : cases) {
    std::string error;
    EXPECT_FALSE(run.list.addImageFile(path, &error)) << path;
    EXPECT_EQ(error.substr(0, path.size() + 1 + reason.size()), path + " " + reason);
  }
  EXPECT_EQ(run.list.numberOfRowsInTableView(), 5u);
}

TEST(DriveIdentity, FirstFiveSectorsOfAnImage) {
  // A drive that cannot be read has none; past the end of a short one they read as zeros.
  test::TempDir dir;
  const auto content = test::randomBytes(3000, 5);
  test::TestImage(dir.file("card.img"), content.size()).put(0, content);
  EXPECT_EQ(readFirstFiveSectors(dir.file("card.img"), 512), Bytes(content.begin(), content.begin() + 2560));
  EXPECT_TRUE(readFirstFiveSectors(dir.file("missing.img"), 512).empty());
  Bytes padded = content;
  padded.resize(20480);
  EXPECT_EQ(readFirstFiveSectors(dir.file("card.img"), 4096), padded);
}

// Events from a list, and a clock that only notes how long it was asked to wait.
struct Script : DriveEventSource, WatcherClock {
  DriveEvent next() override {
    std::lock_guard lock(mutex);
    if (events.empty()) return DriveEvent::Closed;
    const DriveEvent event = events.front();
    events.pop_front();
    return event;
  }
  void close() override {
    std::lock_guard lock(mutex);
    events.clear();
  }
  bool waitFor(std::chrono::milliseconds delay) override {
    log.push_back("wait " + std::to_string(delay.count()));
    return !cancelled;
  }
  void cancel() override { cancelled = true; }
  std::mutex mutex;
  std::deque<DriveEvent> events;
  bool cancelled = false;
  std::vector<std::string> log;
};

TEST(DriveWatcher, OneRebuildPerEventArrivalsAfterTwoSeconds) {
  using enum DriveEvent;
  for (const bool stopped : {false, true}) {  // stopping during the arrival delay rebuilds nothing
    Script script;
    script.events = stopped ? std::deque{Arrival, Removal} : std::deque{Arrival, Removal, Ignored, Removal, Arrival};
    script.cancelled = stopped;
    DriveWatcher(script, script, [&] { script.log.push_back("refresh"); }).run();
    const std::vector<std::string> expected{"wait 2000", "refresh", "refresh", "refresh", "wait 2000", "refresh"};
    EXPECT_EQ(script.log, stopped ? std::vector<std::string>{"wait 2000"} : expected);
  }
}

TEST(DriveWatcher, ThreadRebuildsOnItsOwnAndStopsDuringADelay) {
  Script source;
  source.events = {DriveEvent::Removal, DriveEvent::Arrival};
  SteadyWatcherClock clock;
  std::atomic<int> rebuilds{0};
  DriveWatcher watcher(source, clock, [&] { ++rebuilds; });
  const auto start = std::chrono::steady_clock::now();
  watcher.launchThread();
  for (int i = 0; i < 5000 && rebuilds == 0; ++i) std::this_thread::sleep_for(1ms);
  watcher.stop();  // cuts the 2-second wait short; joins the thread
  EXPECT_EQ(rebuilds.load(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);  // without the cut it waits 2 s at least
}

TEST(UdevEventSource, ActionsOfTheMonitor) {
  using enum DriveEvent;
  for (const auto& [action, subsystem, event] : {std::tuple{"add", "block", Arrival}, {"add", "usb", Arrival},
                                                 {"remove", "block", Removal}, {"remove", "usb", Removal},
                                                 {"change", "block", Arrival}, {"change", "usb", Ignored},
                                                 {"bind", "usb", Ignored}, {"", "", Ignored}})
    EXPECT_EQ(driveEventForAction(action, subsystem), event) << action << " " << subsystem;
}

TEST(UdevEventSource, CloseWakesAWaitingWatcher) {
  UdevEventSource source;
  if (!source.valid()) GTEST_SKIP() << "no udev monitor can be opened here";
  SteadyWatcherClock clock;
  DriveWatcher watcher(source, clock, [] {});
  watcher.launchThread();
  watcher.stop();  // must return although no device event comes
}

}  // namespace
}  // namespace salvonix
