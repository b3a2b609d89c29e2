#pragma once
// A machine's devices as a fake sysfs tree: a SATA disk without a serial, a
// USB card reader with a mounted FAT partition, a FireWire disk, a virtio
// disk mounted whole, an empty loop device and a loop device with 4,096-byte
// sectors. The file system probe knows the card's label.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "drives/DriveFinder.h"
#include "drives/FilesystemProbe.h"
#include "drives/SysfsBlockDeviceTree.h"
#include "drives/FakeSysfs.h"

namespace salvonix::test {

class FakeProbe : public FilesystemProbe {
 public:
  std::optional<FilesystemInfo> probe(const std::string& devicePath) override {
    ++calls;
    const auto found = filesystems.find(devicePath);
    if (found == filesystems.end()) return std::nullopt;
    return found->second;
  }
  std::map<std::string, FilesystemInfo> filesystems;
  int calls = 0;
};

// The entries of another tree with udev properties added, as when the udev daemon runs.
class PropertyTree : public BlockDeviceTree {
 public:
  explicit PropertyTree(BlockDeviceTree& base) : base_(base) {}
  std::vector<BlockDeviceEntry> blockDevices() override {
    auto entries = base_.blockDevices();
    for (auto& entry : entries)
      if (auto found = properties.find(entry.sysName); found != properties.end()) entry.properties = found->second;
    return entries;
  }
  std::map<std::string, std::map<std::string, std::string>> properties;

 private:
  BlockDeviceTree& base_;
};

inline constexpr const char* kUsbParent = "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0";
inline constexpr const char* kSataParent = "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
inline constexpr const char* kFireWireParent = "pci0000:00/0000:00:1e.0/fw0/fw0.0/host7/target7:0:0/7:0:0:0";
inline constexpr uint64_t kSataSectors = 976773168;  // 500,107,862,016 bytes

class FakeMachine {
 public:
  FakeMachine() {
    sysfs.addDevice("pci0000:00/0000:00:1f.2", "pci");
    sysfs.addDevice(kSataParent, "scsi", {{"vendor", "ATA     \n"}, {"model", "WDC WD5000AAKX-0\n"}, {"rev", "1H15\n"}});
    sysfs.addDisk(kSataParent, "sda", 8, 0, kSataSectors, 512, false);

    addUsbReader("sdb", 16);
    sysfs.addPartition(std::string(kUsbParent) + "/block/sdb", "sdb1", 8, 17, 30000);

    sysfs.addDevice("pci0000:00/0000:00:1e.0/fw0", "firewire");
    sysfs.addDevice(kFireWireParent, "scsi", {{"vendor", "LaCie\n"}, {"model", "d2 Quadra\n"}, {"rev", "0100\n"}});
    sysfs.addDisk(kFireWireParent, "sdc", 8, 32, 2000000, 512, false);

    sysfs.addDevice("pci0000:00/0000:00:02.0/virtio1", "virtio", {{"vendor", "0x1af4\n"}});
    sysfs.addDisk("pci0000:00/0000:00:02.0/virtio1", "vda", 254, 0, 1 << 20, 512, false, {{"serial", "overlayblk\n"}});

    sysfs.addDisk("", "loop0", 7, 0, 0, 512, false);
    sysfs.addDisk("", "loop1", 7, 1, 40960, 4096, false);

    sysfs.setMountInfo(
        "21 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "22 21 0:5 / /proc rw - proc proc rw\n"
        "23 21 8:17 / /media/user/CARD\\040ONE rw,nosuid shared:7 master:2 - vfat /dev/sdb1 rw,uid=1000\n");
    probe.filesystems["/dev/sdb1"] = {"vfat", "CARD ONE"};
  }

  // A USB card reader with a 16 MB card; vendor strings padded as SCSI pads them.
  void addUsbReader(const std::string& name, unsigned minor) {
    const std::string parent = std::string(kUsbParent);
    if (!std::filesystem::exists(sysfs.root() + "/devices/" + parent)) {
      sysfs.addDevice("pci0000:00/0000:00:14.0", "pci");
      sysfs.addDevice("pci0000:00/0000:00:14.0/usb1", "usb");
      sysfs.addDevice("pci0000:00/0000:00:14.0/usb1/1-1", "usb");
      sysfs.addDevice("pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0", "usb");
      sysfs.addDevice(parent, "scsi",
                      {{"vendor", "Generic \n"}, {"model", "STORAGE DEVICE  \n"}, {"rev", "1404\n"},
                       {"vpd_pg80", std::string("\0\x80\0\x08  AB12CD", 12)}});
    }
    sysfs.addDisk(parent, name, 8, minor, 31250, 512, true);
  }

  DriveFinder finder() { return DriveFinder(tree, probe, sysfs.mountInfo(), sysfs.root()); }

  FakeSysfs sysfs;
  SysfsBlockDeviceTree tree{sysfs.root()};
  FakeProbe probe;
};

}  // namespace salvonix::test
