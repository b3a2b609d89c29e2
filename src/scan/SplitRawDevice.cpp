#include "scan/SplitRawDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include <fmt/format.h>

#include "scan/RawDevice.h"

namespace salvonix {

namespace {

namespace fs = std::filesystem;

// "card.001" -> stem "card", width 3; nothing when the name has no numeric suffix of 1.
struct PartName {
  std::string stem;
  std::size_t width = 0;
  std::string numbered(uint64_t n) const { return fmt::format("{}.{:0{}}", stem, n, width); }
};

std::optional<uint64_t> suffixNumber(const std::string& name, std::size_t dot) {
  const std::string digits = name.substr(dot + 1);
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), isDigit)) return std::nullopt;
  return std::stoull(digits);
}

std::optional<PartName> firstPartName(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.size() - dot - 1 < 3 || path.find('/', dot) != std::string::npos)
    return std::nullopt;
  if (suffixNumber(path, dot) != 1u) return std::nullopt;
  return PartName{path.substr(0, dot), path.size() - dot - 1};
}

// The highest number among the parts beside the first, to find a gap after the last consecutive part.
uint64_t highestPartNumber(const PartName& name) {
  const fs::path stem(name.stem);
  const std::string prefix = stem.filename().string() + ".";
  std::error_code failure;
  uint64_t highest = 0;
  for (const auto& entry : fs::directory_iterator(stem.parent_path().empty() ? "." : stem.parent_path(), failure)) {
    const std::string file = entry.path().filename().string();
    if (file.size() < prefix.size() + name.width || file.compare(0, prefix.size(), prefix) != 0) continue;
    if (auto number = suffixNumber(file, prefix.size() - 1)) highest = std::max(highest, *number);
  }
  return highest;
}

void closeAll(const std::vector<int>& fds) {
  for (int fd : fds) ::close(fd);
}

}  // namespace

bool SplitRawDevice::looksSplit(const std::string& firstPart) {
  const auto name = firstPartName(firstPart);
  return name && highestPartNumber(*name) >= 2;
}

std::shared_ptr<SplitRawDevice> SplitRawDevice::open(const std::string& firstPart, std::string* errorText) {
  const auto name = firstPartName(firstPart);
  const auto fail = [&](std::vector<int>& fds, std::string text) -> std::shared_ptr<SplitRawDevice> {
    closeAll(fds);
    if (errorText) *errorText = std::move(text);
    return nullptr;
  };
  std::vector<int> fds;
  if (!name) return fail(fds, "not the first part of a split image");
  std::vector<uint64_t> sizes;
  for (uint64_t n = 1;; ++n) {
    const std::string part = name->numbered(n);
    struct stat st {};
    if (::stat(part.c_str(), &st) != 0) break;
    if (!S_ISREG(st.st_mode)) return fail(fds, fmt::format("{} is not a regular file", part));
    const int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(fds, fmt::format("{}: {}", part, std::strerror(errno)));
    fds.push_back(fd);
    if (fstat(fd, &st) != 0) return fail(fds, fmt::format("{}: {}", part, std::strerror(errno)));
    sizes.push_back(static_cast<uint64_t>(st.st_size));
  }
  if (fds.empty()) return fail(fds, fmt::format("{} does not exist", firstPart));
  if (highestPartNumber(*name) > fds.size())
    return fail(fds, fmt::format("{} is missing", name->numbered(fds.size() + 1)));
  const uint64_t partBytes = sizes.front();
  if (partBytes == 0) return fail(fds, fmt::format("{} is empty", firstPart));
  for (std::size_t i = 1; i + 1 < sizes.size(); ++i)
    if (sizes[i] != partBytes)
      return fail(fds, fmt::format("{} has {} bytes where {} has {}: a part before the last is incomplete",
                                   name->numbered(i + 1), sizes[i], firstPart, partBytes));
  const uint64_t total = partBytes * (sizes.size() - 1) + sizes.back();
  return std::shared_ptr<SplitRawDevice>(new SplitRawDevice(firstPart, std::move(fds), partBytes, total));
}

SplitRawDevice::SplitRawDevice(const std::string& firstPart, std::vector<int> parts, uint64_t partBytes,
                               uint64_t totalBytes)
    : Device(firstPart), parts_(std::move(parts)), partBytes_(partBytes) {
  kind_ = DeviceKind::SplitRawImage;
  size_ = totalBytes;
  fileCount_ = static_cast<unsigned>(parts_.size());
}

SplitRawDevice::~SplitRawDevice() { closeAll(parts_); }

int64_t SplitRawDevice::readAt(uint64_t offset, void* buffer, std::size_t length) const {
  auto* out = static_cast<unsigned char*>(buffer);
  uint64_t done = 0;
  while (done < length && offset + done < size_) {
    const uint64_t at = offset + done;
    // The last part holds everything from its start on, whatever its size.
    const std::size_t index = static_cast<std::size_t>(std::min<uint64_t>(at / partBytes_, parts_.size() - 1));
    const uint64_t partStart = index * partBytes_;
    const uint64_t partEnd = index + 1 == parts_.size() ? size_ : partStart + partBytes_;
    const uint64_t wanted = std::min<uint64_t>(length - done, partEnd - at);
    const int64_t got = readFully(parts_[index], at - partStart, out + done, wanted);
    if (got < 0) return got;
    done += static_cast<uint64_t>(got);
    if (static_cast<uint64_t>(got) < wanted) break;  // a part shrank since it was opened
  }
  return static_cast<int64_t>(done);
}

}  // namespace salvonix
