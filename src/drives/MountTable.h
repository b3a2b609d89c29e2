#pragma once
// The mounted file systems, from a mountinfo file (/proc/self/mountinfo).

#include <string>
#include <vector>

namespace salvonix {

struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string mountPoint;
  std::string fsType;
  std::string source;  // "/dev/sdb1", or what the file system calls its source
};

std::vector<MountEntry> readMountTable(const std::string& mountInfoPath = "/proc/self/mountinfo");

}  // namespace salvonix
