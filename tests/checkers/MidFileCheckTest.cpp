// MIDI: Standard MIDI Files walked track by track, and the RIFF "RMID" form.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"

namespace salvonix::test {
namespace {

// A header announcing that many tracks, then tracks of the given data lengths.
ByteBuilder smf(uint16_t tracks, std::initializer_list<uint32_t> lengths) {
  ByteBuilder b;
  b.text("MThd").be32(6).be16(1).be16(tracks).be16(96);
  for (uint32_t length : lengths) b.text("MTrk").be32(length).fill(length, 0x40);
  return b;
}

ByteBuilder riff(uint32_t length, std::string_view form = "RMID") {
  return ByteBuilder().text("RIFF").le32(length).text(form).text("data").le32(20).fill(20, 1);
}

uint64_t midSize(const ByteBuilder& b) { return FileOnImage(FileType::Mid, b.bytes).size(); }

TEST(MidFileCheck, HeaderTest) {
  EXPECT_TRUE(FileOnImage(FileType::Mid, smf(1, {5000}).bytes).isFile());
  EXPECT_FALSE(FileOnImage(FileType::Mid, smf(1, {}).text("XTrk").fill(100, 0).bytes).isFile());
  EXPECT_TRUE(FileOnImage(FileType::Mid, riff(10000).bytes).isFile());
  EXPECT_FALSE(FileOnImage(FileType::Mid, riff(10000, "WAVE").bytes).isFile());
}

TEST(MidFileCheck, StandardFileSizeFromItsTracksAndCancellation) {
  EXPECT_EQ(midSize(smf(2, {3000, 5000}).fill(100, 0x77)), 8030u);
  EXPECT_EQ(midSize(smf(3, {3000, 5000}).fill(100, 0x77)), 8542u);  // a track missing: the walk adds 512
  // Every announced track found: whole however short (ring tones). A walk
  // that stopped early needs 4,096 bytes, and 0 tracks is no file.
  for (uint32_t total : {300u, 4000u, 4096u}) EXPECT_EQ(midSize(smf(1, {total - 22})), total);
  for (uint32_t total : {3000u, 4095u}) EXPECT_EQ(midSize(smf(2, {total - 22}).fill(100, 0x77)), 0u);
  EXPECT_EQ(midSize(smf(2, {4096 - 22}).fill(100, 0x77)), 4096u + 512);
  EXPECT_EQ(midSize(smf(0, {9000})), 0u);
  EXPECT_EQ(midSize(smf(2, {}).text("MTrk").be32(0xFFFFFF00).fill(100, 0)), 15728640u);  // beyond the limit
  EXPECT_EQ(FileOnImage(FileType::Mid, smf(2, {3000, 5000}).bytes).cancelledSize(), 0u);  // 14 bytes walked
}

TEST(MidFileCheck, TracksAcrossWindowEdges) {
  // A track header straddling 65,536, then tracks beyond the next windows.
  ASSERT_EQ(smf(4, {65534 - 14 - 8}).size(), 65534u);
  const ByteBuilder b = smf(4, {65534 - 14 - 8, 70000, 200000, 100});
  for (uint32_t bytesPerSector : {512u, 4096u})
    EXPECT_EQ(FileOnImage(FileType::Mid, b.bytes, 6, bytesPerSector).size(), b.size()) << bytesPerSector;
}

TEST(MidFileCheck, RiffFormSizeFromTheRiffLength) {
  for (const auto& [length, size] : {std::pair<uint32_t, uint64_t>{10000, 10008}, {4088, 4096}, {4087, 0}, {4000, 0},
                                     {2147483632, 2147483640}, {2147483633, 15728640}})
    EXPECT_EQ(midSize(riff(length)), size) << length;
}

}  // namespace
}  // namespace salvonix::test
