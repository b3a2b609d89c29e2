#pragma once
// salvonix open FILE.qsn: opens a scan information file, shows its tree and
// the drive it belongs to, and saves its files from that drive or from a
// device or image named by the user.

#include <string>

namespace salvonix {

struct OpenOptions {
  std::string scanInfoFile;
  std::string outDirectory;
  bool all = false;     // save every file, not only the marked ones
  std::string source;   // device or image to read instead of the drive found by identity
  std::string jsonFile;
};

// Returns the process exit code: 0 done, 1 failure, 2 refused input, 130 stopped by the user.
int runOpen(const OpenOptions& options);

}  // namespace salvonix
