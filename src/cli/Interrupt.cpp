#include "cli/Interrupt.h"

#include <csignal>
#include <unistd.h>

namespace salvonix {

namespace {
std::atomic<std::atomic<bool>*> target{nullptr};
std::atomic<int> count{0};

void onInterrupt(int) {
  if (count.fetch_add(1) >= 1) _exit(130);
  if (auto* flag = target.load()) flag->store(true);
  static const char message[] = "\nStopping; press Ctrl-C again to quit at once.\n";
  [[maybe_unused]] auto written = write(STDERR_FILENO, message, sizeof message - 1);
}
}  // namespace

void installInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void setInterruptTarget(std::atomic<bool>* flag) { target.store(flag); }

bool interrupted() { return count.load() > 0; }

}  // namespace salvonix
