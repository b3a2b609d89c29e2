// A found file must not hide the next: a skip over a file whose length was
// estimated ends where a whole file of another type starts inside it; what a
// file holds as its own parts stays hidden; a file that is not recorded
// skips nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "checkers/ByteBuilder.h"
#include "checkers/JpegBuilder.h"
#include "scan/SpyChecker.h"

namespace salvonix {
namespace {

using test::Bytes;
using test::FoundFile;

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

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
      if (!run("command -v " + tool)) GTEST_SKIP() << tool << " is not installed";
    const std::string d = dir.path().string() + "/";
    ASSERT_TRUE(run("sox -n -r 44100 -c 1 " + d + "tone.wav synth 2 sine 440"));
    ASSERT_TRUE(run("lame --quiet --add-id3v2 --tt Salvonix " + d + "tone.wav " + d + "song.mp3"));
    ASSERT_TRUE(run("lame --quiet " + d + "tone.wav " + d + "frames.mp3"));
    ASSERT_TRUE(run("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=10 -t 2 -c:v mpeg4 -brand 'M4V ' -f mp4 " +
                    d + "clip.m4v"));
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
  tag.bytes.insert(tag.bytes.end(), jpeg.begin(), jpeg.end());
  const auto size = static_cast<uint32_t>(tag.size());
  test::ByteBuilder file;
  file.text("ID3").u8(3).u8(0).u8(0).u8((size >> 21) & 0x7F).u8((size >> 14) & 0x7F).u8((size >> 7) & 0x7F);
  file.u8(size & 0x7F);
  file.bytes.insert(file.bytes.end(), tag.bytes.begin(), tag.bytes.end());
  file.bytes.insert(file.bytes.end(), frames.begin(), frames.end());
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
