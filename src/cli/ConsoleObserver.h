#pragma once
// The command line's front end: prints alerts and progress on standard error;
// quiet, only the alerts.

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "output/RecoveredFileSaver.h"
#include "scan/ScanContext.h"
#include "scan/ScanObserver.h"

namespace salvonix {

class ConsoleObserver : public ScanObserver, public SaveObserver {
 public:
  explicit ConsoleObserver(ScanContext& context, bool quiet = false, std::FILE* out = stderr);

  void setProgressBarValue(float percent) override { progressBarValue_ = percent; }
  void updateProgressBar() override;
  void scanningCompleted() override;
  int showAlert(const Alert& alert) override;

  // Saving: the files to save, for the percentage and the final count.
  void startSaving(const MarkedFiles& marked);
  void updateTreeProgress(uint64_t savedData, uint64_t barDoubleValue) override;
  void finishSaving();

  double elapsedSeconds() const;
  bool quiet() const { return quiet_; }

 private:
  void printLine(const std::string& line, bool final);

  ScanContext& context_;
  std::FILE* out_;
  bool quiet_;
  bool terminal_;
  double progressBarValue_ = 0;
  MarkedFiles saveTotal_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastLine_{};
  bool lineOpen_ = false;
};

}  // namespace salvonix
