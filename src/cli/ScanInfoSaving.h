#pragma once
// salvonix scan --save-info: what the scan keeps for the scan information
// file, and the file written when the scan ends.

#include <string>

#include "scan/HDIR.h"
#include "scan/ScanContext.h"

namespace salvonix {

// Before the scan: the first five sectors of the source and, when the source
// is one of the listed drives, its identity strings and name.
void prepareScanInfo(ScanContext& context);

// After the scan: writes the file for chosenPath (".qsn" appended; in a
// folder, under the default name). Returns a problem, or "" when written.
std::string saveScanInfoAfterScan(const std::string& chosenPath, const ScanContext& context, const HDIR& root);

}  // namespace salvonix
