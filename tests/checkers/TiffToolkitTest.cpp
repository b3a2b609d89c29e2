#include <gtest/gtest.h>

#include "checkers/EmbeddedJpeg.h"
#include "checkers/TiffFixture.h"
#include "checkers/TiffToolkit.h"

namespace salvonix::test {
namespace {

using namespace tiff;

TEST(TiffToolkit, ReadersFollowTheOffsetConvention) {
  const uint8_t b[] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(twoByteRead(b, 0, 0), 0x1234u);
  EXPECT_EQ(twoByteRead(b, 0, 1), 0x3412u);
  EXPECT_EQ(twoByteRead(b, 2, 1), 0x7856u);
  EXPECT_EQ(fourByteRead(b, 0, 0), 0x12345678u);
  EXPECT_EQ(fourByteRead(b, 0, 3), 0x78563412u);
}

TEST(TiffToolkit, TypeSizes) {
  const int expected[] = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 1, 1};
  for (uint32_t type = 0; type < 15; ++type) EXPECT_EQ(scalarDataTypeValue(type), expected[type]) << type;
  EXPECT_EQ(typeSizeUnclamped(0), 0u);
  EXPECT_EQ(typeSizeUnclamped(13), 0u);
  EXPECT_EQ(typeSizeClamped(13), 8u);
  EXPECT_EQ(typeSizeClamped(0), 0u);
  EXPECT_EQ(typeSizeClamped(4), 4u);
}

TEST(TiffToolkit, ReaderAddressesFileOffsetsAcrossWindows) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    TiffFixture f(bytesPerSector);
    ReadDisk readDisk(f.context);
    auto reader = std::make_unique<TiffReader>(f.context, readDisk);
    // A value that straddles the end of a window read at the file's first sector.
    const uint64_t straddling = 65536 + bytesPerSector - 2;
    Bytes bytes(straddling + 8, 0);
    putLE32(bytes, straddling, 0xA1B2C3D4);
    putBE32(bytes, 100, 0x01020304);
    f.placeBytes(bytes, 3);
    reader->startFile(3, true);
    EXPECT_EQ(reader->u32(100), 0x04030201u);
    EXPECT_EQ(reader->u32(straddling), 0xA1B2C3D4u);
    reader->setLittleEndian(false);
    EXPECT_EQ(reader->u32(100), 0x01020304u);
    EXPECT_EQ(reader->u16(100), 0x0102u);
  }
}

TEST(TiffToolkit, ElementsInTheFieldOrInAnArray) {
  TiffFixture f;
  TiffBuilder b(false);
  const uint32_t array = b.appendLongs({7, 8, 9});
  const uint32_t shorts = b.appendShorts({10, 11, 12});
  f.place(b, 0);
  ReadDisk readDisk(f.context);
  auto reader = std::make_unique<TiffReader>(f.context, readDisk);
  reader->startFile(0, false);
  // Two SHORT values fit in the value field of the entry.
  b.writeIfd(0x400, {{kStripByteCounts, kShort, 2, 0x00050006}});
  f.place(b, 0);
  const auto inField = reader->entry(0x400, 0);
  ASSERT_TRUE(inField);
  EXPECT_EQ(reader->lastElement(*inField, kLimit150MiB), 6u);
  EXPECT_EQ(reader->lastElement({kStripOffsets, kLong, 3, array, 0, 0}, kLimit150MiB), 9u);
  EXPECT_EQ(reader->lastElement({kStripOffsets, kShort, 3, shorts, 0, 0}, kLimit150MiB), 12u);
  EXPECT_FALSE(reader->lastElement({kStripOffsets, kLong, 3, array, 0, 0}, array - 1));
}

TiffBuilder chainOf(int ifds, bool littleEndian) {
  TiffBuilder b(littleEndian);
  uint32_t previous = 0;
  for (int i = 0; i < ifds; ++i) {
    const uint32_t ifd = b.appendIfd({TiffBuilder::longValue(kImageWidth, 1)});
    if (i == 0) b.setIfd0(ifd); else b.setNext(previous, ifd);
    previous = ifd;
  }
  return b;
}

TEST(TiffToolkit, PentaxCounterCountsTheChain) {
  const std::pair<int, int> cases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 3}, {10, 3}, {11, 3}, {30, 3}};
  for (bool littleEndian : {true, false}) {
    for (auto [ifds, expected] : cases) {
      TiffFixture f;
      f.place(chainOf(ifds, littleEndian), 9);
      ReadDisk readDisk(f.context);
      auto reader = std::make_unique<TiffReader>(f.context, readDisk);
      const auto h = f.header(9);
      EXPECT_EQ(pentaxRawTiffFile(*reader, SectorHeader(h.data(), 25), 9), expected) << ifds;
    }
  }
  // A device that cannot be read gives 0.
  TiffFixture f;
  f.place(chainOf(2, true), 0);
  f.context.cDriveMountedPath = f.dir.file("missing");
  ReadDisk readDisk(f.context);
  auto reader = std::make_unique<TiffReader>(f.context, readDisk);
  const auto h = f.header(0);
  EXPECT_EQ(pentaxRawTiffFile(*reader, SectorHeader(h.data(), 25), 0), 0);
}

// Start marker, APP0 of length 16, start of scan of length 12, then the scan data.
Bytes jpegWithScan(std::size_t scanBytes, bool endMarker) {
  Bytes j = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  j.resize(2 + 2 + 16, 0x11);
  const Bytes sos = {0xFF, 0xDA, 0x00, 0x0C};
  j.insert(j.end(), sos.begin(), sos.end());
  j.resize(j.size() + 10, 0x22);
  j.resize(j.size() + scanBytes, 0x33);
  if (endMarker) j.insert(j.end(), {0xFF, 0xD9});
  return j;
}

uint64_t measureAt(TiffFixture& f, uint64_t deviceOffset, const JpegWalk& walk) {
  ReadDisk readDisk(f.context);
  auto reader = std::make_unique<TiffReader>(f.context, readDisk);
  return measureJpeg(*reader, f.context, deviceOffset, walk);
}

TEST(EmbeddedJpeg, LengthFromStartToEndMarker) {
  TiffFixture f;
  f.image.put(1000, jpegWithScan(1000, true));
  EXPECT_EQ(measureAt(f, 1000, kRawPreviewJpeg), 1036u);
  EXPECT_EQ(measureAt(f, 1000, kCameraTiffJpeg), 1036u - 2 + 514);
  EXPECT_EQ(measureAt(f, 1001, kRawPreviewJpeg), 0u);
  // Across window edges: the same stream anywhere on the device.
  for (uint64_t at : {65536ull - 7, 65536ull * 3 - 600, 65536ull * 5 + 1}) {
    f.image.put(at, jpegWithScan(200000, true));
    EXPECT_EQ(measureAt(f, at, kRawPreviewJpeg), 200036u) << at;
  }
}

TEST(EmbeddedJpeg, LimitsOfTheTwoRules) {
  TiffFixture f(512, 40ull << 20);
  // No end marker: the zeros of the image run on.
  f.image.put(0, jpegWithScan(0, false));
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 5242881u);
  EXPECT_EQ(measureAt(f, 0, kCameraTiffJpeg), 5242880u);
  // The end marker at the last position still inside the raw-preview limit.
  f.image.put(0, jpegWithScan(5242880 - 34, true));
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 5242880u + 2);
  f.image.put(0, jpegWithScan(5242880 - 33, true));
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 5242881u);
}

TEST(EmbeddedJpeg, SegmentChainRules) {
  TiffFixture f;
  // A segment not followed by a marker ends the camera-TIFF walk there.
  Bytes broken = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0x12, 0x34};
  f.image.put(0, broken);
  EXPECT_EQ(measureAt(f, 0, kCameraTiffJpeg), 10u);
  // A zero segment length counts as 2 in the camera-TIFF walk; the raw-preview
  // walk stays on it and runs on to its limit.
  Bytes zero = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
  f.image.put(4096, zero);
  EXPECT_EQ(measureAt(f, 4096, kCameraTiffJpeg), 4u + 4 + 2 + 514);
  EXPECT_EQ(measureAt(f, 4096, kRawPreviewJpeg), 5242882u);
}

TEST(EmbeddedJpeg, CancelledWalkReturnsTheLengthReached) {
  TiffFixture f;
  f.image.put(0, jpegWithScan(100, true));
  f.context.bCancelScanning = true;
  EXPECT_EQ(measureAt(f, 0, kRawPreviewJpeg), 4u);
}

}  // namespace
}  // namespace salvonix::test
