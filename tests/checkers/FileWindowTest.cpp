#include <gtest/gtest.h>

#include "checkers/FileWindow.h"
#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

TEST(FileWindow, ReadsNumbersAcrossWindowsAndRefusesWhatNoWindowHolds) {
  TiffFixture f(512);
  // A 64-bit value straddling the end of the window read at the file's first sector.
  const uint64_t straddling = 65536 + 512 - 4;
  Bytes bytes(straddling + 16, 0);
  putBE32(bytes, straddling, 0x01020304);
  putBE32(bytes, straddling + 4, 0x05060708);
  f.placeBytes(bytes, 2);
  FileWindow window(f.context);
  window.setFileStart(2);
  ASSERT_NE(window.bytesAt(0, 1), nullptr);
  EXPECT_EQ(window.u64(straddling, ByteOrder::Big), 0x0102030405060708u);
  EXPECT_EQ(window.u64(straddling, ByteOrder::Little), 0x0807060504030201u);
  EXPECT_EQ(window.u16(straddling + 2, ByteOrder::Little), 0x0403u);
  // More bytes than one window read brings, and offsets that would wrap, are refused.
  EXPECT_EQ(window.bytesAt(0, 65536 + 512 + 1), nullptr);
  EXPECT_EQ(window.bytesAt(1, 65536 + 512), nullptr);
  EXPECT_FALSE(window.u32(UINT64_MAX - 1, ByteOrder::Big));
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

}  // namespace
}  // namespace salvonix::test
