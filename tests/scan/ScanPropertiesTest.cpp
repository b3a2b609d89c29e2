// Properties of whole scans with the real checkers: moving every file by N
// sectors moves every find by exactly N, and the engine's first-byte dispatch
// finds exactly what asking every checker would.

#include <gtest/gtest.h>

#include "checkers/JpegBuilder.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

struct Placed {
  uint64_t sector;
  Bytes bytes;
};

std::vector<Placed> sampleFiles() {
  Bytes wav(9000, 0x20);
  std::copy_n("RIFF\0\0\0\0WAVEfmt ", 16, wav.begin());
  test::putLE32(wav, 4, 9000 - 8);
  Bytes avi(20000, 0x30);
  std::copy_n("RIFF\0\0\0\0AVI LIST", 16, avi.begin());
  test::putLE32(avi, 4, 20000 - 8);
  return {
      {3, test::buildJpeg({.entropyBytes = 100000})},
      {300, test::bmpFile(3000, 1)},
      {310, wav},
      {335, test::buildJpeg({.segmentLengths = {30000, 40000}, .entropyBytes = 90000, .seed = 9})},
      {900, avi},
      {1100, test::buildJpeg({.firstMarker = 0xE1, .entropyBytes = 5000, .seed = 3})},
  };
}

std::string makeImage(const test::TempDir& dir, const std::string& name, uint64_t shift, uint32_t bytesPerSector) {
  const uint64_t sectors = 3000 + shift;
  test::TestImage image(dir.file(name), sectors * bytesPerSector);
  image.put(0, test::randomBytes(sectors * bytesPerSector, 11));
  for (const auto& file : sampleFiles()) image.putAtSector(file.sector + shift, file.bytes, bytesPerSector);
  return image.path();
}

TEST(ScanProperties, ShiftingTheImageShiftsEveryFind) {
  test::TempDir dir;
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    const auto base = test::scanImage(makeImage(dir, "base.img", 0, bytesPerSector),
                                      {FileType::Bmp, FileType::Wav, FileType::Avi, FileType::Jpg}, bytesPerSector);
    ASSERT_GE(base.size(), sampleFiles().size());
    for (uint64_t shift : {1, 7, 15, 16, 17, 127, 128, 129, 1000}) {
      const auto moved = test::scanImage(makeImage(dir, "moved.img", shift, bytesPerSector),
                                         {FileType::Bmp, FileType::Wav, FileType::Avi, FileType::Jpg}, bytesPerSector);
      // Finds in the random prefix aside, the same files at shifted sectors.
      std::vector<test::FoundFile> relevant;
      for (const auto& file : moved)
        if (file.sector >= shift) relevant.push_back(file);
      ASSERT_EQ(relevant.size(), base.size()) << "shift " << shift << " sector size " << bytesPerSector;
      for (std::size_t i = 0; i < base.size(); ++i) {
        EXPECT_EQ(relevant[i].sector, base[i].sector + shift) << "shift " << shift;
        EXPECT_EQ(relevant[i].size, base[i].size) << "shift " << shift;
      }
    }
  }
}

// Asks the wrapped checker for every first byte.
class AskAlways final : public FileCheck {
 public:
  explicit AskAlways(std::unique_ptr<FileCheck> inner) : inner_(std::move(inner)) {}
  bool isFile(SectorHeader h, uint64_t s) override { return inner_->isFile(h, s); }
  uint64_t fileSizeCalculation(SectorHeader h, uint64_t s) override { return inner_->fileSizeCalculation(h, s); }
  uint32_t firstByteOfHeader() const override { return inner_->firstByteOfHeader(); }
  std::string_view parentKey() override { return inner_->parentKey(); }
  std::string_view extensionOfFile() const override { return inner_->extensionOfFile(); }

 private:
  std::unique_ptr<FileCheck> inner_;
};

TEST(ScanProperties, FirstByteDispatchFindsWhatAskingEveryCheckerFinds) {
  test::TempDir dir;
  const std::string image = makeImage(dir, "d.img", 5, 512);
  auto scan = [&](bool askAlways) {
    test::ScanRun run(image, {});
    for (const auto& row : fileTypeTable()) run.observer.selected[rowIndex(row.type)] = row.create != nullptr;
    if (askAlways)
      run.engine.setCheckerMaker([](const FileTypeRow& row, ScanContext& context) -> std::unique_ptr<FileCheck> {
        return std::make_unique<AskAlways>(row.create(context));
      });
    run.run();
    return run.found();
  };
  const auto fast = scan(false);
  const auto full = scan(true);
  ASSERT_EQ(fast.size(), full.size());
  for (std::size_t i = 0; i < fast.size(); ++i) {
    EXPECT_EQ(fast[i].name, full[i].name);
    EXPECT_EQ(fast[i].sector, full[i].sector);
    EXPECT_EQ(fast[i].size, full[i].size);
  }
}

}  // namespace
}  // namespace salvonix
