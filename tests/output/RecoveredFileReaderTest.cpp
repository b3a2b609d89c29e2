// Reading a found file's bytes: the leading offset, pieces of any size, the
// file's end, the drive's end and devices that cannot be read.

#include <gtest/gtest.h>

#include "output/RecoveredFileReader.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

struct ReaderFixture : ::testing::Test {
  ReaderFixture() : image(dir.file("d.img"), kImageBytes), content(test::randomBytes(kImageBytes, 9)) {
    image.put(0, content);
  }
  static HDIR fileAt(uint64_t sector, int32_t extra, uint64_t size) {
    HDIR file;
    file.fileType = kFileType;
    file.sectorNumber = sector;
    file.extraBytesToMove = extra;
    file.fileSize = size;
    return file;
  }
  // The whole file read in pieces of the given size, or what went wrong.
  Bytes readInPieces(RecoveredFileReader& reader, const HDIR& file, std::size_t piece) {
    Bytes whole;
    Bytes buffer(piece);
    for (;;) {
      const int64_t got = reader.read(file, whole.size(), buffer.data(), piece);
      EXPECT_GE(got, 0);
      if (got <= 0) return whole;
      whole.insert(whole.end(), buffer.begin(), buffer.begin() + got);
    }
  }

  static constexpr uint64_t kImageBytes = 128 * 512;
  test::TempDir dir;
  test::TestImage image;
  Bytes content;
  std::shared_ptr<test::TestDevice> device = std::make_shared<test::TestDevice>(image.path());
};

TEST_F(ReaderFixture, PiecesOfAnySizeMakeUpTheFileFromItsLeadingOffset) {
  RecoveredFileReader reader(device, 512);
  const HDIR file = fileAt(3, 500, 10000);  // starts 12 bytes before sector 4
  const Bytes expected(content.begin() + 3 * 512 + 500, content.begin() + 3 * 512 + 500 + 10000);
  for (std::size_t piece : {1, 7, 4096, 65536}) EXPECT_EQ(readInPieces(reader, file, piece), expected) << piece;

  uint8_t byte = 0;
  EXPECT_EQ(reader.read(file, 10000, &byte, 1), 0);
  EXPECT_EQ(reader.read(file, UINT64_MAX, &byte, 1), 0);
}

TEST_F(ReaderFixture, BeyondTheDriveEndTheFileReadsAsZerosWithoutReadingThere) {
  RecoveredFileReader reader(device, 512);
  // 924 bytes lie on the drive, the rest of the 2,000 beyond its end.
  Bytes expected(content.end() - 924, content.end());
  expected.resize(2000, 0);
  EXPECT_EQ(readInPieces(reader, fileAt(126, 100, 2000), 4096), expected);
  EXPECT_EQ(readInPieces(reader, fileAt(128, 0, 700), 4096), Bytes(700, 0));
  // A size and an offset near the largest number do not wrap around.
  Bytes buffer(5, 1);
  EXPECT_EQ(reader.read(fileAt(120, 0, UINT64_MAX), UINT64_MAX - 5, buffer.data(), 10), 5);
  EXPECT_EQ(buffer, Bytes(5, 0));
  for (auto [offset, length] : device->reads()) EXPECT_LE(offset + length, kImageBytes);
}

// A bad sector reads as zeros and is counted; a drive that has gone, or none, gives -1.
TEST_F(ReaderFixture, UnreadableSectorsReadAsZerosAndAGoneDriveOrABadStartGivesMinusOne) {
  device->failBetween(10 * 512 + 3, 10 * 512 + 4);
  device->failBetween(100 * 512, 101 * 512, ENODEV);
  RecoveredFileReader reader(device, 512);
  Bytes expected(content.begin() + 9 * 512, content.begin() + 12 * 512);
  std::fill(expected.begin() + 512, expected.begin() + 1024, 0);
  Bytes buffer(3 * 512);
  EXPECT_EQ(reader.read(fileAt(9, 0, buffer.size()), 0, buffer.data(), buffer.size()), 3 * 512);
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(reader.unreadableSectorsInLastRead(), 1u);
  // The same block, but only bytes of sectors that could be read.
  EXPECT_EQ(reader.read(fileAt(11, 0, 100), 0, buffer.data(), 100), 100);
  EXPECT_EQ(reader.unreadableSectorsInLastRead(), 0u);

  RecoveredFileReader noDevice(nullptr, 512);
  EXPECT_EQ(noDevice.read(fileAt(1, 0, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(reader.read(fileAt(1, -1, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(reader.read(fileAt(1, 512, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(reader.read(fileAt(1, 511, 100), 0, buffer.data(), 16), 16);
  // Gone is gone: later reads fail without trying the device.
  EXPECT_EQ(reader.read(fileAt(100, 0, 100), 0, buffer.data(), 16), -1);
  const std::size_t reads = device->reads().size();
  EXPECT_EQ(reader.read(fileAt(1, 0, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(device->reads().size(), reads);
}

}  // namespace
}  // namespace salvonix
