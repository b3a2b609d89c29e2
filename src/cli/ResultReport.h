#pragma once
// The result of a scan as text (the results tree), as JSON, and as the
// report.txt saved beside the recovered files.

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "scan/HDIR.h"

namespace salvonix {

struct ScanSummary {
  std::string source;
  uint64_t sourceSize = 0;
  uint32_t sectorSize = 512;
  uint64_t sectorCount = 0;
  double elapsedSeconds = 0;
  bool stopped = false;
};

// Type folders with their file counts and sizes, each folder's files, the total.
void printResultTree(std::ostream& out, const HDIR& root);
nlohmann::json resultJson(const HDIR& root, const ScanSummary& summary);
// One line per marked file: type, start sector, byte offset, size, whether it
// is saved below destination, and its path there.
void printRecoveryReport(std::ostream& out, const HDIR& root, const ScanSummary& summary,
                         const std::filesystem::path& destination);

}  // namespace salvonix
