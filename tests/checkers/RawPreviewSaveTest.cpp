#include <gtest/gtest.h>

#include "checkers/ScanAndSave.h"
#include "support/EndianWriter.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kMiB = 1048576;

// A little-endian CRW at `at` whose trailer lies 1 MiB + 4,000 bytes in and
// whose preview starts at `previewStart`.
void putCrw(const TestImage& image, uint64_t at, uint64_t previewStart, const Bytes& preview) {
  const EndianWriter w(image, at, true);
  w.text(0, "II");
  w.u32(2, 26);
  w.text(6, "HEAPCCDR");
  const uint64_t trailer = kMiB + 4000;
  const uint64_t table = trailer - 32;
  w.u16(table, 3);
  w.u16(table + 12, 0x2007);
  w.u32(table + 14, static_cast<uint32_t>(preview.size()));
  w.u32(table + 18, static_cast<uint32_t>(previewStart - 26));
  w.u32(trailer, static_cast<uint32_t>(table - 26));
  w.bytes(previewStart, preview);
}

void putRaf(const TestImage& image, uint64_t at, uint64_t previewStart, const Bytes& preview) {
  const EndianWriter w(image, at, false);
  w.text(0, "FUJIFILMCCD-RAW 0201");
  w.u32(84, static_cast<uint32_t>(previewStart));
  w.u32(88, static_cast<uint32_t>(preview.size()));
  w.u32(100, 20000);
  w.u32(104, 30000);
  w.bytes(previewStart, preview);
}

// An X3F whose image section at 232 holds the preview and whose directory of
// one entry lies at 20,000.
void putX3f(const TestImage& image, uint64_t at, const Bytes& preview) {
  const EndianWriter w(image, at, true);
  w.text(0, "FOVb");
  w.text(232, "SECi");
  w.bytes(260, preview);
  w.text(20000, "SECd");
  w.u32(20008, 1);
  w.u32(20012, 232);
  w.u32(20016, static_cast<uint32_t>(preview.size()));
  w.u32(20024, 20000);
}

TEST(RawPreviewSave, PreviewsAreSavedAsTheJpegsTheyAre) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * kMiB);
  const Bytes crwPreview = sampleJpeg(3000, 11);
  const Bytes rafPreview = sampleJpeg(4000, 12);
  const Bytes x3fPreview = sampleJpeg(5000, 13);
  putCrw(image, 0, 100003, crwPreview);
  putRaf(image, 2 * kMiB, 5001, rafPreview);
  putX3f(image, 3 * kMiB, x3fPreview);

  const SavedScan scan = scanAndSave(image.path(), {FileType::Raf, FileType::X3f, FileType::Crw}, dir.file("out"));
  EXPECT_TRUE(scan.alerts.empty());
  std::vector<std::string> names;
  for (const FoundFile& file : scan.found) names.push_back(file.folder + "/" + file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"CRW Files/file1.crw", "RAW Jpg Files/file - Raw Jpg1.jpg",
                                             "RAW Jpg Files/file - Raw Jpg2.jpg", "RAW Jpg Files/file - Raw Jpg3.jpg",
                                             "RAF Files/file1.raf", "X3F Files/file1.x3f"}));

  const Bytes* expected[] = {&crwPreview, &rafPreview, &x3fPreview};
  for (int i = 0; i < 3; ++i) {
    const FoundFile& file = scan.found[1 + i];
    const Bytes& saved = scan.saved.at(file.folder + "/" + file.name);
    ASSERT_EQ(saved.size(), file.size) << file.name;
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved[0], 0xFF);
    EXPECT_EQ(saved[1], 0xD8);
    EXPECT_EQ(saved, *expected[i]) << file.name;
  }
  EXPECT_EQ(scan.saved.at("CRW Files/file1.crw").size(), kMiB + 4004);
  EXPECT_EQ(scan.saved.at("RAF Files/file1.raf").size(), 50512u);
  EXPECT_EQ(scan.saved.at("X3F Files/file1.x3f").size(), 20000u + 16 + 12);
}

}  // namespace
}  // namespace salvonix::test
