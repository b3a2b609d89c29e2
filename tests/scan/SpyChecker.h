#pragma once
// Checkers that record which sectors they were asked about and claim the
// files a test plans, so the engine's own rules can be observed.

#include <map>
#include <mutex>
#include <vector>

#include "checkers/FileCheck.h"
#include "scan/FileTypes.h"
#include "scan/Scanning.h"

namespace salvonix::test {

// The first signature byte of the row's real checker.
inline uint32_t firstByteOfRow(FileType type) {
  ScanContext context;
  const FileTypeRow& row = fileTypeRow(type);
  return row.create ? row.create(context)->firstByteOfHeader() : 0;
}

struct PlannedFile {
  uint64_t size = 0;
  bool skip = false;             // ask the engine to jump over it
  uint64_t previewSize = 0;      // a preview-JPEG report of this size, if non-zero
  uint64_t previewSector = 0;
  uint32_t previewExtra = 0;
};

struct SpyLog {
  std::mutex mutex;
  std::vector<std::pair<FileType, uint64_t>> asked;  // (type, sector) in asking order
  std::map<std::pair<FileType, uint64_t>, PlannedFile> plan;
  std::map<uint64_t, uint64_t> stamps;  // sector -> the first 8 header bytes seen for it

  std::vector<FileType> askedAt(uint64_t sector) {
    std::lock_guard lock(mutex);
    std::vector<FileType> types;
    for (auto& [type, s] : asked)
      if (s == sector) types.push_back(type);
    return types;
  }
  std::vector<uint64_t> sectorsAsked() {
    std::lock_guard lock(mutex);
    std::vector<uint64_t> sectors;
    for (auto& [type, s] : asked)
      if (sectors.empty() || sectors.back() != s) sectors.push_back(s);
    return sectors;
  }
};

class SpyCheck final : public FileCheck {
 public:
  SpyCheck(FileType type, ScanContext& context, SpyLog& log)
      : type_(type), firstByte_(firstByteOfRow(type)), context_(context), log_(log) {}
  bool isFile(SectorHeader header, uint64_t sector) override {
    std::lock_guard lock(log_.mutex);
    log_.asked.emplace_back(type_, sector);
    uint64_t stamp = 0;
    for (int i = 7; i >= 0; --i) stamp = (stamp << 8) | header[i];
    log_.stamps[sector] = stamp;
    return log_.plan.count({type_, sector}) > 0;
  }
  uint64_t fileSizeCalculation(SectorHeader, uint64_t sector) override {
    std::lock_guard lock(log_.mutex);
    const PlannedFile& file = log_.plan.at({type_, sector});
    context_.bSkipFileSize = file.skip;
    if (file.previewSize) {
      context_.bRawJpgFileFound = true;
      context_.u64RawJpgFileSize = file.previewSize;
      context_.u64RawJpgFileSectorNumber = file.previewSector;
      context_.uExtraBytesOfJpgFileOffset = file.previewExtra;
    }
    return file.size;
  }
  uint32_t firstByteOfHeader() const override { return firstByte_; }
  std::string_view parentKey() override { return fileTypeRow(type_).key; }

 private:
  FileType type_;
  uint32_t firstByte_;
  ScanContext& context_;
  SpyLog& log_;
};

inline void useSpies(Scanning& engine, SpyLog& log) {
  engine.setCheckerMaker([&log](const FileTypeRow& row, ScanContext& context) -> std::unique_ptr<FileCheck> {
    return std::make_unique<SpyCheck>(row.type, context, log);
  });
}

}  // namespace salvonix::test
