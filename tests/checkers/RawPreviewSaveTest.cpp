#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "checkers/ScanAndSave.h"
#include "checkers/TiffFixture.h"
#include "support/SampleJpeg.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kMiB = 1048576;

// Previews of CRW, CR2, RAF and X3F files, each starting inside a sector, are
// listed and saved as exactly the JPEGs they are.
TEST(RawPreviewSave, PreviewsAreSavedAsTheJpegsTheyAre) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * kMiB);
  const Bytes crwPreview = sampleJpeg(3000, 11), cr2Preview = previewJpeg(20000);
  const Bytes rafPreview = sampleJpeg(4000, 12), x3fPreview = sampleJpeg(5000, 13);
  putCrw(image, 0, {.trailer = kMiB + 4000, .previewSize = 3000, .previewStart = 100003, .preview = crwPreview});
  TiffBuilder cr2;
  cr2.putBytes(8, {'C', 'R', 2, 0});
  cr2.chain({{cr2.string(kMake, "Canon"), longValue(kStripOffsets, 0x2345), longValue(kStripByteCounts, 20000)},
             strip(0x8000, 0x4000)});
  cr2.putBytes(0x2345, cr2Preview);
  image.put(kMiB + kMiB / 2, cr2.bytes());
  putRaf(image, 2 * kMiB, {.previewOffset = 5001, .previewLength = 4000, .cfaOffset = 20000, .cfaLength = 30000});
  image.put(2 * kMiB + 5001, rafPreview);
  putX3f(image, 3 * kMiB, {.directory = 20000, .entries = 1, .entry0Length = 5000});
  image.put(3 * kMiB + 260, x3fPreview);

  const SavedScan scan =
      scanAndSave(image.path(), {FileType::Raf, FileType::X3f, FileType::Cr2, FileType::Crw}, dir.file("out"));
  EXPECT_TRUE(scan.alerts.empty());
  std::vector<std::string> names;
  for (const FoundFile& file : scan.found) names.push_back(file.folder + "/" + file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"CRW Files/file1.crw", "RAW Jpg Files/file - Raw Jpg1.jpg",
                                             "RAW Jpg Files/file - Raw Jpg2.jpg", "RAW Jpg Files/file - Raw Jpg3.jpg",
                                             "RAW Jpg Files/file - Raw Jpg4.jpg", "CR2 Files/file1.cr2",
                                             "RAF Files/file1.raf", "X3F Files/file1.x3f"}));
  const Bytes* expected[] = {&crwPreview, &cr2Preview, &rafPreview, &x3fPreview};
  for (int i = 0; i < 4; ++i) {
    const FoundFile& file = scan.found[1 + i];
    const Bytes& saved = scan.saved.at(file.folder + "/" + file.name);
    ASSERT_EQ(saved.size(), file.size) << file.name;
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved[0], 0xFF);
    EXPECT_EQ(saved[1], 0xD8);
    EXPECT_EQ(saved, *expected[i]) << file.name;
  }
}

}  // namespace
}  // namespace salvonix::test
