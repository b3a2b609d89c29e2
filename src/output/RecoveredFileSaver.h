#pragma once
// Copies the marked files of a recovered-file tree from the device into a
// folder tree below a destination: DEST/ROOT/JPG Files/file1.jpg. Files are
// created 0644 (less the umask); a file cut short is renamed NAME.partial, and
// the failures of a run are told in one alert at its end.

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

inline constexpr const char* kPartialSuffix = ".partial";
inline constexpr const char* kNotSavedAlertTitle = "Some files were not saved";

struct SaveFailure {
  std::string path;    // the file or folder concerned
  std::string reason;
  std::string keptAs;  // the part written, renamed; empty when nothing was kept
};

// A file saved with zeros where its sectors could not be read.
struct IncompleteFile {
  std::string path;
  uint64_t unreadableSectors = 0;
};

struct SaveOutcome {
  int32_t filesSaved = 0;     // complete files (an empty one needs no file and counts)
  int32_t filesNotSaved = 0;  // marked files that are not complete at the destination
  uint64_t bytesRead = 0;     // bytes read from the device
  bool stopped = false;       // the user stopped the run
  std::vector<SaveFailure> failures;
  std::vector<IncompleteFile> incomplete;
  bool succeeded() const { return !stopped && failures.empty(); }
};

struct MarkedFiles {
  int32_t count = 0;
  uint64_t bytes = 0;
};
// The marked files a saving run of root would write.
MarkedFiles markedFiles(const HDIR& root);

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
  // Creates, copies and closes one file; false when the walk of its folder must end.
  bool saveFile(const HDIR& file, const std::string& path);
  bool stopCheck();
  // written: bytes written to fd; unreadableSectors: sectors of the file read as zeros.
  Copy copyFile(const HDIR& file, int fd, uint64_t& written, uint64_t& unreadableSectors);
  // A file cut short is kept as NAME.partial when it holds something; gives that name.
  std::string setAsidePartial(const std::string& path, uint64_t written);
  void reportFailures(int32_t markedCount);
  bool writeAll(int fd, const uint8_t* data, uint64_t length, uint64_t& written);
  void reportProgress();
  bool makeDirectory(const std::string& path);
  void fail(const std::string& path, const std::string& reason, const std::string& keptAs = {});

  ScanContext& context_;
  SaveObserver& observer_;
  std::chrono::milliseconds progressInterval_;
  std::shared_ptr<Device> device_;
  std::optional<RecoveredFileReader> reader_;
  std::vector<uint8_t> buffer_;
  std::atomic<bool> abortSaving_{false};
  bool bSavingStopMessageDisplayed_ = false;
  bool halted_ = false;  // a stop or a write failure ends the whole walk
  uint64_t savedData_ = 0;
  std::string writeError_;
  std::chrono::steady_clock::time_point lastReport_{};
  bool firstReport_ = true;
  SaveOutcome outcome_;
};

}  // namespace salvonix
