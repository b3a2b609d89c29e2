// The whole engine, every type selected, over a device made of the input.
// One engine and one checker per type serve every run, as one scan serves
// every sector.

#include "fuzz/FuzzDevice.h"
#include "scan/Scanning.h"

namespace salvonix::fuzz {
namespace {

// Hands the engine a checker made once, for the engine to own for one scan.
class BorrowedCheck final : public FileCheck {
 public:
  explicit BorrowedCheck(FileCheck& check) : check_(check) {}
  bool isFile(SectorHeader header, uint64_t sector) override { return check_.isFile(header, sector); }
  uint64_t fileSizeCalculation(SectorHeader header, uint64_t sector) override {
    return check_.fileSizeCalculation(header, sector);
  }
  uint32_t firstByteOfHeader() const override { return check_.firstByteOfHeader(); }
  std::string_view parentKey() override { return check_.parentKey(); }
  void closeFile() override { check_.closeFile(); }
  std::string_view extensionOfFile() const override { return check_.extensionOfFile(); }
  bool mayStartWith(uint8_t firstByte) const override { return check_.mayStartWith(firstByte); }

 private:
  FileCheck& check_;
};

class SilentObserver final : public ScanObserver {
  int showAlert(const Alert&) override { return 0; }
};

struct Engine : Checkers {
  Engine() {
    scanning.setCheckerMaker([this](const FileTypeRow& row, ScanContext&) -> std::unique_ptr<FileCheck> {
      return std::make_unique<BorrowedCheck>(*checks[rowIndex(row.type)]);
    });
    allTypes.fill(true);
  }
  SilentObserver observer;
  Scanning scanning{context, observer};
  TypeSet allTypes{};
};

}  // namespace
}  // namespace salvonix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace salvonix;
  static fuzz::Engine engine;
  auto device = std::make_shared<fuzz::MemoryDevice>(data, size);
  engine.context.deviceOpener = [device](const std::string&) { return device; };
  engine.setDriveOf(data, size);
  engine.scanning.scanningThread(engine.allTypes);
  return 0;
}
