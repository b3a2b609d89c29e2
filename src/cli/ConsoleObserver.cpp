#include "cli/ConsoleObserver.h"

#include <unistd.h>

#include <algorithm>

#include <fmt/format.h>

#include "scan/CountText.h"
#include "output/SizeText.h"

namespace salvonix {

namespace {
constexpr auto kPlainLineInterval = std::chrono::seconds(5);

std::string clock(double seconds) {
  const auto total = static_cast<long long>(seconds);
  return fmt::format("{:02}:{:02}:{:02}", total / 3600, total / 60 % 60, total % 60);
}
}  // namespace

ConsoleObserver::ConsoleObserver(ScanContext& context, bool quiet, std::FILE* out)
    : context_(context), out_(out), quiet_(quiet), terminal_(isatty(fileno(out)) != 0),
      start_(std::chrono::steady_clock::now()) {}

double ConsoleObserver::elapsedSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ConsoleObserver::printLine(const std::string& line, bool final) {
  if (quiet_) return;
  const auto now = std::chrono::steady_clock::now();
  if (terminal_) {
    fmt::print(out_, "\r\033[K{}", line);
    lineOpen_ = !final;
    if (final) fmt::print(out_, "\n");
  } else if (final || now - lastLine_ >= kPlainLineInterval) {
    fmt::print(out_, "{}\n", line);
    lastLine_ = now;
  }
  std::fflush(out_);
}

void ConsoleObserver::updateProgressBar() {
  const double elapsed = elapsedSeconds();
  const double fraction = progressBarValue_ / 100.0;
  const uint64_t end = context_.scanEndSector();
  const uint64_t sectors = end > context_.u64FirstSectorToScan ? end - context_.u64FirstSectorToScan : 0;
  const double bytesDone = fraction * static_cast<double>(sectors) * context_.u32BytesInSector;
  const double rate = elapsed > 0 ? bytesDone / elapsed / 1e6 : 0;
  const std::string left = fraction > 0.001 ? clock(elapsed * (1 - fraction) / fraction) : "--:--:--";
  printLine(fmt::format("Scanning {:5.1f}%  {} found  elapsed {}  {:.0f} MB/s  left {}", progressBarValue_,
                        filesText(context_.u64TotalNumberOfFileFound.load()), clock(elapsed), rate, left),
            false);
}

void ConsoleObserver::scanningCompleted() {
  const double elapsed = elapsedSeconds();
  const bool stopped = context_.bCancelScanning.load();
  printLine(fmt::format("Scan {} after {}: {} found", stopped ? "stopped" : "finished", clock(elapsed),
                        filesText(context_.u64TotalNumberOfFileFound.load())),
            true);
}

int ConsoleObserver::showAlert(const Alert& alert) {
  if (lineOpen_) fmt::print(out_, "\n");
  lineOpen_ = false;
  if (alert.text.empty()) fmt::print(out_, "salvonix: {}\n", alert.title);
  else fmt::print(out_, "salvonix: {}: {}\n", alert.title, alert.text);
  return 0;
}

void ConsoleObserver::startSaving(const MarkedFiles& marked) {
  saveTotal_ = marked;
  start_ = std::chrono::steady_clock::now();
  lastLine_ = {};
}

void ConsoleObserver::updateTreeProgress(uint64_t savedData, uint64_t) {
  const double percent =
      saveTotal_.bytes ? 100.0 * static_cast<double>(savedData) / static_cast<double>(saveTotal_.bytes) : 100.0;
  printLine(fmt::format("Saving {:5.1f}%  {}  {}  elapsed {}", percent > 100 ? 100.0 : percent,
                        filesText(context_.iNumberOfFileSaved.load()), sizeText(savedData), clock(elapsedSeconds())),
            false);
}

void ConsoleObserver::finishSaving() {
  const int32_t saved = context_.iNumberOfFileSaved.load();
  const std::string count =
      saved == saveTotal_.count ? filesText(saved) : fmt::format("{} of {}", saved, filesText(saveTotal_.count));
  printLine(fmt::format("Saved {}, {} read from the device in {}", count,
                        sizeText(context_.u64SavedFileSize.load()), clock(elapsedSeconds())),
            true);
}

}  // namespace salvonix
