#pragma once
// salvonix scan --save-info: what the scan keeps for the scan information
// file, and the file written when the scan ends.

#include <string>
#include <vector>

#include "cli/OutputFiles.h"
#include "scan/HDIR.h"
#include "scan/ScanContext.h"

namespace salvonix {

// Before the scan: the first five sectors of the source and its identity:
// for a listed drive its identity strings and name, for an image file its
// absolute path as the name, by which the file is found again.
void prepareScanInfo(ScanContext& context);

// Why the file for chosenPath could not be written ("" when it could).
std::string scanInfoPathProblem(const std::string& chosenPath);

// After the scan: writes the file for chosenPath (".qsn" appended; in a
// folder, under a default name not yet taken), or else in a fallback folder.
WrittenFile saveScanInfoAfterScan(const std::string& chosenPath, const ScanContext& context, const HDIR& root,
                                  const std::vector<std::string>& fallbackFolders);

}  // namespace salvonix
