#pragma once
// Copies the marked files of a recovered-file tree from the device into a
// folder tree below a destination: DEST/ROOT/JPG Files/file1.jpg.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "output/RecoveredFileReader.h"
#include "scan/HDIR.h"
#include "scan/ScanContext.h"
#include "scan/ScanObserver.h"

namespace salvonix {

class Device;

class SaveObserver {
 public:
  virtual ~SaveObserver() = default;
  // Progress, at most about once per progress interval (the first write reports at once).
  virtual void updateTreeProgress(uint64_t savedData, uint64_t barDoubleValue) {
    (void)savedData;
    (void)barDoubleValue;
  }
  // "Do you wish to stop the current saving process?"; true for "Yes".
  virtual bool confirmStopSaving() { return true; }
  virtual int showAlert(const Alert& alert) = 0;
};

struct SaveFailure {
  std::string path;    // the file or folder concerned
  std::string reason;
};

// A file saved with zeros where its sectors could not be read.
struct IncompleteFile {
  std::string path;
  uint64_t unreadableSectors = 0;
};

struct SaveOutcome {
  int32_t filesSaved = 0;       // files handled, as counted for the user
  uint64_t bytesRead = 0;       // bytes read from the device
  bool stopped = false;         // the user stopped the run
  std::vector<SaveFailure> failures;
  std::vector<IncompleteFile> incomplete;
  bool succeeded() const { return !stopped && failures.empty(); }
};

class RecoveredFileSaver {
 public:
  RecoveredFileSaver(ScanContext& context, SaveObserver& observer,
                     std::chrono::milliseconds progressInterval = std::chrono::seconds(1));

  // One saving run: walks the tree from root into destination.
  SaveOutcome save(HDIR& root, const std::string& destination);
  // The stop button; may be called from any thread.
  void stopSaving() { abortSaving_ = true; }
  // The stop button as a flag, for signal handlers.
  std::atomic<bool>& abortSavingFlag() { return abortSaving_; }

 private:
  enum class Copy { Done, Stopped, ReadFailed, WriteFailed };

  void saveDir(HDIR& folder, const std::string& destination);
  bool stopCheck();
  Copy copyFile(const HDIR& file, int fd, uint64_t& unreadableSectors);
  bool writeAll(int fd, const uint8_t* data, uint64_t length);
  void reportProgress();
  bool makeDirectory(const std::string& path);
  void fail(const std::string& path, const std::string& reason);

  ScanContext& context_;
  SaveObserver& observer_;
  std::chrono::milliseconds progressInterval_;
  std::shared_ptr<Device> device_;
  std::optional<RecoveredFileReader> reader_;
  std::vector<uint8_t> buffer_;
  std::atomic<bool> abortSaving_{false};
  bool bSavingStopMessageDisplayed_ = false;
  bool halted_ = false;  // a stop or a write failure ends the whole walk
  int32_t saveCount_ = 0;
  uint64_t savedData_ = 0;
  std::string writeError_;
  std::chrono::steady_clock::time_point lastReport_{};
  bool firstReport_ = true;
  SaveOutcome outcome_;
};

}  // namespace salvonix
