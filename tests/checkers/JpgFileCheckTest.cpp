// JPEG: signature variants, the marker walk, the end-marker search across
// windows, broken chains and the 25 MiB cap.

#include <gtest/gtest.h>

#include <tuple>

#include "checkers/ByteBuilder.h"
#include "checkers/JpegBuilder.h"

namespace salvonix::test {
namespace {

// A JPEG whose end marker lies at `at`, the bytes before it filled with `fill`.
Bytes endMarkerAt(std::size_t at, uint8_t fill) {
  Bytes jpeg = buildJpeg({.endMarker = false});
  jpeg.resize(at, fill);
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  return jpeg;
}

TEST(JpgFileCheck, SignatureNeedsAnApplicationSegmentOrATableOrComment) {
  for (uint8_t marker : {0xE0, 0xE1, 0xE2, 0xEC, 0xED, 0xEF, 0xDB, 0xC4, 0xFE, 0xDF, 0xF0, 0xD9, 0x00}) {
    const bool valid = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xDB || marker == 0xC4 || marker == 0xFE;
    EXPECT_EQ(FileOnImage(FileType::Jpg, buildJpeg({marker})).isFile(), valid) << int(marker);
  }
}

TEST(JpgFileCheck, EndsFiveHundredTwelveBytesAfterItsEndMarker) {
  const Bytes complete = buildJpeg({});
  Bytes broken = complete;
  broken[4 + 16] = 0x12;  // where the second marker should be
  // A segment ending exactly at 65,534 puts the start of scan's length at 65,536.
  const Bytes scanAtEdge = ByteBuilder().be32(0xFFD8FFE0).be16(65530).padTo(65534, 0x33)  // next marker at 65,534
                               .be32(0xFFDA0004).be16(0x4455).padTo(70000, 0x66).be16(0xFFD9).bytes;
  const std::tuple<const char*, Bytes, uint64_t> cases[] = {
      {"complete", complete, jpegSize(complete)},
      {"end marker at 10,000", endMarkerAt(10000, 0x11), 10514},
      // The zero length steps two bytes to the next marker.
      {"zero segment length", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x04, 1, 2, 0xFF, 0xD9}, 12 + 514},
      {"broken chain: kept up to the missing marker", broken, 4 + 16 + 2},
      {"end marker straddling the window edge", endMarkerAt(65535, 0x22), 65535 + 514},
      {"start of scan at the window edge", scanAtEdge, 70000 + 514},
  };
  for (const auto& [name, jpeg, size] : cases) EXPECT_EQ(FileOnImage(FileType::Jpg, jpeg).size(), size) << name;

  // Segments of 60,000 bytes: the third marker lies beyond the first window.
  const Bytes longSegments = buildJpeg({.segmentLengths = {60000, 60000, 17}, .entropyBytes = 200000});
  for (uint32_t bytesPerSector : {512u, 4096u})
    EXPECT_EQ(FileOnImage(FileType::Jpg, longSegments, 1, bytesPerSector).size(), jpegSize(longSegments));
}

TEST(JpgFileCheck, NoEndMarkerWithinTwentyFiveMiBIsRecordedAsFiveMiB) {
  const Bytes jpeg = buildJpeg({.endMarker = false});
  FileOnImage file(FileType::Jpg, jpeg, 3, 512, 40u << 20);
  file.image.putAtSector(3 + jpeg.size() / 512 + 1, Bytes(30u << 20, 0x11));
  EXPECT_EQ(file.size(), 5242880u);
  // An end marker right at the cap is still found.
  EXPECT_EQ(FileOnImage(FileType::Jpg, endMarkerAt(26214400, 0x11), 3, 512, 40u << 20).size(), 26214400u + 514);
}

TEST(JpgFileCheck, ReadFailureGivesZeroAndCancelGivesTheSizeSoFar) {
  FileOnImage file(FileType::Jpg, buildJpeg({.entropyBytes = 300000}));
  file.context().cDriveMountedPath = "/nonexistent";
  EXPECT_EQ(file.size(), 0u);
  file.context().cDriveMountedPath = file.image.path();
  EXPECT_EQ(file.cancelledSize(), 4u);
}

}  // namespace
}  // namespace salvonix::test
