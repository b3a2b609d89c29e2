#pragma once
// Writes the scan information file in one pass. The marker says "UnComple"
// until everything else is on disk, so an interrupted write is never taken
// for a finished file; the file is written beside its target and renamed
// over it, so a failed save leaves the previous file as it was.

#include <optional>
#include <string>

#include "output/ScanInfoFile.h"
#include "scan/HDIR.h"
#include "scan/ScanObserver.h"

namespace salvonix {

// The file written for a chosen path: ".qsn" appended unless the path
// already ends with it.
std::string scanInfoPath(const std::string& chosenPath);

struct ScanInfoWriteResult {
  std::string path;            // the file written
  uint32_t scanInfoEntryCount = 0;  // node entries written
  std::optional<Alert> error;  // set when the file could not be written
};

// saveScanInfo: the drive record, first sectors, identity strings and the
// tree below root (writeDir) to scanInfoPath(chosenPath).
ScanInfoWriteResult saveScanInfo(const std::string& chosenPath, const ScanInfoDrive& drive, const HDIR& root);

}  // namespace salvonix
