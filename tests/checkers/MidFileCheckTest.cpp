// MIDI: Standard MIDI Files walked track by track, and the RIFF "RMID" form.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

ByteBuilder smf(uint16_t tracks) {
  ByteBuilder b;
  return b.text("MThd").be32(6).be16(1).be16(tracks).be16(96);
}

ByteBuilder& track(ByteBuilder& b, uint32_t length) { return b.text("MTrk").be32(length).fill(length, 0x40); }

ByteBuilder rmid(uint32_t riffLength) {
  ByteBuilder b;
  return b.text("RIFF").le32(riffLength).text("RMID").text("data").le32(20).fill(20, 1);
}

TEST(MidFileCheck, HeaderTest) {
  ByteBuilder standard = smf(1);
  EXPECT_TRUE(FileOnImage(FileType::Mid, track(standard, 5000).bytes).isFile());
  ByteBuilder noTrack = smf(1);
  EXPECT_FALSE(FileOnImage(FileType::Mid, noTrack.text("XTrk").fill(100, 0).bytes).isFile());
  EXPECT_TRUE(FileOnImage(FileType::Mid, rmid(10000).bytes).isFile());
  ByteBuilder wave;
  EXPECT_FALSE(FileOnImage(FileType::Mid, wave.text("RIFF").le32(10000).text("WAVE").fill(100, 0).bytes).isFile());

  FileOnImage any(FileType::Mid, rmid(10000).bytes);
  EXPECT_TRUE(any.checker().mayStartWith('M'));
  EXPECT_TRUE(any.checker().mayStartWith('R'));
  EXPECT_FALSE(any.checker().mayStartWith('N'));
}

TEST(MidFileCheck, StandardFileSizeFromItsTracks) {
  // Two tracks of 3,000 and 5,000 bytes: exactly 8,030.
  ByteBuilder two = smf(2);
  track(track(two, 3000), 5000).fill(100, 0x77);
  EXPECT_EQ(FileOnImage(FileType::Mid, two.bytes).size(), 8030u);

  // Three announced, two present: the walk stops early and adds 512.
  ByteBuilder missing = smf(3);
  track(track(missing, 3000), 5000).fill(100, 0x77);
  EXPECT_EQ(FileOnImage(FileType::Mid, missing.bytes).size(), 8542u);

  // 4,095 bytes or less is no file.
  ByteBuilder small = smf(1);
  track(small, 4000 - 22);
  EXPECT_EQ(FileOnImage(FileType::Mid, small.bytes).size(), 0u);
  ByteBuilder smallest = smf(1);
  track(smallest, 4096 - 22);
  EXPECT_EQ(FileOnImage(FileType::Mid, smallest.bytes).size(), 4096u);
  ByteBuilder none = smf(0);
  EXPECT_EQ(FileOnImage(FileType::Mid, track(none, 9000).bytes).size(), 0u);
}

TEST(MidFileCheck, TracksAcrossWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // A track header straddling 65,536, then tracks beyond the next windows.
    ByteBuilder b = smf(4);
    track(b, 65534 - 14 - 8);
    ASSERT_EQ(b.size(), 65534u);
    track(track(track(b, 70000), 200000), 100);
    FileOnImage file(FileType::Mid, b.bytes, 6, bytesPerSector);
    EXPECT_EQ(file.size(), b.size()) << bytesPerSector;
  }
}

TEST(MidFileCheck, RiffFormSizeFromTheRiffLength) {
  EXPECT_EQ(FileOnImage(FileType::Mid, rmid(10000).bytes).size(), 10008u);
  EXPECT_EQ(FileOnImage(FileType::Mid, rmid(4088).bytes).size(), 4096u);
  EXPECT_EQ(FileOnImage(FileType::Mid, rmid(4087).bytes).size(), 0u);
  EXPECT_EQ(FileOnImage(FileType::Mid, rmid(4000).bytes).size(), 0u);
  EXPECT_EQ(FileOnImage(FileType::Mid, rmid(2147483632).bytes).size(), 2147483640u);
  EXPECT_EQ(FileOnImage(FileType::Mid, rmid(2147483633).bytes).size(), 15728640u);
}

TEST(MidFileCheck, OverlongTrackAndCancellation) {
  ByteBuilder overlong = smf(2);
  overlong.text("MTrk").be32(0xFFFFFF00).fill(100, 0);
  EXPECT_EQ(FileOnImage(FileType::Mid, overlong.bytes).size(), 15728640u);

  ByteBuilder b = smf(2);
  track(track(b, 3000), 5000);
  FileOnImage cancelled(FileType::Mid, b.bytes);
  cancelled.context().bCancelScanning = true;
  EXPECT_EQ(cancelled.size(), 0u);  // nothing walked: 14 bytes
}

}  // namespace
}  // namespace salvonix
