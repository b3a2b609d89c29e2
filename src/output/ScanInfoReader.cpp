#include "output/ScanInfoReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "scan/ScanParameters.h"

namespace salvonix {

namespace {

constexpr std::size_t kReadAhead = 1 << 16;

// Sequential reads from the file that never go past the size it had when it
// was opened; a file that shrinks meanwhile reads as truncated.
class BoundedReader {
 public:
  BoundedReader(int fd, uint64_t size) : fd_(fd), size_(size) {}

  uint64_t remaining() const { return size_ - position_; }

  bool read(void* out, uint64_t length) {
    if (length > remaining()) return false;
    auto* bytes = static_cast<uint8_t*>(out);
    while (length > 0) {
      if (bufferPos_ == buffer_.size() && !refill()) return false;
      const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(length, buffer_.size() - bufferPos_));
      std::memcpy(bytes, buffer_.data() + bufferPos_, take);
      bufferPos_ += take;
      position_ += take;
      bytes += take;
      length -= take;
    }
    return true;
  }

  bool readText(uint64_t length, std::string& text) {
    if (length > remaining()) return false;
    text.resize(static_cast<std::size_t>(length));
    return read(text.data(), length);
  }

 private:
  bool refill() {
    const uint64_t fileOffset = position_;
    buffer_.resize(static_cast<std::size_t>(std::min<uint64_t>(kReadAhead, size_ - fileOffset)));
    bufferPos_ = 0;
    std::size_t done = 0;
    while (done < buffer_.size()) {
      const ssize_t got = ::pread(fd_, buffer_.data() + done, buffer_.size() - done,
                                  static_cast<off_t>(fileOffset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += static_cast<std::size_t>(got);
    }
    return true;
  }

  int fd_;
  uint64_t size_;
  uint64_t position_ = 0;
  std::vector<uint8_t> buffer_;
  std::size_t bufferPos_ = 0;
};

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

Alert refusal(const char* title, const std::string& text) { return {title, text, {"OK"}}; }
Alert damaged(const std::string& detail) {
  return refusal("! Error", fmt::format("This scan info file is damaged: {}.", detail));
}

bool validFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool validPathName(const std::string& path) {
  if (path.find('\0') != std::string::npos) return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view component(path.data() + start, end - start);
    if (component == "." || component == "..") return false;
    start = end + 1;
  }
  return true;
}

std::shared_ptr<HDIR> convertHPDir(const HFSPlusDir& record) {
  auto node = std::make_shared<HDIR>();
  node->fileType = record.fileType;
  node->parentID = record.parentID;
  node->fileID = record.fileID;
  node->fileSize = record.fileSize;
  node->fileCount = record.fileCount;
  node->selected = record.selected;
  node->childrenCount = record.childrenCount;
  node->storedChildrenSelected = record.childrenSelected;
  node->sectorNumber = record.sectorNumber;
  node->extraBytesToMove = record.extraBytesToMove;
  return node;
}

// Reads one node entry with its texts; no node when the end record comes.
// Returns false with an alert when the entry is refused.
bool readNode(BoundedReader& reader, uint32_t index, std::shared_ptr<HDIR>& node, Alert& error) {
  std::array<uint8_t, kNodeRecordSize> bytes{};
  if (!reader.read(bytes.data(), bytes.size())) {
    error = damaged(index == 0 ? "it ends before the tree" : "it ends before the end record");
    return false;
  }
  const HFSPlusDir record = decodeNodeRecord(bytes);
  node = nullptr;
  if (record.parentID == 0) return true;
  node = convertHPDir(record);
  if (!reader.readText(record.fileNameLength, node->fileName) ||
      !reader.readText(record.pathNameLength, node->pathName)) {
    error = damaged(fmt::format("the names of node entry {} run past the end of the file", index + 1));
    return false;
  }
  if (!validFileName(node->fileName)) {
    error = damaged(fmt::format("node entry {} has a name that is empty, \".\" or \"..\", or holds \"/\" or a NUL "
                                "byte",
                                index + 1));
    return false;
  }
  if (!validPathName(node->pathName)) {
    error = damaged(fmt::format("node entry {} has a path with a \".\" or \"..\" component or a NUL byte", index + 1));
    return false;
  }
  // Saving puts a folder at destination + path + "/" + name: a path that does
  // not start with "/" would land beside the destination.
  const bool savedAsFolder = index == 0 || record.fileType == kFolderType;
  if (savedAsFolder && !node->pathName.empty() && node->pathName.front() != '/') {
    error = damaged(fmt::format("folder entry {} has a path that does not begin with \"/\"", index + 1));
    return false;
  }
  return true;
}

}  // namespace

ScanInfoOpenResult openScanInfo(const std::string& path) {
  ScanInfoOpenResult result;
  auto refuse = [&](Alert alert) {
    result = ScanInfoOpenResult{};
    result.error = std::move(alert);
    return result;
  };

  if (!path.ends_with(kScanInfoExtension)) return refuse(refusal("Error", kWrongScanInfoFile));
  // Checked before opening: opening a FIFO would wait for a writer.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return refuse(refusal("Error", fmt::format("Cannot open the scan info file: {}", std::strerror(errno))));
  if (S_ISDIR(st.st_mode))
    return refuse(refusal("Error", "The selected scan info file is a folder. Please select an appropriate scan info "
                                   "file and continue."));
  if (!S_ISREG(st.st_mode))
    return refuse(refusal("Error", "The selected scan info file is not a regular file. Please select an appropriate "
                                   "scan info file and continue."));
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0)
    return refuse(refusal("Error", fmt::format("Cannot open the scan info file: {}", std::strerror(errno))));
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    return refuse(refusal("Error", "The selected scan info file is not a regular file. Please select an appropriate "
                                   "scan info file and continue."));

  BoundedReader reader(fd.get(), static_cast<uint64_t>(st.st_size));
  std::string marker;
  if (!reader.readText(kMarkerSize, marker) || marker != kCompleteMarker)
    return refuse(refusal("! Error", kIncompleteScanInfoFile));

  std::array<uint8_t, kDriveInfoSize> infoBytes{};
  if (!reader.read(infoBytes.data(), infoBytes.size())) return refuse(damaged("it ends inside the drive record"));
  const DriveInfo info = decodeDriveInfo(infoBytes);
  if (!supportedSectorSize(info.bytesInSector))
    return refuse(damaged(
        fmt::format("its bytes per sector ({}) are not 512, 1,024, 2,048 or 4,096", info.bytesInSector)));

  ScanInfoDrive& drive = result.drive;
  drive.bytesInSector = info.bytesInSector;
  drive.numberOfFileSelected = info.numberOfFileSelected;
  drive.driveSize = info.driveSize;
  drive.driveSectorNumber = info.driveSectorNumber;
  drive.selectedFileSize = info.selectedFileSize;
  drive.first5Sectors.resize(std::size_t{kStoredSectorCount} * info.bytesInSector);
  if (!reader.read(drive.first5Sectors.data(), drive.first5Sectors.size()))
    return refuse(damaged("it ends inside the first sectors of the drive"));
  if (!reader.readText(info.driveNameLength, drive.driveName) || !reader.readText(info.serialLength, drive.serial) ||
      !reader.readText(info.modelLength, drive.model) || !reader.readText(info.revisionLength, drive.revision))
    return refuse(damaged("the drive's name, serial, model or revision runs past the end of the file"));

  Alert error;
  std::shared_ptr<HDIR> root;
  if (!readNode(reader, 0, root, error)) return refuse(error);
  if (!root) return refuse(damaged("it holds no tree"));
  result.scanInfoEntryCount = 1;

  // Folders hang below the root; each file below the folder before it.
  HDIR* folder = nullptr;
  for (uint32_t index = 1;; ++index) {
    std::shared_ptr<HDIR> node;
    if (!readNode(reader, index, node, error)) return refuse(error);
    if (!node) break;
    ++result.scanInfoEntryCount;
    if (node->fileType == kFolderType) {
      node->parent = root.get();
      folder = node.get();
      root->addChild(std::move(node));
    } else if (node->fileType == kFileType) {
      HDIR* parent = folder ? folder : root.get();
      node->parent = parent;
      parent->addChild(std::move(node));
    }
  }
  result.root = std::move(root);
  return result;
}

}  // namespace salvonix
