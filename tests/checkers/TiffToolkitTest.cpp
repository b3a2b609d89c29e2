#include <gtest/gtest.h>

#include "checkers/EmbeddedJpeg.h"
#include "checkers/TiffFixture.h"
#include "checkers/TiffToolkit.h"

namespace salvonix::test {
namespace {

using namespace tiff;

TEST(TiffToolkit, ReaderAcrossWindowsAndArrays) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    TiffFixture f(bytesPerSector);
    // A value straddling the end of the window read at the file's first sector.
    const uint64_t straddling = 65536 + bytesPerSector - 2;
    Bytes bytes(straddling + 8, 0);
    putLE32(bytes, straddling, 0xA1B2C3D4);
    putBE32(bytes, 100, 0x01020304);
    f.placeBytes(bytes, 3);
    auto reader = std::make_unique<TiffReader>(f.context);
    reader->startFile(3, true);
    EXPECT_EQ(reader->u32(100), 0x04030201u);
    EXPECT_EQ(reader->u32(straddling), 0xA1B2C3D4u);
    reader->setLittleEndian(false);
    EXPECT_EQ(reader->u32(100), 0x01020304u);
    EXPECT_EQ(reader->u16(100), 0x0102u);
  }
  // Values inside the entry's field or in an array, within the array offset limit.
  TiffFixture f;
  TiffBuilder b(false);
  const uint32_t longs = b.appendArray({7, 8, 9}), shorts = b.appendArray({10, 11, 12}, 2);
  b.writeIfd(0x400, {{kStripByteCounts, kShort, 2, 0x00050006}});
  f.place(b);
  auto reader = std::make_unique<TiffReader>(f.context);
  reader->startFile(0, false);
  EXPECT_EQ(reader->lastElement(*reader->entry(0x400, 0), kLimit150MiB), 6u);
  EXPECT_EQ(reader->lastElement({kStripOffsets, kLong, 3, longs, 0, 0}, kLimit150MiB), 9u);
  EXPECT_EQ(reader->lastElement({kStripOffsets, kShort, 3, shorts, 0, 0}, kLimit150MiB), 12u);
  EXPECT_FALSE(reader->lastElement({kStripOffsets, kLong, 3, longs, 0, 0}, longs - 1));
}

uint64_t measureAt(TiffFixture& f, uint64_t deviceOffset, const JpegWalk& walk) {
  auto reader = std::make_unique<TiffReader>(f.context);
  return measureJpeg(*reader, f.context, deviceOffset, walk);
}

TEST(EmbeddedJpeg, LengthFromStartToEndMarker) {
  TiffFixture f;
  f.image.put(1000, previewJpeg(1036));
  EXPECT_EQ(measureAt(f, 1000, kRawPreviewJpeg), 1036u);
  EXPECT_EQ(measureAt(f, 1000, kCameraTiffJpeg), 1036u - 2 + 514);
  EXPECT_EQ(measureAt(f, 1001, kRawPreviewJpeg), 0u);
  for (uint64_t at : {65536ull - 7, 65536ull * 3 - 600, 65536ull * 5 + 1}) {
    f.image.put(at, previewJpeg(200036));
    EXPECT_EQ(measureAt(f, at, kRawPreviewJpeg), 200036u) << at;
  }
  f.context.bCancelScanning = true;
  EXPECT_EQ(measureAt(f, 1000, kRawPreviewJpeg), 4u);
}

TEST(EmbeddedJpeg, LimitsAndSegmentRules) {
  TiffFixture f(512, 40ull << 20);
  // No end marker: the zeros of the image run on past the limits.
  f.image.put(0, previewJpeg(34, false));
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 5242881u);
  EXPECT_EQ(measureAt(f, 0, kCameraTiffJpeg), 5242880u);
  f.image.put(0, previewJpeg(5242882));
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 5242882u);
  f.image.put(0, previewJpeg(5242883));
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 5242881u);
  // A zero segment length: 2 in the camera-TIFF walk; the raw-preview walk stays on it up to its limit.
  f.image.put(30 << 20, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9});
  EXPECT_EQ(measureAt(f, 30 << 20, kCameraTiffJpeg), 4u + 4 + 2 + 514);
  EXPECT_EQ(measureAt(f, 30 << 20, kRawPreviewJpeg), 5242882u);
}

}  // namespace
}  // namespace salvonix::test
