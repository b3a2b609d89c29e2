#pragma once
// Finds the media that can be scanned and describes each in a drive record:
// whole disks with their size, sector size, interconnect and identity
// strings, and mounted partitions as volumes with their file system.

#include <memory>
#include <string>
#include <vector>

#include "drives/BlockDeviceTree.h"
#include "drives/DriveRecord.h"
#include "drives/FilesystemProbe.h"

namespace salvonix {

inline constexpr int kMediaFound = 0;
inline constexpr int kNoMediaFound = 5;

class DriveFinder {
 public:
  DriveFinder(BlockDeviceTree& tree, FilesystemProbe& probe, std::string mountInfoPath = "/proc/self/mountinfo",
              std::string sysRoot = "/sys");

  // One volume record per mounted block device, with "Mounted Path",
  // "Volume Name" (the mount point's last component) and "Volume Path" (the
  // device it is mounted from).
  std::vector<DriveRecord> volumeList() const;

  // Appends a record per whole disk and per mounted partition (the latter
  // with "WhetherVolume"); other partitions are left out. kMediaFound when
  // any record got a device path, kNoMediaFound otherwise.
  int findMediaMain(std::vector<DriveRecord>& records, const std::vector<DriveRecord>& volumes) const;

 private:
  DriveRecord describeMedium(const BlockDeviceEntry& entry, bool mounted) const;
  std::string volumePath(unsigned major, unsigned minor, const std::string& source) const;

  BlockDeviceTree& tree_;
  FilesystemProbe& probe_;
  std::string mountInfoPath_;
  std::string sysRoot_;
};

// The finder over this machine's devices: libudev, libblkid, the mount table.
class SystemDriveFinder {
 public:
  SystemDriveFinder();
  ~SystemDriveFinder();
  DriveFinder& finder() { return *finder_; }

 private:
  std::unique_ptr<BlockDeviceTree> tree_;
  std::unique_ptr<FilesystemProbe> probe_;
  std::unique_ptr<DriveFinder> finder_;
};

}  // namespace salvonix
