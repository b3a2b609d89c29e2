// JPEG: signature variants, the marker walk, the end-marker search across
// windows, broken chains and the 25 MiB cap.

#include <gtest/gtest.h>

#include "checkers/JpegBuilder.h"

namespace salvonix {
namespace {

using test::Bytes;

struct JpegOnImage {
  explicit JpegOnImage(const Bytes& jpeg, uint64_t sector = 3, uint32_t bytesPerSector = 512,
                       uint64_t imageSize = 8u << 20)
      : image(dir.file("d.img"), imageSize), at(sector) {
    image.putAtSector(sector, jpeg, bytesPerSector);
    run = std::make_unique<test::CheckerRun>(image.path(), FileType::Jpg, bytesPerSector);
  }
  uint64_t size() { return run->size(at); }
  test::TempDir dir;
  test::TestImage image;
  uint64_t at;
  std::unique_ptr<test::CheckerRun> run;
};

TEST(JpgFileCheck, SignatureNeedsAnApplicationSegmentOrATableOrComment) {
  for (uint8_t marker : {0xE0, 0xE1, 0xE2, 0xEC, 0xED, 0xEF, 0xDB, 0xC4, 0xFE}) {
    JpegOnImage file(test::buildJpeg({marker}));
    EXPECT_TRUE(file.run->isFile(3)) << int(marker);
  }
  for (uint8_t marker : {0xDF, 0xF0, 0xD9, 0x00}) {
    JpegOnImage file(test::buildJpeg({marker}));
    EXPECT_FALSE(file.run->isFile(3)) << int(marker);
  }
}

TEST(JpgFileCheck, CompleteFileEndsFiveHundredTwelveBytesAfterItsEndMarker) {
  const Bytes jpeg = test::buildJpeg({});
  JpegOnImage file(jpeg);
  EXPECT_EQ(file.size(), test::jpegSize(jpeg));

  // End marker at offset 10,000 gives 10,514.
  Bytes exact = test::buildJpeg({.endMarker = false});
  exact.resize(10000, 0x11);
  exact.insert(exact.end(), {0xFF, 0xD9});
  JpegOnImage tenThousand(exact);
  EXPECT_EQ(tenThousand.size(), 10514u);
}

TEST(JpgFileCheck, ZeroSegmentLengthAdvancesByTwo) {
  // FFD8 FFE0 0000 FFDA ... : the zero length steps two bytes to the next marker.
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x04, 0x01, 0x02, 0xFF, 0xD9};
  JpegOnImage file(jpeg);
  EXPECT_EQ(file.size(), 12u + 514);
}

TEST(JpgFileCheck, BrokenChainKeepsTheFileUpToTheMissingMarker) {
  Bytes jpeg = test::buildJpeg({});
  jpeg[4 + 16] = 0x12;  // where the second marker should be
  JpegOnImage file(jpeg);
  EXPECT_EQ(file.size(), 4u + 16 + 2);
}

TEST(JpgFileCheck, MarkerWalkAndSearchCrossWindowEdges) {
  // Segments of 60,000 bytes: the third marker lies beyond the first window.
  const Bytes jpeg = test::buildJpeg({.segmentLengths = {60000, 60000, 17}, .entropyBytes = 200000});
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    JpegOnImage file(jpeg, 1, bytesPerSector);
    EXPECT_EQ(file.size(), test::jpegSize(jpeg)) << bytesPerSector;
  }
}

TEST(JpgFileCheck, EndMarkerStraddlingTheWindowEdgeIsFound) {
  Bytes jpeg = test::buildJpeg({.endMarker = false});
  jpeg.resize(65535, 0x22);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  JpegOnImage file(jpeg);
  EXPECT_EQ(file.size(), 65535u + 514);
}

TEST(JpgFileCheck, ScanStartingRightAtTheWindowEdgeStaysInBounds) {
  // A segment ending exactly at 65,534 puts the start of scan's length at 65,536.
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0};
  jpeg.push_back(0xFF);
  jpeg.push_back(0xFA);  // length 65,530: next marker at 65,534
  jpeg.resize(65534, 0x33);
  jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x00, 0x04, 0x44, 0x55});
  jpeg.resize(70000, 0x66);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  JpegOnImage file(jpeg);
  EXPECT_EQ(file.size(), 70000u + 514);
}

TEST(JpgFileCheck, NoEndMarkerWithinTwentyFiveMiBIsRecordedAsFiveMiB) {
  Bytes jpeg = test::buildJpeg({.endMarker = false});
  JpegOnImage file(jpeg, 3, 512, 40u << 20);
  file.image.putAtSector(3 + jpeg.size() / 512 + 1, Bytes(30u << 20, 0x11));
  EXPECT_EQ(file.size(), 5242880u);

  // An end marker right at the cap is still found.
  Bytes atCap = jpeg;
  atCap.resize(26214400, 0x11);
  atCap.insert(atCap.end(), {0xFF, 0xD9});
  JpegOnImage capped(atCap, 3, 512, 40u << 20);
  EXPECT_EQ(capped.size(), 26214400u + 514);
}

TEST(JpgFileCheck, ReadFailureGivesZeroAndCancelGivesTheSizeSoFar) {
  const Bytes jpeg = test::buildJpeg({.entropyBytes = 300000});
  JpegOnImage file(jpeg);
  file.run->context.cDriveMountedPath = "/nonexistent";
  EXPECT_EQ(file.size(), 0u);
  file.run->context.cDriveMountedPath = file.image.path();
  file.run->context.bCancelScanning = true;
  EXPECT_EQ(file.size(), 4u);
}

}  // namespace
}  // namespace salvonix
