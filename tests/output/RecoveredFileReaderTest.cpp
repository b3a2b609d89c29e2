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

TEST_F(ReaderFixture, UnreadableDeviceOrAStartOutsideTheFirstSectorGivesMinusOne) {
  device->failBetween(10 * 512, 11 * 512);
  RecoveredFileReader reader(device, 512);
  RecoveredFileReader noDevice(nullptr, 512);
  uint8_t buffer[16];
  EXPECT_EQ(reader.read(fileAt(10, 0, 100), 0, buffer, sizeof buffer), -1);
  EXPECT_EQ(noDevice.read(fileAt(1, 0, 100), 0, buffer, sizeof buffer), -1);
  EXPECT_EQ(reader.read(fileAt(1, -1, 100), 0, buffer, sizeof buffer), -1);
  EXPECT_EQ(reader.read(fileAt(1, 512, 100), 0, buffer, sizeof buffer), -1);
  EXPECT_EQ(reader.read(fileAt(1, 511, 100), 0, buffer, sizeof buffer), 16);
}

}  // namespace
}  // namespace salvonix
