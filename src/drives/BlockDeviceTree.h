#pragma once
// The block devices of the system as the device registry lists them. Behind
// an interface so that tests can hand the drive finder a tree of their own.

#include <map>
#include <string>
#include <vector>

namespace salvonix {

struct BlockDeviceEntry {
  std::string sysPath;    // the device's directory in sysfs; its attributes are read from there
  std::string sysName;    // "sdb", "sdb1"
  std::string devNode;    // "/dev/sdb"
  bool partition = false;
  // udev database properties (ID_BUS, ID_MODEL, ...); empty when no udev daemon runs.
  std::map<std::string, std::string> properties;
};

class BlockDeviceTree {
 public:
  virtual ~BlockDeviceTree() = default;
  // Whole disks and partitions, in the registry's order.
  virtual std::vector<BlockDeviceEntry> blockDevices() = 0;
};

}  // namespace salvonix
