#pragma once
// Fixtures made in code: temporary folders, disk images (sparse where large)
// with bytes placed at chosen offsets, and a scan over such an image.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "output/RecoveredFileSaver.h"
#include "scan/FileTypes.h"
#include "scan/ScanContext.h"
#include "scan/ScanObserver.h"
#include "scan/Scanning.h"

namespace salvonix::test {

using Bytes = std::vector<uint8_t>;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A disk image file of a given size; unwritten parts read as zeros.
class TestImage {
 public:
  TestImage(std::string path, uint64_t size);
  void put(uint64_t offset, const Bytes& bytes) const;
  void putAtSector(uint64_t sector, const Bytes& bytes, uint32_t bytesPerSector = 512) const {
    put(sector * bytesPerSector, bytes);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

Bytes readFile(const std::string& path);
Bytes randomBytes(std::size_t count, uint32_t seed);
void putLE32(Bytes& bytes, std::size_t at, uint32_t value);
void putBE32(Bytes& bytes, std::size_t at, uint32_t value);
void putBE16(Bytes& bytes, std::size_t at, uint32_t value);
// A bitmap of this size: its header, then random bytes.
Bytes bmpFile(uint32_t size, uint32_t seed);

// Front end that records what the engine, or saving, tells it.
class RecordingObserver : public ScanObserver, public SaveObserver {
 public:
  explicit RecordingObserver(std::initializer_list<FileType> types = {});
  void reconstructAfterRescan() override { events.push_back("reconstructAfterRescan"); }
  void refreshRecoveredFiles() override {
    events.push_back("refreshRecoveredFiles");
    if (onFind) onFind();
  }
  void expandRecoveredFilesTree() override { events.push_back("expandRecoveredFilesTree"); }
  void scanningCompleted() override { events.push_back("scanningCompleted"); }
  int showAlert(const Alert& alert) override {
    alerts.push_back(alert.title + "|" + alert.text);
    return 0;
  }

  TypeSet selected{};  // what the helpers below scan for
  std::function<void()> onFind;  // runs on the scanning thread after each find
  std::vector<std::string> events;
  std::vector<std::string> alerts;
};

struct FoundFile {
  std::string folder;
  std::string name;
  uint64_t sector;
  uint64_t size;
  int32_t extraBytesToMove;
};

// One scan of an image with the given types, run on the calling thread.
struct ScanRun {
  ScanRun(const std::string& imagePath, std::initializer_list<FileType> types, uint32_t bytesPerSector = 512);
  void run() { engine.scanningThread(observer.selected); }
  std::vector<FoundFile> found() const;

  ScanContext context;
  RecordingObserver observer;
  Scanning engine;
};

// Runs scans and returns what was found.
std::vector<FoundFile> scanImage(const std::string& imagePath, std::initializer_list<FileType> types,
                                 uint32_t bytesPerSector = 512);

// A checker over an image, for header and size tests of one type.
struct CheckerRun {
  CheckerRun(const std::string& imagePath, FileType type, uint32_t bytesPerSector = 512);
  // isFile on the sector's first 25 bytes; then, if it answered yes, the size (0 otherwise).
  bool isFile(uint64_t sector);
  uint64_t size(uint64_t sector);

  ScanContext context;
  std::unique_ptr<FileCheck> checker;
  std::string imagePath;
};

}  // namespace salvonix::test
