#include "scan/EwfDevice.h"

#include <libewf.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fmt/format.h>

namespace salvonix {

namespace {

constexpr unsigned char kE01Signature[] = {'E', 'V', 'F', 0x09, 0x0d, 0x0a, 0xff, 0x00};
constexpr unsigned char kEx01Signature[] = {'E', 'V', 'F', '2', 0x0d, 0x0a, 0x81, 0x00};

// libewf's message for a failed call; frees the error.
std::string takeErrorText(libewf_error_t*& error) {
  if (!error) return "unknown libewf error";
  char text[1024] = {};
  libewf_error_sprint(error, text, sizeof text);
  libewf_error_free(&error);
  std::string message(text);
  message.erase(message.find_last_not_of(" \n") + 1);
  return message;
}

}  // namespace

struct EwfDevice::Handle {
  libewf_handle_t* ewf = nullptr;
  ~Handle() {
    if (!ewf) return;
    libewf_handle_close(ewf, nullptr);
    libewf_handle_free(&ewf, nullptr);
  }
};

bool EwfDevice::hasSignature(const unsigned char* firstBytes, std::size_t count, DeviceKind* kind) {
  if (count < sizeof kE01Signature) return false;
  if (std::memcmp(firstBytes, kE01Signature, sizeof kE01Signature) == 0) {
    *kind = DeviceKind::E01Image;
    return true;
  }
  if (std::memcmp(firstBytes, kEx01Signature, sizeof kEx01Signature) == 0) {
    *kind = DeviceKind::Ex01Image;
    return true;
  }
  return false;
}

std::shared_ptr<EwfDevice> EwfDevice::open(const std::string& firstSegment, DeviceKind kind, std::string* errorText) {
  const auto fail = [&](const std::string& text) -> std::shared_ptr<EwfDevice> {
    if (errorText) *errorText = fmt::format("libewf cannot read this {}: {}", deviceKindName(kind), text);
    return nullptr;
  };
  libewf_error_t* error = nullptr;
  char** globbed = nullptr;
  int segmentCount = 0;
  std::vector<char*> segments;
  std::string lone = firstSegment;
  if (libewf_glob(firstSegment.c_str(), firstSegment.size(), LIBEWF_FORMAT_UNKNOWN, &globbed, &segmentCount,
                  &error) == 1) {
    segments.assign(globbed, globbed + segmentCount);
  } else {
    // A segment not named after the E01 scheme is read alone.
    libewf_error_free(&error);
    segments.push_back(lone.data());
  }
  auto handle = std::make_unique<Handle>();
  const bool opened = libewf_handle_initialize(&handle->ewf, &error) == 1 &&
                      libewf_handle_open(handle->ewf, segments.data(), static_cast<int>(segments.size()),
                                         LIBEWF_OPEN_READ, &error) == 1;
  const unsigned files = static_cast<unsigned>(segments.size());
  if (globbed) libewf_glob_free(globbed, segmentCount, nullptr);
  if (!opened) return fail(takeErrorText(error));

  size64_t mediaBytes = 0;
  uint32_t bytesPerSector = 0;
  if (libewf_handle_get_media_size(handle->ewf, &mediaBytes, &error) != 1 ||
      libewf_handle_get_bytes_per_sector(handle->ewf, &bytesPerSector, &error) != 1)
    return fail(takeErrorText(error));
  auto device = std::shared_ptr<EwfDevice>(new EwfDevice(firstSegment, kind, std::move(handle)));
  device->size_ = mediaBytes;
  if (bytesPerSector != 0) device->logicalBlockSize_ = bytesPerSector;
  device->fileCount_ = files;
  return device;
}

EwfDevice::EwfDevice(const std::string& firstSegment, DeviceKind kind, std::unique_ptr<Handle> handle)
    : Device(firstSegment), handle_(std::move(handle)) {
  kind_ = kind;
}

EwfDevice::~EwfDevice() = default;

int64_t EwfDevice::readAt(uint64_t offset, void* buffer, std::size_t length) const {
  if (offset >= size_) return 0;
  const std::size_t wanted = static_cast<std::size_t>(std::min<uint64_t>(length, size_ - offset));
  std::lock_guard lock(mutex_);
  // A chunk known to be damaged is not read again: each failed read of one
  // costs libewf a chunk buffer it never frees.
  if (touchesBadChunk(offset, wanted)) return -EIO;
  libewf_error_t* error = nullptr;
  const ssize_t got = libewf_handle_read_random(handle_->ewf, buffer, wanted, static_cast<off64_t>(offset), &error);
  if (got < 0) {
    libewf_error_free(&error);
    return -EIO;
  }
  // A damaged chunk is a bad spot on the source, as an unreadable sector is on a card.
  if (touchesBadChunk(offset, static_cast<uint64_t>(got))) return -EIO;
  return got;
}

// libewf hands back a chunk it cannot read intact (checksum mismatch, data
// cut off) as if it were data and records its sectors as a checksum error.
// Called with the lock held.
bool EwfDevice::touchesBadChunk(uint64_t offset, uint64_t length) const {
  uint32_t count = 0;
  if (libewf_handle_get_number_of_checksum_errors(handle_->ewf, &count, nullptr) != 1) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t firstSector = 0;
    uint64_t sectors = 0;
    if (libewf_handle_get_checksum_error(handle_->ewf, i, &firstSector, &sectors, nullptr) != 1) continue;
    const uint64_t begin = firstSector * logicalBlockSize_;
    const uint64_t end = (firstSector + sectors) * logicalBlockSize_;
    if (begin < offset + length && offset < end) return true;
  }
  return false;
}

}  // namespace salvonix
