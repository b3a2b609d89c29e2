// Reading a file: the window over the device, the TIFF reader on it, and the embedded-JPEG walk.

#include <gtest/gtest.h>

#include "checkers/EmbeddedJpeg.h"
#include "checkers/FileWindow.h"
#include "checkers/TiffFixture.h"
#include "checkers/TiffToolkit.h"

namespace salvonix::test {
namespace {

using namespace tiff;

TEST(FileWindow, ReadsNumbersAcrossWindowsAndRefusesWhatNoWindowHolds) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    TiffFixture f(bytesPerSector);
    // A 64-bit value straddling the end of the window read at the file's first sector.
    const uint64_t straddling = 65536 + bytesPerSector - 4;
    Bytes bytes(straddling + 16, 0);
    putBE32(bytes, straddling, 0x01020304);
    putBE32(bytes, straddling + 4, 0x05060708);
    f.placeBytes(bytes, 2);
    FileWindow window(f.context);
    window.setFileStart(2);
    ASSERT_NE(window.bytesAt(0, 1), nullptr);
    EXPECT_EQ(window.u64(straddling, ByteOrder::Big), 0x0102030405060708u) << bytesPerSector;
    EXPECT_EQ(window.u64(straddling, ByteOrder::Little), 0x0807060504030201u);
    EXPECT_EQ(window.u16(straddling + 2, ByteOrder::Little), 0x0403u);
    // More bytes than one window read brings, and offsets that would wrap, are refused.
    EXPECT_EQ(window.bytesAt(0, 65536 + bytesPerSector + 1), nullptr);
    EXPECT_EQ(window.bytesAt(1, 65536 + bytesPerSector), nullptr);
    EXPECT_FALSE(window.u32(UINT64_MAX - 1, ByteOrder::Big));
  }
}

TEST(FileWindow, ReadsFailOnceTheCeilingIsReached) {
  TiffFixture f(512);
  FileWindow window(f.context, 3);
  window.setFileStart(0);
  for (uint64_t block = 0; block < 3; ++block) EXPECT_TRUE(window.u8(block * 65536 * 2)) << block;
  EXPECT_FALSE(window.u8(6 * 65536));
  // Bytes already held cost no read; a new file starts with a fresh allowance.
  EXPECT_TRUE(window.u8(4 * 65536 + 1));
  window.setFileStart(0);
  EXPECT_TRUE(window.u8(6 * 65536));
}

// The reader reads through a FileWindow and adds the byte order and arrays.
TEST(TiffToolkit, ReaderByteOrderAndArrays) {
  TiffFixture f;
  TiffBuilder b(false);
  b.put(100, 0x01020304);
  const uint32_t longs = b.appendArray({7, 8, 9}), shorts = b.appendArray({10, 11, 12}, 2);
  b.writeIfd(0x400, {{kStripByteCounts, kShort, 2, 0x00050006}});
  f.place(b);
  auto reader = std::make_unique<TiffReader>(f.context);
  reader->startFile(0, true);
  EXPECT_EQ(reader->u32(100), 0x04030201u);
  reader->setLittleEndian(false);
  EXPECT_EQ(reader->u32(100), 0x01020304u);
  EXPECT_EQ(reader->u16(100), 0x0102u);
  // Values inside the entry's field or in an array, within the array offset limit.
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
