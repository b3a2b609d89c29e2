#pragma once
// The scanning engine: walks the device sector by sector, offers every sector
// to the checkers of the selected types and records what they find in the
// recovered-file tree.

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "scan/FileTypes.h"
#include "scan/HDIR.h"
#include "scan/ReadDisk.h"
#include "scan/ScanContext.h"
#include "scan/ScanObserver.h"

namespace salvonix {

class Sleep;

class Scanning {
 public:
  Scanning(ScanContext& context, ScanObserver& observer, Sleep* sleep = nullptr);

  // Minimum time between two progress reports to the front end; zero reports
  // at every sector the cadence allows.
  void setProgressInterval(std::chrono::milliseconds interval) { progressInterval_ = interval; }
  // Makes the checkers instead of the type table's factories (tests use spies).
  using CheckerMaker = std::function<std::unique_ptr<FileCheck>(const FileTypeRow&, ScanContext&)>;
  void setCheckerMaker(CheckerMaker maker) {
    checkerMaker_ = std::move(maker);
    dispatchSelection_.reset();
  }

  // Runs one whole scan on the calling thread, from the scan parameters of
  // the context to scanningCompleted, looking for the types flagged. The flags
  // are taken by value so the front end is never asked from this thread.
  void scanningThread(const TypeSet& fileSelectionFlags);

  // The tree of the last scan (lock the context's treeMutex while reading it during a scan).
  std::shared_ptr<HDIR> dirRoot() const { return dirRoot_; }
  // The folder of a type; null when the type was not selected.
  std::shared_ptr<HDIR> typeFolder(FileType type) const { return typeFolders_[rowIndex(type)]; }
  std::shared_ptr<HDIR> dirRawJpg() const { return dirRawJpg_; }
  // The sector number printed at the end of a scan: one less than where the loop stopped.
  int64_t lastSectorNumber() const { return lastSectorNumber_; }

  // Both append to the tree: call them with the context's treeMutex held.
  void addDetailsToHdir(HDIR& folder, uint64_t fileSize, uint64_t sectorNumber);
  void addDetailsOfRawJpgFile(HDIR& folder, uint64_t sectorNumber, uint64_t fileSize, int32_t extraBytesToMove);

 private:
  struct CheckerList {
    uint8_t count = 0;
    std::array<uint8_t, kFileTypeCount> index{};
  };

  void setUp(const TypeSet& fileSelectionFlags);
  void buildDispatch();
  const CheckerList& checkersFor(SectorHeader header) const;
  // One past the last sector to examine.
  void sectorLoop();
  // Records the file the checker claims; returns its size (0: nothing recorded).
  uint64_t handleHit(FileCheck& checker, SectorHeader header, uint64_t sectorNumber);
  // The size to record for a file that asked to be skipped: ends it where a
  // whole file of another type starts inside it.
  uint64_t endBeforeHiddenFile(FileType container, const FileCheck& checker, uint64_t start, uint64_t size);
  bool startsWholeFile(FileType container, SectorHeader header, uint64_t sector);
  void reportProgress(uint64_t sectorNumber);
  const uint8_t* rescueWindow(uint64_t byteOffset);
  void showReadFailure();
  void reportUnreadableSectors();
  std::shared_ptr<HDIR> makeFolder(std::string_view name, std::string_view extension);

  ScanContext& context_;
  ScanObserver& observer_;
  Sleep* sleep_;
  std::chrono::milliseconds progressInterval_{250};
  CheckerMaker checkerMaker_;

  std::shared_ptr<HDIR> dirRoot_;
  std::array<std::shared_ptr<HDIR>, kFileTypeCount> typeFolders_{};
  std::shared_ptr<HDIR> dirRawJpg_;
  uint32_t fileIDCount_ = 3;
  uint32_t u32BytesInSectorInScanner_ = 512;
  int64_t lastSectorNumber_ = -1;

  // Working state of one scan.
  TypeSet fileSelectionFlags_{};
  std::vector<std::unique_ptr<FileCheck>> checkers_;
  std::vector<FileType> checkerTypes_;  // the row each checker was made for
  std::vector<bool> folderSeen_;
  bool rawJpgSeen_ = false;
  bool noQuickTime_ = true;
  bool firstFind_ = false;
  // Checkers to ask for a sector, by its first byte; [1] when the QuickTime exception applies.
  std::array<std::array<CheckerList, 256>, 2> dispatch_{};
  // The selection dispatch_ was built for: a scan of the same types keeps it.
  std::optional<TypeSet> dispatchSelection_;
  std::chrono::steady_clock::time_point lastProgress_{};
  ReadDisk hiddenFileReader_{context_};
  std::vector<uint8_t> hiddenFileWindow_;
  std::vector<uint8_t> rescued_;  // the last window read sector by sector
  uint64_t rescuedEnd_ = 0;       // where that window ended
};

}  // namespace salvonix
