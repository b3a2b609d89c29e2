#pragma once
// Runs a program as a child process for tests that drive real executables
// (the salvonix binary, a private D-Bus daemon): output to files, signals,
// bounded waits, and no child left behind when the test ends.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace salvonix::test {

struct ExitStatus {
  bool signalled = false;  // killed by a signal rather than exiting
  int code = 0;            // the exit code, or the signal number
};

class ChildProcess {
 public:
  // Starts argv[0] (a path) with standard input from /dev/null and standard
  // output and error written to the given files. `environment` entries
  // ("NAME=value") are added to, or replace, the test's own environment.
  ChildProcess(const std::vector<std::string>& argv, const std::string& stdoutPath, const std::string& stderrPath,
               const std::vector<std::string>& environment = {});
  // Kills the child if it still runs (SIGTERM, then SIGKILL) and reaps it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  void signal(int number) const;
  // The exit status, or nothing if the child is still running after `timeout`.
  std::optional<ExitStatus> wait(std::chrono::milliseconds timeout);
  void stop();

 private:
  pid_t pid_ = -1;
  std::optional<ExitStatus> status_;
};

std::string readText(const std::string& path);

// Polls `path` until its text contains `needle`; false after `timeout`.
bool waitForText(const std::string& path, const std::string& needle, std::chrono::milliseconds timeout);

// Runs a program to its end (at most `timeout`, then it is killed) and returns
// its exit status with its standard output and error.
struct RunResult {
  ExitStatus status;
  bool timedOut = false;
  std::string out;
  std::string err;
};
RunResult runProgram(const std::vector<std::string>& argv, const std::string& workDirectory,
                     std::chrono::milliseconds timeout = std::chrono::seconds(120));

// True if `command` (a shell command line) runs and exits 0; used to skip
// tests whose external tool is missing.
bool commandSucceeds(const std::string& command);

}  // namespace salvonix::test
