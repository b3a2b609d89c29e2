#pragma once
// Opens a scan information file: validates it and rebuilds its tree. The file
// comes from outside, so every length and count is checked against what the
// file holds before anything is read or allocated, and names that could lead
// saving outside its destination are refused.

#include <memory>
#include <optional>
#include <string>

#include "output/ScanInfoFile.h"
#include "scan/HDIR.h"
#include "scan/ScanObserver.h"

namespace salvonix {

inline constexpr const char* kWrongScanInfoFile =
    "Wrong file selected. Please select an appropriate scan info file and continue.";
inline constexpr const char* kIncompleteScanInfoFile = "This scan info file is incomplete.";

struct ScanInfoOpenResult {
  std::optional<Alert> error;  // set when the file is refused; nothing else is then valid
  ScanInfoDrive drive;
  std::shared_ptr<HDIR> root;
  uint32_t scanInfoEntryCount = 0;  // node entries read
};

ScanInfoOpenResult openScanInfo(const std::string& path);

}  // namespace salvonix
