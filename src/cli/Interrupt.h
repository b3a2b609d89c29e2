#pragma once
// Ctrl-C: the first one raises the current stop flag, the second exits at once.

#include <atomic>

namespace salvonix {

void installInterruptHandler();
// The flag the next Ctrl-C raises (null: none).
void setInterruptTarget(std::atomic<bool>* flag);
bool interrupted();

}  // namespace salvonix
