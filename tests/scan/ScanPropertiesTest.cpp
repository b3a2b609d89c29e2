// Whole scans with the real checkers: finds move with the data, the first-byte dispatch
// finds what asking every checker would, and a found file does not hide the next.

#include <gtest/gtest.h>

#include <algorithm>

#include "checkers/ByteBuilder.h"
#include "checkers/JpegBuilder.h"
#include "scan/SpyChecker.h"
#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;
using test::commandSucceeds;
using test::FoundFile;

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

std::vector<std::pair<uint64_t, uint64_t>> sectorsAndSizes(const std::vector<FoundFile>& found) {
  std::vector<std::pair<uint64_t, uint64_t>> out;
  for (const FoundFile& f : found) out.emplace_back(f.sector, f.size);
  std::sort(out.begin(), out.end());
  return out;
}

class HiddenFile : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string tool : {"sox", "lame", "ffmpeg"})
      if (!commandSucceeds("command -v " + tool)) GTEST_SKIP() << tool << " is not installed";
    const std::string d = dir.path().string() + "/";
    ASSERT_TRUE(commandSucceeds("sox -n -r 44100 -c 1 " + d + "tone.wav synth 2 sine 440"));
    ASSERT_TRUE(commandSucceeds("lame --quiet --add-id3v2 --tt Salvonix " + d + "tone.wav " + d + "song.mp3"));
    ASSERT_TRUE(commandSucceeds("lame --quiet " + d + "tone.wav " + d + "frames.mp3"));
    ASSERT_TRUE(commandSucceeds("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=10 -t 2 -c:v mpeg4 "
                                "-brand 'M4V ' -f mp4 " + d + "clip.m4v"));
    mp3 = test::readFile(d + "song.mp3");
    frames = test::readFile(d + "frames.mp3");
    m4v = test::readFile(d + "clip.m4v");
  }

  test::TempDir dir;
  Bytes mp3, frames, m4v;
};

TEST_F(HiddenFile, VideoRightAfterAnMp3WhoseWalkRunsOnIsFound) {
  constexpr uint64_t kMp3 = 10;
  const uint64_t m4vSector = kMp3 + (mp3.size() + 511) / 512;
  test::TestImage image(dir.file("card.img"), (m4vSector + 400) * 512);
  image.putAtSector(kMp3, mp3);
  image.putAtSector(m4vSector, m4v);
  // The MP3 walk alone runs on into the video.
  ASSERT_GT(test::CheckerRun(image.path(), FileType::Mp3).size(kMp3), (m4vSector - kMp3) * 512);

  const auto found = test::scanImage(image.path(), {FileType::Mp3, FileType::M4v, FileType::Jpg});
  EXPECT_EQ(sectorsAndSizes(found), (std::vector<std::pair<uint64_t, uint64_t>>{
                                        {kMp3, (m4vSector - kMp3) * 512}, {m4vSector, m4v.size() + 512}}));
}

TEST_F(HiddenFile, PicturesInAnMp3TagStayPartOfIt) {
  // An ID3v2 tag whose cover picture (a whole JPEG) starts at byte 1,024, then the frames.
  const Bytes jpeg = test::buildJpeg({});
  test::ByteBuilder tag;
  tag.text("PRIV").be32(980).be16(0).fill(980, 0);
  tag.text("APIC").be32(static_cast<uint32_t>(14 + jpeg.size())).be16(0).u8(0).text("image/jpeg").u8(0).u8(3).u8(0);
  tag.append(jpeg);
  test::ByteBuilder file;
  file.text("ID3").u8(3).u8(0).u8(0).synchsafe(static_cast<uint32_t>(tag.size())).append(tag.bytes).append(frames);
  ASSERT_EQ(file.bytes[1024], 0xFF);
  test::TestImage image(dir.file("card.img"), 2u << 20);
  image.putAtSector(4, file.bytes);
  const auto found = test::scanImage(image.path(), {FileType::Mp3, FileType::Jpg});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].folder, "MP3 Files");
}

TEST(HiddenFileEngine, FileOfADefaultLengthEndsWhereAWholeJpegStarts) {
  test::TempDir dir;
  const Bytes jpeg = test::buildJpeg({.entropyBytes = 20000});
  test::TestImage image(dir.file("card.img"), 1u << 20);
  Bytes broken = test::buildJpeg({});
  broken[4 + 16] = 0x12;  // the marker chain breaks: measured, but not whole
  image.putAtSector(100, broken);
  image.putAtSector(300, jpeg);
  test::SpyLog log;
  test::ScanRun scan(image.path(), {FileType::Mpg, FileType::Jpg});
  scan.engine.setCheckerMaker([&log](const FileTypeRow& row, ScanContext& context) -> std::unique_ptr<FileCheck> {
    if (row.type == FileType::Mpg) return std::make_unique<test::SpyCheck>(row.type, context, log);
    return row.create(context);
  });
  log.plan[{FileType::Mpg, 0}] = test::PlannedFile{15728640, true};  // the default of a failed walk
  scan.run();
  EXPECT_EQ(sectorsAndSizes(scan.found()), (std::vector<std::pair<uint64_t, uint64_t>>{
                                               {0, 300 * 512}, {300, test::jpegSize(jpeg)}}));
}

// A checker whose type has no folder: its hit is dropped and skips nothing.
TEST(HiddenFileEngine, UnrecordedHitSkipsNothing) {
  struct StrayCheck final : FileCheck {
    bool isFile(SectorHeader, uint64_t sector) override { return sector == 2; }
    uint64_t fileSizeCalculation(SectorHeader, uint64_t) override {
      skip = true;
      return 1u << 20;
    }
    uint32_t firstByteOfHeader() const override { return 0; }
    std::string_view parentKey() override { return "bmp"; }
    bool& skip;
    explicit StrayCheck(bool& s) : skip(s) {}
  };
  test::TempDir dir;
  const Bytes jpeg = test::buildJpeg({});
  test::TestImage image(dir.file("card.img"), 4u << 20);
  image.putAtSector(40, jpeg);
  test::ScanRun scan(image.path(), {FileType::Mpg, FileType::Jpg});
  scan.engine.setCheckerMaker([](const FileTypeRow& row, ScanContext& context) -> std::unique_ptr<FileCheck> {
    if (row.type == FileType::Mpg) return std::make_unique<StrayCheck>(context.bSkipFileSize);
    return row.create(context);
  });
  scan.run();
  EXPECT_EQ(sectorsAndSizes(scan.found()),
            (std::vector<std::pair<uint64_t, uint64_t>>{{40, test::jpegSize(jpeg)}}));
}

}  // namespace
}  // namespace salvonix
