#include "scan/Scanning.h"

#include <algorithm>
#include <thread>

#include "power/Sleep.h"
#include "scan/Device.h"
#include "scan/ReadDisk.h"
#include "scan/ScanParameters.h"
#include "scan/SectorRescue.h"
#include "scan/WindowReader.h"

namespace salvonix {

namespace {
constexpr uint8_t kQuickTimeLow = 102;   // 'f'
constexpr uint8_t kQuickTimeHigh = 120;  // 'x'
constexpr uint64_t kProgressStride = 256;
constexpr uint64_t kReadAheadBytes = 1u << 20;
const std::array<uint8_t, kWindowBytes> kZeroWindow{};
}  // namespace

Scanning::Scanning(ScanContext& context, ScanObserver& observer, Sleep* sleep)
    : context_(context), observer_(observer), sleep_(sleep) {}

std::shared_ptr<HDIR> Scanning::makeFolder(std::string_view name, std::string_view extension) {
  auto folder = std::make_shared<HDIR>();
  folder->fileType = kFolderType;
  folder->fileID = fileIDCount_++;
  folder->parentID = kRootFileID;
  folder->fileName = name;
  folder->pathName = "/" + dirRoot_->fileName;
  folder->extension = extension;
  folder->parent = dirRoot_.get();
  return folder;
}

void Scanning::setUp(const TypeSet& fileSelectionFlags) {
  if (sleep_) sleep_->startPreventingSleep();
  fileSelectionFlags_ = fileSelectionFlags;
  // A scan starts with its own counts; a stop asked for before it got here still holds.
  context_.u64TotalNumberOfFileFound = 0;
  context_.bSkipFileSize = false;
  context_.clearPerSectorFlags();
  context_.u64RawJpgFileSectorNumber = 0;
  context_.uExtraBytesOfJpgFileOffset = 0;
  context_.u64RawJpgFileSize = 0;
  context_.bSonyArwA100File = false;
  context_.bSonyArwA700File = false;
  context_.rawSelection = RawFamilySelection{};
  context_.unreadableSectors.clear();
  context_.cDriveMountedPath = context_.selectedDriveMountPoint;
  {
    std::lock_guard lock(context_.previewPathMutex);
    context_.selectedDriveMountPointForPreview = context_.selectedDriveMountPoint;
  }
  u32BytesInSectorInScanner_ = context_.u32BytesInSector;
  context_.scanDevice = context_.openDevice(context_.cDriveMountedPath);

  auto root = std::make_shared<HDIR>();
  root->fileType = kFolderType;
  root->fileID = kRootFileID;
  root->parentID = 1;
  root->fileName = kRootFolderName;
  {
    std::lock_guard lock(context_.treeMutex);
    dirRoot_ = root;
    fileIDCount_ = 3;
    typeFolders_.fill(nullptr);
    dirRawJpg_ = nullptr;
    checkers_.clear();
    checkerTypes_.clear();
    bool anyRawPreview = false;
    bool anyQuickTime = false;
    for (const FileTypeRow& row : fileTypeTable()) {
      if (row.type == FileType::Mid && anyRawPreview) dirRawJpg_ = makeFolder(kRawJpgFolderName, "");
      if (!(checkerMaker_ || row.create) || !fileSelectionFlags_[rowIndex(row.type)]) continue;
      checkers_.push_back(checkerMaker_ ? checkerMaker_(row, context_) : row.create(context_));
      checkerTypes_.push_back(row.type);
      if (row.rawFamilyFlag) context_.rawSelection.*row.rawFamilyFlag = true;
      typeFolders_[rowIndex(row.type)] = makeFolder(row.folderName, row.extension);
      anyRawPreview |= row.hasRawPreview;
      anyQuickTime |= row.type >= FileType::Mov;
    }
    noQuickTime_ = !anyQuickTime;
  }
  folderSeen_.assign(kFileTypeCount, false);
  rawJpgSeen_ = false;
  firstFind_ = false;
  lastProgress_ = {};
  if (dispatchSelection_ != fileSelectionFlags_) {
    buildDispatch();
    dispatchSelection_ = fileSelectionFlags_;
  }
  observer_.reconstructAfterRescan();
}

// For a sector whose first byte is b, the engine asks the checkers in list
// order and stops after the first one whose first signature byte exceeds b,
// unless the QuickTime exception lets every checker be asked. Of those, only
// the checkers that could accept a header starting with b are kept.
void Scanning::buildDispatch() {
  for (int exception = 0; exception < 2; ++exception) {
    for (int b = 0; b < 256; ++b) {
      CheckerList& list = dispatch_[exception][b];
      list.count = 0;
      for (std::size_t i = 0; i < checkers_.size(); ++i) {
        if (checkers_[i]->mayStartWith(static_cast<uint8_t>(b))) list.index[list.count++] = static_cast<uint8_t>(i);
        if (!exception && static_cast<uint32_t>(b) < checkers_[i]->firstByteOfHeader()) break;
      }
    }
  }
}

const Scanning::CheckerList& Scanning::checkersFor(SectorHeader header) const {
  const bool quickTime = !noQuickTime_ && header[4] >= kQuickTimeLow && header[4] <= kQuickTimeHigh;
  return dispatch_[quickTime][header[0]];
}

void Scanning::scanningThread(const TypeSet& fileSelectionFlags) {
  setUp(fileSelectionFlags);
  // A larger sector would overflow every read window; front ends refuse it before they get here.
  if (auto problem = sectorSizeProblem(u32BytesInSectorInScanner_); problem.empty()) {
    sectorLoop();
    reportUnreadableSectors();
  } else {
    observer_.showAlert({"Cannot scan", problem, {"OK"}});
  }
  // A stop or pause ends with the scan it was meant for, so the next scan runs.
  context_.bCancelScanning = false;
  context_.bPauseScanning = false;
  checkers_.clear();
  context_.scanDevice.reset();
  observer_.scanningCompleted();
  if (sleep_) sleep_->stopPreventingSleep();
}

void Scanning::showReadFailure() {
  observer_.showAlert({kDriveCannotOpen, "", {"OK"}});
  observer_.showAlert({"Error!", kDriveCannotOpen, {"OK", ""}});
}

// Once, at the end: a dying card may have thousands of bad windows.
void Scanning::reportUnreadableSectors() {
  if (context_.unreadableSectors.empty()) return;
  observer_.showAlert(unreadableSectorsAlert(context_.unreadableSectors));
}

// A window the read-ahead could not read, again sector by sector. Null only
// when the drive has gone.
const uint8_t* Scanning::rescueWindow(uint64_t byteOffset) {
  UnreadableSectors& unreadable = context_.unreadableSectors;
  const Device* device = context_.scanDevice.get();
  if (!device) return nullptr;
  // Windows read whole since the last rescue break a run of failures.
  if (byteOffset != rescuedEnd_) unreadable.noteReadable();
  rescuedEnd_ = byteOffset + kWindowBytes;
  rescued_.assign(kWindowBytes, 0);
  const SectorSource source{*device, u32BytesInSectorInScanner_, unreadable};
  return readSectorBySector(source, byteOffset, rescued_.data(), kWindowBytes) < 0 ? nullptr : rescued_.data();
}

void Scanning::sectorLoop() {
  const uint32_t bytesPerSector = u32BytesInSectorInScanner_;
  const uint64_t sectorCount = context_.scanEndSector();
  const uint64_t progressStride = progressInterval_.count() == 0 ? 1 : kProgressStride;
  // Pieces larger than the device would only be filled with zeros.
  const uint64_t readAhead = std::min<uint64_t>(kReadAheadBytes, sectorCount * bytesPerSector);
  WindowReader reader(context_.scanDevice.get(), static_cast<uint32_t>(readAhead));
  rescuedEnd_ = UINT64_MAX;
  // The window from a sector on; null only when the drive has gone.
  const auto windowAt = [&](uint64_t sector) {
    const uint8_t* window = reader.window(sector * bytesPerSector);
    return window ? window : rescueWindow(sector * bytesPerSector);
  };
  const uint8_t* buffer = kZeroWindow.data();
  uint64_t offset = 0;
  uint64_t sectorNumber = context_.u64FirstSectorToScan;
  uint64_t nextProgressSector = sectorNumber;
  bool driveGone = false;

  for (;;) {
    if (cancelled(context_)) break;
    if (sectorNumber >= sectorCount) break;
    if (context_.bPauseScanning.load(std::memory_order_relaxed)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if ((offset & 0xFFFF) == 0) {
      buffer = windowAt(sectorNumber);
      if (!buffer) {
        showReadFailure();
        break;
      }
      offset = 0;
    }
    const SectorHeader header(buffer + offset, kSectorHeaderSize);
    offset += bytesPerSector;

    const CheckerList& list = checkersFor(header);
    if (list.count) {
      for (uint8_t i = 0; i < list.count; ++i) {
        FileCheck& checker = *checkers_[list.index[i]];
        if (!checker.isFile(header, sectorNumber)) continue;
        const uint64_t fileSize = handleHit(checker, header, sectorNumber);
        // The checker's walk may have found that the drive has gone.
        driveGone = context_.unreadableSectors.driveGone();
        if (context_.bSkipFileSize && !driveGone) {
          context_.bSkipFileSize = false;
          if (fileSize > bytesPerSector) {
            const uint64_t skip = fileSize / bytesPerSector - 1;
            sectorNumber += skip;
            offset += skip * bytesPerSector;
            if (offset >= kWindowBytes) {
              offset %= kWindowBytes;
              const uint64_t refillSector = sectorNumber - offset / bytesPerSector + 1;
              buffer = windowAt(refillSector);
              driveGone = !buffer;
            }
          }
        }
        break;
      }
      context_.clearPerSectorFlags();
      if (driveGone) {
        showReadFailure();
        break;
      }
    }

    if (sectorNumber >= nextProgressSector && sectorNumber % 10 != 0) {
      nextProgressSector = sectorNumber + progressStride;
      reportProgress(sectorNumber);
    }
    ++sectorNumber;
  }
  lastSectorNumber_ = static_cast<int64_t>(sectorNumber) - 1;
}

void Scanning::reportProgress(uint64_t sectorNumber) {
  const auto now = std::chrono::steady_clock::now();
  if (progressInterval_.count() != 0 && now - lastProgress_ < progressInterval_) return;
  lastProgress_ = now;
  const uint64_t first = context_.u64FirstSectorToScan;
  const uint64_t end = context_.scanEndSector();
  observer_.setProgressBarValue(static_cast<float>(static_cast<double>(sectorNumber - first) * 100.0 /
                                                   static_cast<double>(end > first ? end - first : 1)));
  observer_.updateProgressBar();
}

uint64_t Scanning::handleHit(FileCheck& checker, SectorHeader header, uint64_t sectorNumber) {
  uint64_t fileSize = checker.fileSizeCalculation(header, sectorNumber);
  if (fileSize == 0) return 0;
  const auto type = fileTypeByKey(checker.parentKey());
  if (!type || !typeFolders_[rowIndex(*type)]) {
    // Not recorded, so it must not hide what follows.
    context_.bSkipFileSize = false;
    return 0;
  }
  if (context_.bSkipFileSize) fileSize = endBeforeHiddenFile(*type, checker, sectorNumber, fileSize);
  HDIR& folder = *typeFolders_[rowIndex(*type)];
  {
    std::lock_guard lock(context_.treeMutex);
    if (auto extension = checker.extensionOfFile(); !extension.empty()) folder.extension = extension;
    addDetailsToHdir(folder, fileSize, sectorNumber);
    dirRoot_->fileSize += fileSize;
    if (!folderSeen_[rowIndex(*type)]) {
      folderSeen_[rowIndex(*type)] = true;
      dirRoot_->childrenCount += 1;
      dirRoot_->addChild(typeFolders_[rowIndex(*type)]);
    }
  }
  observer_.refreshRecoveredFiles();
  if (!firstFind_) {
    observer_.expandRecoveredFilesTree();
    firstFind_ = true;
  }
  if (context_.bRawJpgFileFound && context_.u64RawJpgFileSize > 1024 && dirRawJpg_) {
    {
      std::lock_guard lock(context_.treeMutex);
      addDetailsOfRawJpgFile(*dirRawJpg_, context_.u64RawJpgFileSectorNumber, context_.u64RawJpgFileSize,
                             static_cast<int32_t>(context_.uExtraBytesOfJpgFileOffset));
      // Previews are listed and saved like any other folder, but their bytes
      // are not counted in the root's total: they lie inside the raw files.
      if (!rawJpgSeen_) {
        rawJpgSeen_ = true;
        dirRoot_->childrenCount += 1;
        dirRoot_->addChild(dirRawJpg_);
      }
    }
    context_.u64RawJpgFileSectorNumber = 0;
    context_.bRawJpgFileFound = false;
    context_.u64RawJpgFileSize = 0;
  }
  return fileSize;
}

void Scanning::addDetailsToHdir(HDIR& folder, uint64_t fileSize, uint64_t sectorNumber) {
  context_.u64TotalNumberOfFileFound.fetch_add(1, std::memory_order_relaxed);
  auto node = std::make_shared<HDIR>();
  node->fileType = kFileType;
  node->parentID = folder.fileID;
  node->fileID = fileIDCount_++;
  node->fileName = "file" + std::to_string(folder.childrenCount + 1) + folder.extension;
  node->pathName = folder.fileName + "/" + dirRoot_->fileName;
  node->sectorNumber = sectorNumber;
  node->fileSize = fileSize;
  node->parent = &folder;
  folder.fileSize += fileSize;
  dirRoot_->childrenCount += 1;
  folder.childrenCount += 1;
  dirRoot_->fileCount += 1;
  folder.fileCount += 1;
  folder.addChild(std::move(node));
}

void Scanning::addDetailsOfRawJpgFile(HDIR& folder, uint64_t sectorNumber, uint64_t fileSize,
                                      int32_t extraBytesToMove) {
  addDetailsToHdir(folder, fileSize, sectorNumber);
  HDIR& node = *folder.children.back();
  node.fileName = "file - Raw Jpg" + std::to_string(folder.childrenCount) + ".jpg";
  node.extraBytesToMove = extraBytesToMove;
}

}  // namespace salvonix
