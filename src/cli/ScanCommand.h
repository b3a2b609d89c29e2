#pragma once
// salvonix scan SOURCE: scans a device or disk image, lists what it found,
// and optionally saves the files and writes the result as JSON.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/SizeFilter.h"

namespace salvonix {

struct ScanOptions {
  std::string source;
  std::optional<std::string> types;  // given, even empty, it is used instead of the group
  std::string group;
  uint32_t sectorSize = 0;  // 0: the device's logical block size
  std::optional<uint64_t> firstSector;
  std::optional<uint64_t> lastSector;
  SizeRange sizes;
  std::string outDirectory;
  bool force = false;  // save into a folder that holds a recovery already
  std::string jsonFile;  // "-": standard output
  std::string saveInfo;  // scan information file to write at the end
  bool quiet = false;    // no progress, no warnings
  bool verbose = false;  // also the last sector examined
  std::string dfxmlFile;
  std::vector<std::string> commandLine;  // as typed, for the DFXML report
  std::string badSectorsFile;  // ddrescue mapfile of the unreadable sectors
};

// Returns the process exit code (ExitCodes.h).
int runScan(const ScanOptions& options);

}  // namespace salvonix
