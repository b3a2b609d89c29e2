#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace salvonix::test {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> merged(extra);
  for (char** entry = environ; *entry; ++entry) {
    const std::string variable(*entry);
    const std::string name = variable.substr(0, variable.find('=') + 1);
    bool replaced = false;
    for (const auto& added : extra) replaced = replaced || added.rfind(name, 0) == 0;
    if (!replaced) merged.push_back(variable);
  }
  return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (auto& text : strings) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& stdoutPath,
                           const std::string& stderrPath, const std::vector<std::string>& environment) {
  // Everything the child needs is prepared before fork: only async-signal-safe calls follow it.
  std::vector<std::string> arguments(argv);
  std::vector<std::string> variables = mergedEnvironment(environment);
  std::vector<char*> argumentPointers = pointers(arguments);
  std::vector<char*> variablePointers = pointers(variables);
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0 || err < 0) throw std::runtime_error("cannot open the output files of " + argv.at(0));

  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    // The test runner may block or ignore signals; the child starts with the defaults.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::execve(argumentPointers[0], argumentPointers.data(), variablePointers.data());
    _exit(127);
  }
  ::close(in);
  ::close(out);
  ::close(err);
  if (pid_ < 0) throw std::runtime_error("cannot start " + argv.at(0));
}

ChildProcess::~ChildProcess() { stop(); }

void ChildProcess::signal(int number) const {
  if (!status_) ::kill(pid_, number);
}

std::optional<ExitStatus> ChildProcess::wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!status_) {
    int raw = 0;
    const pid_t reaped = ::waitpid(pid_, &raw, WNOHANG);
    if (reaped == pid_) {
      status_ = WIFSIGNALED(raw) ? ExitStatus{true, WTERMSIG(raw)} : ExitStatus{false, WEXITSTATUS(raw)};
    } else if (reaped < 0 || std::chrono::steady_clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return status_;
}

void ChildProcess::stop() {
  if (status_ || pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  if (wait(std::chrono::seconds(5))) return;
  ::kill(pid_, SIGKILL);
  wait(std::chrono::seconds(5));
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool waitForText(const std::string& path, const std::string& needle, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (readText(path).find(needle) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

RunResult runProgram(const std::vector<std::string>& argv, const std::string& workDirectory,
                     std::chrono::milliseconds timeout) {
  const std::string outPath = workDirectory + "/run.out";
  const std::string errPath = workDirectory + "/run.err";
  RunResult result;
  {
    ChildProcess child(argv, outPath, errPath);
    const auto status = child.wait(timeout);
    result.timedOut = !status;
    if (status) result.status = *status;
  }
  result.out = readText(outPath);
  result.err = readText(errPath);
  return result;
}

bool commandSucceeds(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace salvonix::test
