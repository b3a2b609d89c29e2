#pragma once
// Block devices from libudev. Without a running udev daemon libudev still
// enumerates through sysfs, but the ID_* properties are empty; the drive
// finder then reads what sysfs itself offers.

#include "drives/BlockDeviceTree.h"

namespace salvonix {

class UdevBlockDeviceTree : public BlockDeviceTree {
 public:
  std::vector<BlockDeviceEntry> blockDevices() override;
};

// Whether the udev daemon runs (its control socket exists).
bool udevIsRunning();

}  // namespace salvonix
