#pragma once
// salvonix open FILE.qsn: opens a scan information file, shows its tree and
// the drive it belongs to, and saves its files from that drive or from a
// device or image named by the user.

#include <string>

#include "cli/SizeFilter.h"

namespace salvonix {

struct OpenOptions {
  std::string scanInfoFile;
  std::string outDirectory;
  bool all = false;     // save every file, not only the marked ones
  std::string source;   // device or image to read instead of the drive found by identity
  bool force = false;   // save from a source whose first sectors differ, or into a folder holding a recovery
  SizeRange sizes;
  std::string jsonFile;  // "-": standard output
  bool quiet = false;    // no progress
};

// Returns the process exit code (ExitCodes.h).
int runOpen(const OpenOptions& options);

}  // namespace salvonix
