// The checkers' window reader, and the read-ahead reader, which gives the same bytes and
// failures as one 64 KiB read per window, whatever order the windows are asked in.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "scan/ReadDisk.h"
#include "scan/WindowReader.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

// One window plus one sector; near the end only what exists, the rest of the buffer untouched.
TEST(ReadDisk, ReadsOneWindowPlusOneSectorAndLeavesBytesPastTheEnd) {
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 200000);
  image.put(0, test::randomBytes(200000, 1));
  const Bytes expected = test::readFile(image.path());
  const struct {
    uint32_t bytesPerSector;
    uint64_t sector, count, length;
  } cases[] = {{512, 0, 128, 66048}, {512, 380, 1, 200000 - 380 * 512}, {4096, 1, 16, 69632}};
  for (const auto& c : cases) {
    ScanContext context;
    context.cDriveMountedPath = image.path();
    context.u32BytesInSector = c.bytesPerSector;
    Bytes buffer(kReadWindowBufferSize, 0xAA);
    ASSERT_TRUE(ReadDisk(context).readSector(c.sector, c.count, buffer.data())) << c.sector;
    const auto from = expected.begin() + static_cast<long>(c.sector * c.bytesPerSector);
    EXPECT_TRUE(std::equal(from, from + static_cast<long>(c.length), buffer.begin())) << c.sector;
    EXPECT_EQ(Bytes(buffer.begin() + static_cast<long>(c.length), buffer.end()),
              Bytes(kReadWindowBufferSize - c.length, 0xAA))
        << c.sector;
  }
  ScanContext missing;
  missing.cDriveMountedPath = "/nonexistent/device";
  Bytes buffer(kReadWindowBufferSize);
  EXPECT_FALSE(ReadDisk(missing).readSector(0, 128, buffer.data()));
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

// Each test runs on a device read ahead and on one small enough to be read on the caller's thread.
TEST(WindowReader, AnyOrderOfWindowsGivesTheDeviceBytesAndZerosPastTheEnd) {
  for (const uint64_t size : {(5u << 20) + 1000, (300u << 10) + 1000}) {  // not a whole number of windows
    test::TempDir dir;
    test::TestImage image(dir.file("d.img"), size);
    const Bytes bytes = test::randomBytes(size, 3);
    image.put(0, bytes);
    test::TestDevice device(image.path());
    WindowReader reader(&device, 1u << 20, 3);

    std::vector<uint64_t> offsets;
    for (uint64_t w = 0; w < 90; ++w) offsets.push_back(w * kWindowBytes);  // sequential past the end
    std::mt19937 random(1);
    for (int i = 0; i < 200; ++i) offsets.push_back((random() % 100) * kWindowBytes + (i % 7 == 0 ? 512 * (i % 5) : 0));
    for (uint64_t offset : offsets) {
      const uint8_t* window = reader.window(offset);
      ASSERT_NE(window, nullptr);
      Bytes expected(kWindowBytes, 0);
      if (offset < size)
        std::memcpy(expected.data(), bytes.data() + offset, std::min<uint64_t>(kWindowBytes, size - offset));
      ASSERT_EQ(0, std::memcmp(window, expected.data(), kWindowBytes)) << "size " << size << " offset " << offset;
    }
  }
}

TEST(WindowReader, OnlyTheWindowHoldingABadSpotFails) {
  for (const uint64_t size : {4u << 20, 1u << 20}) {
    test::TempDir dir;
    test::TestImage image(dir.file("d.img"), size);
    image.put(0, test::randomBytes(size, 4));
    test::TestDevice device(image.path());
    device.failBetween(5 * kWindowBytes + 100, 5 * kWindowBytes + 101);
    WindowReader reader(&device);
    for (uint64_t w = 0; w < size / kWindowBytes; ++w)
      EXPECT_EQ(reader.window(w * kWindowBytes) == nullptr, w == 5) << "size " << size << " window " << w;
  }
  EXPECT_EQ(WindowReader(nullptr).window(0), nullptr);
}

}  // namespace
}  // namespace salvonix
