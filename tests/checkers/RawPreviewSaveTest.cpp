#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "checkers/ScanAndSave.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kMiB = 1048576;

TEST(RawPreviewSave, PreviewsAreSavedAsTheJpegsTheyAre) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * kMiB);
  CrwFile crw;
  crw.trailer = kMiB + 4000;
  crw.previewStart = 100003;
  crw.preview = sampleJpeg(3000, 11);
  crw.previewSize = 3000;
  putCrw(image, 0, crw);
  RafFile raf;
  raf.previewOffset = 5001;
  raf.previewLength = 4000;
  raf.cfaOffset = 20000;
  raf.cfaLength = 30000;
  putRaf(image, 2 * kMiB, raf);
  const Bytes rafPreview = sampleJpeg(4000, 12);
  image.put(2 * kMiB + 5001, rafPreview);
  X3fFile x3f;
  x3f.directory = 20000;
  x3f.entries = 1;
  x3f.entry0Length = 5000;
  putX3f(image, 3 * kMiB, x3f);
  const Bytes x3fPreview = sampleJpeg(5000, 13);
  image.put(3 * kMiB + 260, x3fPreview);

  const SavedScan scan = scanAndSave(image.path(), {FileType::Raf, FileType::X3f, FileType::Crw}, dir.file("out"));
  EXPECT_TRUE(scan.alerts.empty());
  std::vector<std::string> names;
  for (const FoundFile& file : scan.found) names.push_back(file.folder + "/" + file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"CRW Files/file1.crw", "RAW Jpg Files/file - Raw Jpg1.jpg",
                                             "RAW Jpg Files/file - Raw Jpg2.jpg", "RAW Jpg Files/file - Raw Jpg3.jpg",
                                             "RAF Files/file1.raf", "X3F Files/file1.x3f"}));

  const Bytes* expected[] = {&crw.preview, &rafPreview, &x3fPreview};
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
