#pragma once
// Block devices listed straight from a sysfs tree (class/block): the
// registry when libudev is not available, and fake trees in tests.

#include "drives/BlockDeviceTree.h"

namespace salvonix {

class SysfsBlockDeviceTree : public BlockDeviceTree {
 public:
  explicit SysfsBlockDeviceTree(std::string sysRoot = "/sys") : sysRoot_(std::move(sysRoot)) {}
  std::vector<BlockDeviceEntry> blockDevices() override;

 private:
  std::string sysRoot_;
};

// The name=value lines of a sysfs uevent file.
std::map<std::string, std::string> readUevent(const std::string& path);

}  // namespace salvonix
