#pragma once
// Real programs run by tests: output to files, signals, bounded waits, and no
// child left behind when the test ends.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace salvonix::test {

struct ExitStatus {
  bool signalled = false;  // killed by a signal, whose number `code` then is
  int code = 0;
};

class ChildProcess {
 public:
  // Starts argv[0] (a path) with standard input from /dev/null and output and errors written to files.
  ChildProcess(std::vector<std::string> argv, const std::string& stdoutPath, const std::string& stderrPath) {
    std::vector<char*> pointers;
    for (auto& text : argv) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0 || err < 0) throw std::runtime_error("cannot open the output files of " + argv.at(0));
    pid_ = ::fork();
    if (pid_ == 0) {  // only async-signal-safe calls from here on
      ::dup2(in, STDIN_FILENO);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      // The test runner may block or ignore signals (a background job ignores SIGINT); the child gets the defaults.
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      ::signal(SIGINT, SIG_DFL);
      ::execv(pointers[0], pointers.data());
      _exit(127);
    }
    for (const int fd : {in, out, err}) ::close(fd);
    if (pid_ < 0) throw std::runtime_error("cannot start " + argv.at(0));
  }
  ~ChildProcess() {
    if (status_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void signal(int number) const {
    if (!status_) ::kill(pid_, number);
  }
  // The exit status, or nothing if the child still runs after `timeout`.
  std::optional<ExitStatus> wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int raw = 0; !status_; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
      const pid_t reaped = ::waitpid(pid_, &raw, WNOHANG);
      if (reaped == pid_)
        status_ = WIFSIGNALED(raw) ? ExitStatus{true, WTERMSIG(raw)} : ExitStatus{false, WEXITSTATUS(raw)};
      else if (reaped < 0 || std::chrono::steady_clock::now() >= deadline)
        break;
    }
    return status_;
  }

 private:
  pid_t pid_ = -1;
  std::optional<ExitStatus> status_;
};

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool waitForText(const std::string& path, const std::string& needle, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (readText(path).find(needle) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

struct RunResult {
  ExitStatus status;
  std::string out;
  std::string err;
};

// Runs a program to its end; one still running after `timeout` is killed and reported as killed by SIGKILL.
inline RunResult runProgram(const std::vector<std::string>& argv, const std::string& workDirectory,
                            std::chrono::milliseconds timeout = std::chrono::seconds(120)) {
  RunResult result{{true, SIGKILL}, {}, {}};
  {
    ChildProcess child(argv, workDirectory + "/run.out", workDirectory + "/run.err");
    if (const auto status = child.wait(timeout)) result.status = *status;
  }
  result.out = readText(workDirectory + "/run.out");
  result.err = readText(workDirectory + "/run.err");
  return result;
}

// True if the shell command line runs and exits 0 (used to skip tests whose tool is missing).
inline bool commandSucceeds(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace salvonix::test
