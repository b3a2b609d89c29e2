#pragma once
// salvonix drives: the drives that can be scanned, as a table or as JSON;
// with --watch the table again after every device change.

namespace salvonix {

struct DrivesOptions {
  bool json = false;
  bool watch = false;
};

// Returns the process exit code.
int runDrives(const DrivesOptions& options);

}  // namespace salvonix
