#include "output/ScanInfoWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <limits>

#include <fmt/format.h>

namespace salvonix {

namespace {

constexpr std::size_t kFlushSize = 1 << 16;
std::atomic<unsigned> temporaryCount{0};

// Buffered sequential writer; the first failure is kept and ends the file.
class ScanInfoWriter {
 public:
  explicit ScanInfoWriter(int fd) : fd_(fd) { buffer_.reserve(kFlushSize); }

  void put(const void* data, std::size_t length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + length);
    if (buffer_.size() >= kFlushSize) flush();
  }
  void put(std::string_view text) { put(text.data(), text.size()); }

  void flush() {
    if (!error_.empty()) return;
    const uint8_t* data = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
      const ssize_t written = ::write(fd_, data, left);
      if (written < 0) {
        if (errno == EINTR) continue;
        error_ = std::strerror(errno);
        break;
      }
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    buffer_.clear();
  }

  // Writes the node's entry and then its children's, recursively.
  void writeDir(const HDIR& node) {
    if (!error_.empty()) return;
    if (node.fileName.size() > std::numeric_limits<uint16_t>::max() ||
        node.pathName.size() > std::numeric_limits<uint16_t>::max()) {
      error_ = "a name is longer than 65,535 bytes: " + node.fileName.substr(0, 64);
      return;
    }
    put(encodeNodeRecord(convertHDir(node)).data(), kNodeRecordSize);
    ++scanInfoEntryCount_;
    put(node.fileName);
    put(node.pathName);
    for (const auto& child : node.children) writeDir(*child);
  }

  static HFSPlusDir convertHDir(const HDIR& node) {
    HFSPlusDir record;
    record.fileSize = node.fileSize;
    record.sectorNumber = node.sectorNumber;
    record.parentID = node.parentID;
    record.fileID = node.fileID;
    record.fileCount = node.fileCount;
    record.fileNameLength = static_cast<uint16_t>(node.fileName.size());
    record.pathNameLength = static_cast<uint16_t>(node.pathName.size());
    record.fileType = static_cast<uint16_t>(node.fileType);
    record.selected = node.selected;
    record.childrenCount = node.childrenCount;
    record.childrenSelected = static_cast<int32_t>(node.childrenSelected());
    record.extraBytesToMove = node.extraBytesToMove;
    return record;
  }

  const std::string& error() const { return error_; }
  uint32_t scanInfoEntryCount() const { return scanInfoEntryCount_; }

 private:
  int fd_;
  std::vector<uint8_t> buffer_;
  std::string error_;
  uint32_t scanInfoEntryCount_ = 0;
};

DriveInfo stroreToDriveInfo(const ScanInfoDrive& drive) {
  DriveInfo info;
  info.bytesInSector = drive.bytesInSector;
  info.numberOfFileSelected = drive.numberOfFileSelected;
  info.driveNameLength = static_cast<uint32_t>(drive.driveName.size());
  info.modelLength = static_cast<uint32_t>(drive.model.size());
  info.revisionLength = static_cast<uint32_t>(drive.revision.size());
  info.serialLength = static_cast<uint32_t>(drive.serial.size());
  info.driveSize = drive.driveSize;
  info.driveSectorNumber = drive.driveSectorNumber;
  info.selectedFileSize = drive.selectedFileSize;
  return info;
}

Alert writeFailure(const std::string& reason) {
  return {"Error!", "Cannot write the scan info file: " + reason, {"OK"}};
}

}  // namespace

std::string scanInfoPath(const std::string& chosenPath) {
  if (chosenPath.ends_with(kScanInfoExtension)) return chosenPath;
  return chosenPath + std::string(kScanInfoExtension);
}

ScanInfoWriteResult saveScanInfo(const std::string& chosenPath, const ScanInfoDrive& drive, const HDIR& root) {
  ScanInfoWriteResult result;
  result.path = scanInfoPath(chosenPath);
  // Written beside the target and renamed over it, so a failed save keeps the previous file.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = fmt::format("{}.{}-{}.tmp", result.path, ::getpid(), temporaryCount.fetch_add(1));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    result.error = Alert{"Error!", "Cannot create file at selected path", {"OK"}};
    return result;
  }

  ScanInfoWriter writer(fd);
  writer.put(kIncompleteMarker);
  writer.put(encodeDriveInfo(stroreToDriveInfo(drive)).data(), kDriveInfoSize);
  // Exactly five sectors, whatever could be read from the drive.
  std::vector<uint8_t> sectors(std::size_t{kStoredSectorCount} * drive.bytesInSector, 0);
  std::copy_n(drive.first5Sectors.begin(), std::min(sectors.size(), drive.first5Sectors.size()), sectors.begin());
  writer.put(sectors.data(), sectors.size());
  writer.put(drive.driveName);
  writer.put(drive.serial);
  writer.put(drive.model);
  writer.put(drive.revision);
  writer.writeDir(root);
  writer.put(encodeNodeRecord(HFSPlusDir{}).data(), kNodeRecordSize);
  writer.flush();
  result.scanInfoEntryCount = writer.scanInfoEntryCount();

  std::string failure = writer.error();
  // The data must be on disk before the marker says it is complete, and the marker before the rename.
  if (failure.empty() && ::fsync(fd) != 0) failure = std::strerror(errno);
  if (failure.empty()) {
    const ssize_t written = ::pwrite(fd, kCompleteMarker.data(), kMarkerSize, 0);
    if (written != static_cast<ssize_t>(kMarkerSize)) failure = written < 0 ? std::strerror(errno) : "short write";
  }
  if (failure.empty() && ::fsync(fd) != 0) failure = std::strerror(errno);
  if (::close(fd) != 0 && failure.empty()) failure = std::strerror(errno);
  if (failure.empty() && ::rename(temporary.c_str(), result.path.c_str()) != 0) failure = std::strerror(errno);
  if (!failure.empty()) {
    ::unlink(temporary.c_str());
    result.error = writeFailure(failure);
  }
  return result;
}

}  // namespace salvonix
