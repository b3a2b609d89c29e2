#pragma once
// salvonix scan SOURCE: scans a device or disk image, lists what it found,
// and optionally saves the files and writes the result as JSON.

#include <cstdint>
#include <string>

namespace salvonix {

struct ScanOptions {
  std::string source;
  std::string types;
  std::string group;
  uint32_t sectorSize = 0;  // 0: the device's logical block size
  std::string outDirectory;
  std::string jsonFile;
  std::string saveInfo;  // scan information file to write at the end
  std::string badSectorsFile;  // ddrescue mapfile of the unreadable sectors
};

// Returns the process exit code: 0 done, 1 failure, 2 bad input, 4 completed but some sectors could
// not be read, 130 stopped by the user.
int runScan(const ScanOptions& options);

}  // namespace salvonix
