#pragma once
// The result of a scan as a DFXML report, the carving report forensic tools
// read (as PhotoRec and bulk_extractor write it): the source, the program,
// its command line and times, and one fileobject per found file with the
// byte runs where its bytes lie on the source.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "scan/HDIR.h"

namespace salvonix {

struct DfxmlReport {
  std::string source;     // as the user named it
  std::string imageKind;  // deviceKindName()
  uint64_t sourceSize = 0;
  uint32_t sectorSize = 512;  // the scan's, which the found files' sector numbers count in
  std::vector<std::string> commandLine;
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
};

// Writes the report of the files below root to path; empty on success, otherwise what failed.
std::string writeDfxml(const std::string& path, const HDIR& root, const DfxmlReport& report);

}  // namespace salvonix
