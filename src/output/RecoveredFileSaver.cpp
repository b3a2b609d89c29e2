#include "output/RecoveredFileSaver.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scan/Device.h"

namespace salvonix {

namespace {
constexpr uint32_t kSectorsPerBlock = 8;
constexpr uint32_t kSectorsPerChunk = 64;
}  // namespace

RecoveredFileSaver::RecoveredFileSaver(ScanContext& context, SaveObserver& observer,
                                       std::chrono::milliseconds progressInterval)
    : context_(context), observer_(observer), progressInterval_(progressInterval) {}

MarkedFiles markedFiles(const HDIR& folder) {
  MarkedFiles marked;
  if (folder.selected != 1) return marked;
  for (const auto& child : folder.children) {
    if (child->selected != 1) continue;
    if (child->fileType == kFileType) {
      ++marked.count;
      marked.bytes += child->fileSize;
    } else if (child->fileType == kFolderType && child->childrenCount > 0) {
      const MarkedFiles below = markedFiles(*child);
      marked.count += below.count;
      marked.bytes += below.bytes;
    }
  }
  return marked;
}

SaveOutcome RecoveredFileSaver::save(HDIR& root, const std::string& destination) {
  std::string devicePath;
  {
    std::lock_guard lock(context_.previewPathMutex);
    devicePath = context_.selectedDriveMountPointForPreview;
  }
  device_ = devicePath.empty() ? nullptr : context_.openDevice(devicePath);
  reader_.emplace(device_, context_.u32BytesInSector);
  buffer_.assign(size_t{kSectorsPerChunk} * context_.u32BytesInSector, 0);
  abortSaving_ = false;
  bSavingStopMessageDisplayed_ = false;
  halted_ = false;
  savedData_ = 0;
  firstReport_ = true;
  outcome_ = SaveOutcome{};
  context_.iNumberOfFileSaved = 0;
  context_.u64SavedFileSize = 0;

  saveDir(root, destination);

  reader_.reset();
  device_.reset();
  outcome_.filesSaved = context_.iNumberOfFileSaved;
  outcome_.filesNotSaved = std::max(0, markedFiles(root).count - outcome_.filesSaved);
  outcome_.bytesRead = savedData_;
  reportFailures(outcome_.filesSaved + outcome_.filesNotSaved);
  return outcome_;
}

void RecoveredFileSaver::fail(const std::string& path, const std::string& reason, const std::string& keptAs) {
  outcome_.failures.push_back({path, reason, keptAs});
}

// One alert for the run: the first failure, and how many files are missing.
void RecoveredFileSaver::reportFailures(int32_t markedCount) {
  if (outcome_.failures.empty()) return;
  const SaveFailure& first = outcome_.failures.front();
  std::string text = first.path + ": " + first.reason;
  if (!first.keptAs.empty()) text += " (the part written is kept as " + first.keptAs + ")";
  text += "; " + std::to_string(outcome_.filesNotSaved) + " of " + std::to_string(markedCount) +
          (markedCount == 1 ? " file was" : " files were") + " not saved.";
  observer_.showAlert({kNotSavedAlertTitle, text, {"OK"}});
}

bool RecoveredFileSaver::makeDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  struct stat st {};
  if (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  fail(path, errno == EEXIST ? "exists and is not a folder" : std::strerror(errno));
  halted_ = true;
  return false;
}

void RecoveredFileSaver::saveDir(HDIR& folder, const std::string& destination) {
  if (folder.selected != 1 || halted_) return;
  const std::string working = destination + folder.pathName + "/" + folder.fileName;
  if (!makeDirectory(working)) return;

  for (std::size_t i = 0; i < folder.children.size(); ++i) {
    if (stopCheck()) return;
    HDIR& child = *folder.children[i];
    if (child.selected != 1) continue;
    const std::string path = working + "/" + child.fileName;
    if (child.fileType == kFolderType) {
      if (!makeDirectory(path)) return;
      continue;
    }
    if (child.fileType == kFileType && !saveFile(child, path)) return;
  }
  for (std::size_t i = 0; i < folder.children.size(); ++i) {
    if (stopCheck()) return;
    HDIR& child = *folder.children[i];
    // Only folders are walked: a file's path names its folder and root, not a
    // place below the destination (a scan information file may claim children).
    if (child.fileType == kFolderType && child.childrenCount > 0 && child.selected == 1) saveDir(child, destination);
  }
}

bool RecoveredFileSaver::saveFile(const HDIR& file, const std::string& path) {
  if (file.fileSize == 0) {
    context_.iNumberOfFileSaved.fetch_add(1, std::memory_order_relaxed);
    return true;
  }
  if (file.extraBytesToMove < 0 || static_cast<uint32_t>(file.extraBytesToMove) >= context_.u32BytesInSector) {
    fail(path, "its start lies outside its first sector");
    return true;
  }
  if (file.fileSize > UINT64_MAX - static_cast<uint64_t>(file.extraBytesToMove)) {
    fail(path, "its size is too large");
    return true;
  }
  if (device_ && file.sectorNumber >= sectorsCovering(device_->sizeInBytes(), context_.u32BytesInSector)) {
    fail(path, "it lies beyond the end of the drive");
    return true;
  }
  // Recovered media are not programs.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    fail(path, std::strerror(errno));
    halted_ = true;
    return false;
  }
  uint64_t written = 0;
  uint64_t unreadableSectors = 0;
  Copy result = copyFile(file, fd, written, unreadableSectors);
  if (::close(fd) != 0 && result == Copy::Done) {
    writeError_ = std::strerror(errno);
    result = Copy::WriteFailed;
  }
  if (result == Copy::Done) {
    context_.iNumberOfFileSaved.fetch_add(1, std::memory_order_relaxed);
    if (unreadableSectors > 0) outcome_.incomplete.push_back({path, unreadableSectors});
    return true;
  }
  const std::string keptAs = setAsidePartial(path, written);
  if (result == Copy::Stopped) return false;
  if (result == Copy::WriteFailed) {
    // A full or failing destination fails every file after this one too.
    fail(path, writeError_, keptAs);
    halted_ = true;
    return false;
  }
  // The device went away: this folder ends here.
  fail(path, kDriveCannotOpen, keptAs);
  return false;
}

std::string RecoveredFileSaver::setAsidePartial(const std::string& path, uint64_t written) {
  const std::string partial = path + kPartialSuffix;
  if (written > 0 && ::rename(path.c_str(), partial.c_str()) == 0) return partial;
  ::unlink(path.c_str());
  return {};
}

bool RecoveredFileSaver::stopCheck() {
  if (halted_) return true;
  if (!abortSaving_) return false;
  if (!bSavingStopMessageDisplayed_) {
    if (!observer_.confirmStopSaving()) {
      abortSaving_ = false;
      return false;
    }
    bSavingStopMessageDisplayed_ = true;
  }
  outcome_.stopped = true;
  halted_ = true;
  return true;
}

bool RecoveredFileSaver::writeAll(int fd, const uint8_t* data, uint64_t length, uint64_t& written) {
  while (length > 0) {
    const ssize_t count = ::write(fd, data, length);
    if (count < 0) {
      if (errno == EINTR) continue;
      writeError_ = std::strerror(errno);
      return false;
    }
    data += count;
    length -= static_cast<uint64_t>(count);
    written += static_cast<uint64_t>(count);
  }
  return true;
}

// The device is read in 64-sector chunks; a file that ends on a chunk boundary
// reads its last chunk block by block, and the end of any other file comes in
// 8-sector blocks. The pieces are counted from the file's start sector, so the
// first one holds the leading offset, which is read but not written.
RecoveredFileSaver::Copy RecoveredFileSaver::copyFile(const HDIR& file, int fd, uint64_t& written,
                                                     uint64_t& unreadableSectors) {
  const uint64_t blockBytes = uint64_t{kSectorsPerBlock} * context_.u32BytesInSector;
  const uint64_t chunkBytes = uint64_t{kSectorsPerChunk} * context_.u32BytesInSector;
  const uint64_t leading = static_cast<uint64_t>(file.extraBytesToMove);
  const uint64_t total = file.fileSize + leading;
  const uint64_t blockCount = total / blockBytes + (total % blockBytes ? 1 : 0);
  const uint64_t chunks = blockCount / kSectorsPerBlock;
  const uint64_t chunkedBytes = (blockCount % kSectorsPerBlock ? chunks : chunks - 1) * chunkBytes;

  for (uint64_t at = 0; at < total;) {
    // Asked before every chunk and every trailing block, not between the blocks of a final chunk.
    if ((at % chunkBytes == 0 || at >= chunks * chunkBytes) && stopCheck()) return Copy::Stopped;
    const uint64_t piece = std::min(at < chunkedBytes ? chunkBytes : blockBytes, total - at);
    const uint64_t skip = at == 0 ? leading : 0;
    const int64_t got = reader_->read(file, at + skip - leading, buffer_.data(), piece - skip);
    if (got < 0) return Copy::ReadFailed;
    unreadableSectors += reader_->unreadableSectorsInLastRead();
    if (!writeAll(fd, buffer_.data(), static_cast<uint64_t>(got), written)) return Copy::WriteFailed;
    // Progress counts the piece as read from the device, leading offset included.
    savedData_ += piece;
    context_.u64SavedFileSize = savedData_;
    reportProgress();
    at += piece;
  }
  return Copy::Done;
}

void RecoveredFileSaver::reportProgress() {
  const auto now = std::chrono::steady_clock::now();
  if (!firstReport_ && now - lastReport_ < progressInterval_) return;
  firstReport_ = false;
  lastReport_ = now;
  observer_.updateTreeProgress(savedData_, savedData_);
}

}  // namespace salvonix
