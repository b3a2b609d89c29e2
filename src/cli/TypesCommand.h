#pragma once
// salvonix types: every type a scan can look for, with its folder, extension
// and group.

namespace salvonix {

// Returns the process exit code.
int runTypes();

}  // namespace salvonix
