#include "scan/Device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace salvonix {

std::shared_ptr<Device> Device::open(const std::string& path, std::string* errorText) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errorText) *errorText = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    if (errorText) *errorText = "not a block device or a regular file";
    ::close(fd);
    return nullptr;
  }
  return std::shared_ptr<Device>(new Device(fd, path));
}

Device::Device(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
  struct stat st {};
  if (fstat(fd_, &st) != 0) return;
  if (S_ISBLK(st.st_mode)) {
    blockDevice_ = true;
    uint64_t bytes = 0;
    if (ioctl(fd_, BLKGETSIZE64, &bytes) == 0) size_ = bytes;
    int sectorSize = 0;
    if (ioctl(fd_, BLKSSZGET, &sectorSize) == 0 && sectorSize > 0) logicalBlockSize_ = static_cast<uint32_t>(sectorSize);
  } else {
    size_ = static_cast<uint64_t>(st.st_size);
  }
}

Device::~Device() { ::close(fd_); }

int64_t Device::readAt(uint64_t offset, void* buffer, std::size_t length) const {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
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
