// The checkers' window reader: fixed window length, short reads at the end,
// failures, large sectors and offsets beyond 2 TiB.

#include <gtest/gtest.h>

#include "scan/ReadDisk.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

TEST(ReadDisk, ReadsOneWindowPlusOneSectorAndLeavesBytesPastTheEnd) {
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 70000);
  image.put(0, test::randomBytes(70000, 1));
  const Bytes expected = test::readFile(image.path());

  ScanContext context;
  context.cDriveMountedPath = image.path();
  ReadDisk reader(context);
  Bytes buffer(kReadWindowBufferSize, 0xAA);
  ASSERT_TRUE(reader.readSector(0, 128, buffer.data()));
  EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 66048, buffer.begin()));
  EXPECT_EQ(buffer[66048], 0xAA);

  // Near the end only what exists is read; the rest of the buffer is untouched.
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  ASSERT_TRUE(reader.readSector(100, 1, buffer.data()));
  EXPECT_TRUE(std::equal(expected.begin() + 51200, expected.end(), buffer.begin()));
  EXPECT_EQ(buffer[70000 - 51200], 0xAA);
}

TEST(ReadDisk, FourKiBSectorsReadSixtyEightKiB) {
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 200000);
  image.put(4096, test::randomBytes(69632, 2));
  ScanContext context;
  context.cDriveMountedPath = image.path();
  context.u32BytesInSector = 4096;
  ReadDisk reader(context);
  Bytes buffer(kReadWindowBufferSize, 0xAA);
  ASSERT_TRUE(reader.readSector(1, 16, buffer.data()));
  EXPECT_EQ(buffer, test::randomBytes(69632, 2));
}

TEST(ReadDisk, MissingDeviceFailsSilently) {
  ScanContext context;
  context.cDriveMountedPath = "/nonexistent/device";
  ReadDisk reader(context);
  Bytes buffer(kReadWindowBufferSize);
  EXPECT_FALSE(reader.readSector(0, 128, buffer.data()));
}

TEST(ReadDisk, SectorsAboveTwoToTheThirtyTwoAddressBeyondTwoTiB) {
  test::TempDir dir;
  const uint64_t sector = (uint64_t{1} << 32) + 5;
  try {
    test::TestImage image(dir.file("big.img"), (sector + 200) * 512);
    image.putAtSector(sector, Bytes{'F', 'A', 'R'});
    ScanContext context;
    context.cDriveMountedPath = image.path();
    ReadDisk reader(context);
    Bytes buffer(kReadWindowBufferSize);
    ASSERT_TRUE(reader.readSector(sector, 128, buffer.data()));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 3), (Bytes{'F', 'A', 'R'}));
  } catch (const std::exception& e) {
    GTEST_SKIP() << "no sparse file above 2 TiB here: " << e.what();
  }
}

}  // namespace
}  // namespace salvonix
