// MPEG program and elementary streams: the header test, the start-code walks,
// damage bridged by look-ahead and resync, window edges and the skip request.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

// After b, packs with a 12-byte header and one video packet of packetLength data bytes each.
ByteBuilder packs(std::size_t count, ByteBuilder b = {}, uint32_t packetLength = 2012) {
  for (std::size_t i = 0; i < count; ++i)
    b.be32(0x1BA).fill(8, 0x21).be32(0x1E0).be16(packetLength).fill(packetLength, 0x55);
  return b;
}

// A sequence header of a width x height video, a group of pictures and a picture.
ByteBuilder sequence(uint32_t width, uint32_t height) {
  ByteBuilder b;
  b.be32(0x1B3).u8(uint8_t(width >> 4)).u8(uint8_t((width & 0xF) << 4 | height >> 8)).u8(uint8_t(height));
  return b.fill(5, 0x13).be32(0x1B8).fill(4, 0x08).be32(0x100);
}

uint64_t mpgSize(const ByteBuilder& b) { return FileOnImage(FileType::Mpg, b.bytes).size(); }

TEST(MpgFileCheck, HeaderTestLooksForASecondStartCodeWithinFiftyBytes) {
  EXPECT_TRUE(FileOnImage(FileType::Mpg, packs(3).bytes).isFile());
  for (std::size_t at : {49u, 50u}) {
    const ByteBuilder late = ByteBuilder().be32(0x1BA).padTo(at, 0xAA).be32(0x1C0).fill(100, 0xAA);
    EXPECT_EQ(FileOnImage(FileType::Mpg, late.bytes).isFile(), at <= 49) << at;
  }
  EXPECT_FALSE(FileOnImage(FileType::Mpg, ByteBuilder().be32(0x1BA).fill(8, 0x21).be32(0x1BC).bytes).isFile());
  EXPECT_TRUE(FileOnImage(FileType::Mpg, sequence(720, 576).fill(100, 0xAA).bytes).isFile());
  EXPECT_FALSE(FileOnImage(FileType::Mpg, ByteBuilder().be32(0x100).fill(8, 0x21).be32(0x1B8).bytes).isFile());
}

TEST(MpgFileCheck, ProgramStreamOfPacksEndedByTheEndCode) {
  // The size counts up to the end code; the skip is asked for above 10,240 bytes only.
  for (uint32_t total : {8000u, 10240u, 10241u}) {
    FileOnImage file(FileType::Mpg, packs(1, {}, total - 22).be32(0x1B9).bytes);
    EXPECT_EQ(file.size(), total);
    EXPECT_EQ(file.context().bSkipFileSize, total > 10240) << total;
  }
  // An end code followed by a pack: the stream goes on.
  EXPECT_EQ(mpgSize(packs(1, packs(3).be32(0x1B9)).be32(0x1B9)), 4 * 2030u + 8);
  EXPECT_EQ(FileOnImage(FileType::Mpg, packs(10).be32(0x1B9).bytes).cancelledSize(), 0u);
}

TEST(MpgFileCheck, ProgramStreamDamageIsBridgedOnlyWithinLimits) {
  // 11,620 bytes of damage at a pack boundary, then the stream goes on.
  const ByteBuilder bridged = packs(2, packs(4).fill(11620, 0x77)).be32(0x1B9);
  EXPECT_EQ(mpgSize(bridged), bridged.size());
  // No start code 11,620 bytes on: the resync steps over 51 non-zero bytes or
  // 101 zero bytes, and a start code found within them resets the allowance.
  EXPECT_EQ(mpgSize(packs(6).fill(20000, 0x77)), 6 * 2030u + 51);
  EXPECT_EQ(mpgSize(packs(6)), 6 * 2030u + 101);
  const ByteBuilder resynced = packs(1, packs(6).fill(30, 0x77)).be32(0x1B9);
  EXPECT_EQ(mpgSize(resynced), resynced.size());
}

TEST(MpgFileCheck, ElementaryStreamAllowanceBetweenStartCodes) {
  // 720 x 576 tolerates 1,245,184 bytes (with 512-byte sectors) after a start code.
  constexpr uint64_t kAllowance = 3 * 720 * 576 + 1024;
  const uint64_t afterPicture = sequence(720, 576).size();
  for (uint64_t gap : {kAllowance - 1, kAllowance}) {
    FileOnImage file(FileType::Mpg, sequence(720, 576).fill(gap, 0).be32(0x1B7).fill(16, 0x99).bytes);
    const uint64_t expected = gap < kAllowance ? afterPicture + gap + 4 : afterPicture;
    EXPECT_EQ(file.size(), expected) << gap;
    EXPECT_EQ(file.context().bSkipFileSize, expected > 10240);
  }
  // A sequence end followed by a group of pictures goes on; by anything else it ends.
  const ByteBuilder joined =
      sequence(16, 16).fill(500, 0x55).be32(0x1B7).be32(0x1B8).fill(500, 0x55).be32(0x100).fill(300, 0x55).be32(0x1B7);
  EXPECT_EQ(mpgSize(ByteBuilder(joined).fill(3000, 0x55)), joined.size());
}

TEST(MpgFileCheck, WalksCrossWindowEdges) {
  // Program stream: a first packet of 541 bytes puts the packet length field of pack 33 at 65,535..65,536.
  const ByteBuilder packsToEdge = packs(32, packs(1, {}, 541));
  ASSERT_EQ(packsToEdge.size() + 16, 65535u);
  const ByteBuilder program = packs(40, packsToEdge).be32(0x1B9);
  // Elementary stream: a picture start code straddling 65,536.
  ByteBuilder elementary = sequence(64, 48);
  while (elementary.size() < 65534 - 1000) elementary.fill(996, 0x55).be32(0x100);
  elementary.padTo(65534, 0x55).be32(0x100);
  while (elementary.size() < 140000) elementary.fill(996, 0x55).be32(0x100);
  elementary.be32(0x1B7);
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    EXPECT_EQ(FileOnImage(FileType::Mpg, program.bytes, 13, bytesPerSector).size(), program.size()) << bytesPerSector;
    FileOnImage file(FileType::Mpg, ByteBuilder(elementary).fill(20000, 0x55).bytes, 5, bytesPerSector);
    EXPECT_EQ(file.size(), elementary.size()) << bytesPerSector;
  }
}

}  // namespace
}  // namespace salvonix::test
