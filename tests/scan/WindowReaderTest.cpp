// The read-ahead reader gives the same bytes and the same failures as one
// 64 KiB read per window, whatever order the windows are asked in.

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
}

TEST(WindowReader, NoDeviceReadsAsFailure) {
  WindowReader reader(nullptr);
  EXPECT_EQ(reader.window(0), nullptr);
}

}  // namespace
}  // namespace salvonix
