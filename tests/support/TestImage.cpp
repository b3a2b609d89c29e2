#include "support/TestImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#include "scan/Device.h"

namespace salvonix::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "salvonix-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

TestImage::TestImage(std::string path, uint64_t size) : path_(std::move(path)) {
  int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) throw std::runtime_error("cannot create " + path_);
  ::close(fd);
}

void TestImage::put(uint64_t offset, const Bytes& bytes) const {
  int fd = ::open(path_.c_str(), O_WRONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + path_);
  const bool ok = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                  static_cast<ssize_t>(bytes.size());
  ::close(fd);
  if (!ok) throw std::runtime_error("cannot write " + path_);
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes randomBytes(std::size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes bytes(count);
  for (auto& byte : bytes) byte = static_cast<uint8_t>(generator());
  return bytes;
}

void putLE32(Bytes& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

Bytes bmpFile(uint32_t size, uint32_t seed) {
  Bytes bytes = randomBytes(size, seed);
  bytes[0] = 'B';
  bytes[1] = 'M';
  putLE32(bytes, 2, size);
  std::fill(bytes.begin() + 6, bytes.begin() + 10, 0);
  return bytes;
}

void putBE32(Bytes& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void putBE16(Bytes& bytes, std::size_t at, uint32_t value) {
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value);
}

RecordingObserver::RecordingObserver(std::initializer_list<FileType> types) {
  for (FileType type : types) selected[rowIndex(type)] = true;
}

ScanRun::ScanRun(const std::string& imagePath, std::initializer_list<FileType> types, uint32_t bytesPerSector)
    : observer(types), engine(context, observer) {
  context.selectedDriveMountPoint = imagePath;
  context.u32BytesInSector = bytesPerSector;
  auto device = Device::open(imagePath);
  context.u64DriveSectorNumber = device ? sectorsCovering(device->sizeInBytes(), bytesPerSector) : 0;
  engine.setProgressInterval(std::chrono::milliseconds(0));
}

std::vector<FoundFile> ScanRun::found() const {
  std::vector<FoundFile> files;
  for (const auto& folder : engine.dirRoot()->children)
    for (const auto& file : folder->children)
      files.push_back({folder->fileName, file->fileName, file->sectorNumber, file->fileSize, file->extraBytesToMove});
  return files;
}

std::vector<FoundFile> scanImage(const std::string& imagePath, std::initializer_list<FileType> types,
                                 uint32_t bytesPerSector) {
  ScanRun scan(imagePath, types, bytesPerSector);
  scan.run();
  return scan.found();
}

CheckerRun::CheckerRun(const std::string& path, FileType type, uint32_t bytesPerSector) : imagePath(path) {
  context.cDriveMountedPath = path;
  context.u32BytesInSector = bytesPerSector;
  auto device = Device::open(path);
  context.u64DriveSectorNumber = device ? sectorsCovering(device->sizeInBytes(), bytesPerSector) : 0;
  checker = fileTypeRow(type).create(context);
}

bool CheckerRun::isFile(uint64_t sector) {
  uint8_t header[kSectorHeaderSize] = {};
  if (auto device = Device::open(imagePath)) device->readAt(sector * context.u32BytesInSector, header, sizeof header);
  return checker->isFile(SectorHeader(header, kSectorHeaderSize), sector);
}

uint64_t CheckerRun::size(uint64_t sector) {
  uint8_t header[kSectorHeaderSize] = {};
  if (auto device = Device::open(imagePath)) device->readAt(sector * context.u32BytesInSector, header, sizeof header);
  const SectorHeader view(header, kSectorHeaderSize);
  return checker->isFile(view, sector) ? checker->fileSizeCalculation(view, sector) : 0;
}

}  // namespace salvonix::test
