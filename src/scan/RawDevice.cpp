#include "scan/RawDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace salvonix {

namespace {
constexpr const char* kNotDeviceOrFile = "not a block device or a regular file";
bool isDeviceOrFile(const struct stat& st) { return S_ISREG(st.st_mode) || S_ISBLK(st.st_mode); }
}  // namespace

std::shared_ptr<RawDevice> RawDevice::open(const std::string& path, std::string* errorText) {
  const auto refuse = [&](const char* text) -> std::shared_ptr<RawDevice> {
    if (errorText) *errorText = text;
    return nullptr;
  };
  // Checked before opening: opening a FIFO would wait for a writer.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !isDeviceOrFile(st)) return refuse(kNotDeviceOrFile);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return refuse(std::strerror(errno));
  if (fstat(fd, &st) != 0 || !isDeviceOrFile(st)) {
    ::close(fd);
    return refuse(kNotDeviceOrFile);
  }
  return std::make_shared<RawDevice>(fd, path);
}

RawDevice::RawDevice(int fd, std::string path) : Device(std::move(path)), fd_(fd) {
  struct stat st {};
  if (fstat(fd_, &st) != 0) return;
  if (S_ISBLK(st.st_mode)) {
    kind_ = DeviceKind::BlockDevice;
    uint64_t bytes = 0;
    if (ioctl(fd_, BLKGETSIZE64, &bytes) == 0) size_ = bytes;
    int sectorSize = 0;
    if (ioctl(fd_, BLKSSZGET, &sectorSize) == 0 && sectorSize > 0) logicalBlockSize_ = static_cast<uint32_t>(sectorSize);
  } else {
    size_ = static_cast<uint64_t>(st.st_size);
  }
}

RawDevice::~RawDevice() { ::close(fd_); }

int64_t RawDevice::readAt(uint64_t offset, void* buffer, std::size_t length) const {
  return readFully(fd_, offset, buffer, length);
}

int64_t readFully(int fd, uint64_t offset, void* buffer, std::size_t length) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -static_cast<int64_t>(errno);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<int64_t>(done);
}

}  // namespace salvonix
