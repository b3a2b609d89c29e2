#include "drives/DriveFinder.h"

#include <filesystem>
#include <set>

#include "drives/MountTable.h"
#include "drives/SysfsBlockDeviceTree.h"
#include "drives/SysfsFacts.h"
#include "drives/UdevBlockDeviceTree.h"

namespace salvonix {

namespace {

namespace k = drivekey;

// udev's *_ENC properties write unsafe characters as \xNN.
std::string decodeUdevEncoding(const std::string& text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 && hex(text[i + 3]) >= 0) {
      out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The first of the named udev properties that has a value.
std::string property(const BlockDeviceEntry& entry, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const auto found = entry.properties.find(name);
    if (found == entry.properties.end()) continue;
    std::string value = trimmed(std::string_view(name).ends_with("_ENC") ? decodeUdevEncoding(found->second)
                                                                         : found->second);
    if (!value.empty()) return value;
  }
  return {};
}

void addText(DriveRecord& record, std::string_view key, const std::string& first, const std::string& second = {}) {
  if (!first.empty()) record.add(key, first);
  else if (!second.empty()) record.add(key, second);
}

DriveBus busOf(const BlockDeviceEntry& entry, DriveBus fromSysfs) {
  const std::string bus = property(entry, {"ID_BUS"});
  if (bus == "usb") return DriveBus::Usb;
  if (bus == "ata") return DriveBus::Sata;
  if (bus == "ieee1394" || bus == "firewire") return DriveBus::FireWire;
  return fromSysfs;
}

}  // namespace

DriveFinder::DriveFinder(BlockDeviceTree& tree, FilesystemProbe& probe, std::string mountInfoPath, std::string sysRoot)
    : tree_(tree), probe_(probe), mountInfoPath_(std::move(mountInfoPath)), sysRoot_(std::move(sysRoot)) {}

std::string DriveFinder::volumePath(unsigned major, unsigned minor, const std::string& source) const {
  if (major != 0) {
    const std::string device = sysRoot_ + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    auto uevent = readUevent(device + "/uevent");
    if (!uevent["DEVNAME"].empty()) return "/dev/" + uevent["DEVNAME"];
  }
  // File systems such as btrfs report an anonymous device number but name their source.
  return source.starts_with("/dev/") ? source : std::string();
}

std::vector<DriveRecord> DriveFinder::volumeList() const {
  std::vector<DriveRecord> volumes;
  for (const MountEntry& mount : readMountTable(mountInfoPath_)) {
    const std::string device = volumePath(mount.major, mount.minor, mount.source);
    if (device.empty()) continue;
    DriveRecord volume;
    volume.add(k::kMountedPath, mount.mountPoint);
    const std::string name = mount.mountPoint.substr(mount.mountPoint.rfind('/') + 1);
    volume.add(k::kVolumeName, name.empty() ? mount.mountPoint : name);
    volume.add(k::kVolumePath, device);
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

DriveRecord DriveFinder::describeMedium(const BlockDeviceEntry& entry, bool mounted) const {
  DriveRecord record;
  const SysfsFacts facts = readSysfsFacts(entry.sysPath);
  // A partition's identity and interconnect are those of its disk.
  const SysfsFacts disk =
      entry.partition ? readSysfsFacts(std::filesystem::path(entry.sysPath).parent_path().string()) : facts;

  if (entry.partition && mounted) {
    std::string type = property(entry, {"ID_FS_TYPE"});
    std::string label = property(entry, {"ID_FS_LABEL_ENC", "ID_FS_LABEL"});
    if (type.empty() || label.empty()) {
      if (auto filesystem = probe_.probe(entry.devNode)) {
        if (type.empty()) type = filesystem->type;
        if (label.empty()) label = filesystem->label;
      }
    }
    addText(record, k::kContent, type);
    record.add(k::kWhetherVolume, uint64_t{1});
    addText(record, k::kVolumeLabel, label);
  }
  if (!entry.partition && facts.logicalBlockSize) record.add(k::kPreferredBlockSize, uint64_t{*facts.logicalBlockSize});

  const DriveBus bus = busOf(entry, disk.bus);
  if (bus == DriveBus::Sata) record.add(k::kWhetherSATA, uint64_t{1});
  if (bus == DriveBus::Usb || bus == DriveBus::FireWire) {
    record.add(k::kWhetherUSB, uint64_t{1});
    addText(record, k::kVendorIdentification, property(entry, {"ID_VENDOR_ENC", "ID_VENDOR"}), disk.vendor);
    addText(record, k::kProductIdentification, property(entry, {"ID_MODEL_ENC", "ID_MODEL"}), disk.model);
    addText(record, k::kProductRevisionLevel, property(entry, {"ID_REVISION"}), disk.revision);
  } else {
    addText(record, k::kDeviceModel, property(entry, {"ID_MODEL_ENC", "ID_MODEL"}), disk.model);
    addText(record, k::kDeviceRevision, property(entry, {"ID_REVISION"}), disk.revision);
  }
  addText(record, k::kDeviceSerial, property(entry, {"ID_SERIAL_SHORT"}), disk.serial);
  if (disk.removable) record.add(k::kRemovable, uint64_t{*disk.removable ? 1u : 0u});
  record.add(k::kDeviceSize, facts.sizeBytes);
  addText(record, k::kDevicePath, entry.devNode);
  return record;
}

int DriveFinder::findMediaMain(std::vector<DriveRecord>& records, const std::vector<DriveRecord>& volumes) const {
  std::set<std::string> mounted;
  for (const DriveRecord& volume : volumes) mounted.insert(volume.text(k::kVolumePath));
  bool anyPath = false;
  for (const BlockDeviceEntry& entry : tree_.blockDevices()) {
    const bool isMounted = mounted.count(entry.devNode) != 0;
    if (entry.partition && !isMounted) continue;
    DriveRecord record = describeMedium(entry, isMounted);
    // Empty loop devices and readers without a card have nothing to scan.
    if (!entry.partition && record.number(k::kDeviceSize).value_or(0) == 0) continue;
    anyPath |= record.has(k::kDevicePath);
    records.push_back(std::move(record));
  }
  return anyPath ? kMediaFound : kNoMediaFound;
}

SystemDriveFinder::SystemDriveFinder()
    : tree_(std::make_unique<UdevBlockDeviceTree>()),
      probe_(std::make_unique<BlkidProbe>()),
      finder_(std::make_unique<DriveFinder>(*tree_, *probe_)) {}

SystemDriveFinder::~SystemDriveFinder() = default;

}  // namespace salvonix
