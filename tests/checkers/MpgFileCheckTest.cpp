// MPEG program and elementary streams: the header test, the start-code walks,
// damage bridged by look-ahead and resync, window edges and the skip request.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

// A pack with a 12-byte header and one video packet of packetLength data bytes.
ByteBuilder& pack(ByteBuilder& b, uint32_t packetLength = 2012) {
  b.be32(0x1BA).fill(8, 0x21);
  return b.be32(0x1E0).be16(packetLength).fill(packetLength, 0x55);
}

ByteBuilder packs(std::size_t count) {
  ByteBuilder b;
  for (std::size_t i = 0; i < count; ++i) pack(b);
  return b;
}

ByteBuilder& endCode(ByteBuilder& b) { return b.be32(0x1B9); }

// A sequence header of a width x height video, then a group of pictures.
ByteBuilder sequence(uint32_t width, uint32_t height) {
  ByteBuilder b;
  b.be32(0x1B3).u8(uint8_t(width >> 4)).u8(uint8_t((width & 0xF) << 4 | height >> 8)).u8(uint8_t(height));
  b.fill(5, 0x13);
  return b.be32(0x1B8).fill(4, 0x08);
}

TEST(MpgFileCheck, HeaderTestLooksForASecondStartCodeWithinFiftyBytes) {
  ByteBuilder mpeg1 = packs(3);
  EXPECT_TRUE(FileOnImage(FileType::Mpg, mpeg1.bytes).isFile());
  for (std::size_t at : {49u, 50u}) {
    ByteBuilder late;
    late.be32(0x1BA).padTo(at, 0xAA).be32(0x1C0).fill(100, 0xAA);
    EXPECT_EQ(FileOnImage(FileType::Mpg, late.bytes).isFile(), at <= 49) << at;
  }
  ByteBuilder unknownSecond;
  unknownSecond.be32(0x1BA).fill(8, 0x21).be32(0x1BC).fill(100, 0xAA);
  EXPECT_FALSE(FileOnImage(FileType::Mpg, unknownSecond.bytes).isFile());
  ByteBuilder elementary = sequence(720, 576);
  EXPECT_TRUE(FileOnImage(FileType::Mpg, elementary.fill(100, 0xAA).bytes).isFile());
  ByteBuilder picture;
  picture.be32(0x100).fill(8, 0x21).be32(0x1B8).fill(100, 0xAA);
  EXPECT_FALSE(FileOnImage(FileType::Mpg, picture.bytes).isFile());

  FileOnImage any(FileType::Mpg, mpeg1.bytes);
  EXPECT_TRUE(any.checker().mayStartWith(0));
  EXPECT_FALSE(any.checker().mayStartWith(1));
}

TEST(MpgFileCheck, ProgramStreamOfPacksEndedByTheEndCode) {
  for (std::size_t count : {5u, 6u, 40u}) {
    ByteBuilder b = packs(count);
    endCode(b);
    FileOnImage file(FileType::Mpg, b.bytes);
    EXPECT_EQ(file.size(), 2030 * count + 4) << count;
    EXPECT_EQ(file.context().bSkipFileSize, 2030 * count + 4 > 10240) << count;
  }
  // The skip is asked for above 10,240 bytes only.
  for (uint32_t total : {8000u, 10240u, 10241u}) {
    ByteBuilder b;
    endCode(pack(b, total - 22));
    FileOnImage file(FileType::Mpg, b.bytes);
    EXPECT_EQ(file.size(), total);
    EXPECT_EQ(file.context().bSkipFileSize, total > 10240) << total;
  }
  // An end code followed by a pack: the stream goes on.
  ByteBuilder joined = packs(3);
  endCode(joined);
  pack(joined);
  endCode(joined);
  EXPECT_EQ(FileOnImage(FileType::Mpg, joined.bytes).size(), 4 * 2030u + 8);
}

TEST(MpgFileCheck, ProgramStreamDamageIsBridgedOnlyWithinLimits) {
  // 11,620 bytes of damage at a pack boundary, then the stream goes on.
  ByteBuilder bridged = packs(4);
  bridged.fill(11620, 0x77);
  pack(pack(bridged));
  endCode(bridged);
  EXPECT_EQ(FileOnImage(FileType::Mpg, bridged.bytes).size(), bridged.size());

  // Damage with no start code 11,620 bytes on: the resync steps over 51 non-zero bytes...
  ByteBuilder broken = packs(6);
  const std::size_t damage = broken.size();
  broken.fill(20000, 0x77);
  EXPECT_EQ(FileOnImage(FileType::Mpg, broken.bytes).size(), damage + 51);
  // ...or 101 zero bytes...
  EXPECT_EQ(FileOnImage(FileType::Mpg, packs(6).bytes).size(), damage + 101);
  // ...and a start code found within them resets the allowance.
  ByteBuilder resynced = packs(6);
  resynced.fill(30, 0x77);
  pack(resynced);
  endCode(resynced);
  EXPECT_EQ(FileOnImage(FileType::Mpg, resynced.bytes).size(), resynced.size());
}

TEST(MpgFileCheck, ProgramStreamCrossesWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // A first packet of 541 bytes puts the packet length field of pack 33 at 65,535..65,536.
    ByteBuilder b;
    pack(b, 541);
    for (int i = 0; i < 32; ++i) pack(b);
    ASSERT_EQ(b.size() + 16, 65535u);
    for (int i = 0; i < 40; ++i) pack(b);
    endCode(b);
    FileOnImage file(FileType::Mpg, b.bytes, 13, bytesPerSector);
    EXPECT_EQ(file.size(), b.size()) << bytesPerSector;
  }
}

TEST(MpgFileCheck, ElementaryStreamAllowanceBetweenStartCodes) {
  // 720 x 576 tolerates 1,245,184 bytes (with 512-byte sectors) after a start code.
  constexpr uint64_t kAllowance = 3 * 720 * 576 + 1024;
  for (uint64_t gap : {kAllowance - 1, kAllowance}) {
    ByteBuilder b = sequence(720, 576);
    b.be32(0x100);
    const std::size_t afterPicture = b.size();
    b.fill(gap, 0).be32(0x1B7).fill(16, 0x99);
    const uint64_t expected = gap < kAllowance ? afterPicture + gap + 4 : afterPicture;
    FileOnImage file(FileType::Mpg, b.bytes);
    EXPECT_EQ(file.size(), expected) << gap;
    EXPECT_EQ(file.context().bSkipFileSize, expected > 10240);
  }
  // A sequence end followed by a group of pictures goes on; by anything else it ends.
  ByteBuilder joined = sequence(16, 16);
  joined.be32(0x100).fill(500, 0x55).be32(0x1B7).be32(0x1B8).fill(500, 0x55).be32(0x100).fill(300, 0x55);
  joined.be32(0x1B7);
  const std::size_t end = joined.size();
  joined.fill(3000, 0x55);
  EXPECT_EQ(FileOnImage(FileType::Mpg, joined.bytes).size(), end);
}

TEST(MpgFileCheck, ElementaryStreamCrossesWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    ByteBuilder b = sequence(64, 48);
    while (b.size() < 65534 - 1000) b.be32(0x100).fill(996, 0x55);
    b.padTo(65534, 0x55).be32(0x100);  // straddles 65,536
    while (b.size() < 140000) b.be32(0x100).fill(996, 0x55);
    b.be32(0x1B7);
    const std::size_t end = b.size();
    b.fill(20000, 0x55);
    EXPECT_EQ(FileOnImage(FileType::Mpg, b.bytes, 5, bytesPerSector).size(), end) << bytesPerSector;
  }
}

TEST(MpgFileCheck, CancellingEndsOnlyTheProgramStreamWalk) {
  ByteBuilder program = packs(10);
  endCode(program);
  FileOnImage programFile(FileType::Mpg, program.bytes);
  programFile.context().bCancelScanning = true;
  EXPECT_EQ(programFile.size(), 0u);

  ByteBuilder elementary = sequence(16, 16);
  elementary.be32(0x100).fill(1000, 0x55).be32(0x1B7);
  FileOnImage elementaryFile(FileType::Mpg, elementary.bytes);
  elementaryFile.context().bCancelScanning = true;
  EXPECT_EQ(elementaryFile.size(), elementary.size());
}

}  // namespace
}  // namespace salvonix
