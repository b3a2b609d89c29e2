// MP3: frame lengths, the header test, the untagged and tagged walks with
// their ends, window edges, the device end and the skip request.

#include <gtest/gtest.h>

#include <tuple>

#include "checkers/ByteBuilder.h"
#include "checkers/MpegAudioFrame.h"

namespace salvonix::test {
namespace {

// Version: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5. Layer: 3 Layer I, 2 Layer II, 1 Layer III.
uint32_t header(uint32_t version, uint32_t layer, uint32_t bitrateIndex, uint32_t sampleRateIndex,
                uint32_t padding = 0) {
  return 0xFFE10000u | version << 19 | layer << 17 | bitrateIndex << 12 | sampleRateIndex << 10 | padding << 9;
}

constexpr uint32_t kFrame417 = 0xFFFB9064;   // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz
constexpr uint32_t kOtherKind = 0xFFFA9064;  // the same with a CRC: ends a tagged walk of kFrame417
const uint32_t kFrame1440 = header(3, 1, 14, 2);

// Frames of one header each, filled with zeros, after what b holds.
ByteBuilder frames(std::size_t count, ByteBuilder b = {}, uint32_t h = kFrame417) {
  for (std::size_t i = 0; i < count; ++i) b.be32(h).fill(MpegAudioHeader(h).frameLength() - 4, 0);
  return b;
}

// An ID3v2 tag header announcing tagSize bytes after it, and those bytes.
ByteBuilder id3(uint32_t tagSize) {
  return ByteBuilder().text("ID3").u8(3).u8(0).u8(0).synchsafe(tagSize).fill(tagSize, 'T');
}

uint64_t mp3Size(const ByteBuilder& b) { return FileOnImage(FileType::Mp3, b.bytes).size(); }

TEST(MpegAudioFrame, FrameLengthsOfEveryVersionAndLayer) {
  const std::pair<uint32_t, uint32_t> cases[] = {
      {kFrame417, 417},          {header(3, 1, 9, 0, 1), 418},  // MPEG-1 Layer III, padded
      {header(2, 1, 8, 0), 208},                                // MPEG-2 Layer III, 64 kbit/s, 22,050 Hz
      {header(0, 1, 1, 2), 72},                                 // MPEG-2.5 Layer III, 8 kbit/s, 8,000 Hz
      {header(3, 2, 14, 2), 1728},                              // MPEG-1 Layer II, 384 kbit/s, 32 kHz
      {header(2, 2, 14, 1), 960},                               // MPEG-2 Layer II, 160 kbit/s, 24 kHz
      {header(3, 3, 14, 0, 1), 488},                            // MPEG-1 Layer I, 448 kbit/s, 44.1 kHz, padded
      {header(2, 3, 14, 2), 768}};                              // MPEG-2 Layer I, 256 kbit/s, 16 kHz
  for (const auto& [h, length] : cases) EXPECT_EQ(MpegAudioHeader(h).frameLength(), length) << std::hex << h;
}

TEST(Mp3FileCheck, HeaderTest) {
  const auto accepts = [](Bytes start) {
    start.resize(25, 0);
    return FileOnImage(FileType::Mp3, start).isFile();
  };
  EXPECT_TRUE(accepts({0xFF, 0xFB, 0x90, 0x64}));
  for (uint8_t third : {0xF0, 0x00, 0x9C}) EXPECT_FALSE(accepts({0xFF, 0xFB, third, 0x64}));  // bad bitrate or rate
  for (uint8_t second : {0xFA, 0xFD, 0xE3, 0xF3}) EXPECT_TRUE(accepts({0xFF, second, 0x90, 0x00})) << int(second);
  for (uint8_t second : {0xFC, 0xFE, 0xF2}) EXPECT_FALSE(accepts({0xFF, second, 0x90, 0x00})) << int(second);
  EXPECT_TRUE(accepts({'I', 'D', '3', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_FALSE(accepts({'I', 'D', '2'}));
}

TEST(Mp3FileCheck, UntaggedWalkEnds) {
  // At most 10,240 bytes: no file, and no skip left over from before.
  FileOnImage tooShort(FileType::Mp3, frames(24).bytes);  // 10,008 bytes
  tooShort.context().bSkipFileSize = true;
  EXPECT_EQ(tooShort.size(), 0u);
  EXPECT_FALSE(tooShort.context().bSkipFileSize);

  EXPECT_EQ(mp3Size(frames(30).be32(0xFFFBF064)), 30u * 417);  // an invalid header
  EXPECT_EQ(FileOnImage(FileType::Mp3, frames(30).bytes).cancelledSize(), 512u);

  // The walk stops past 10,485,759 on the last byte of the frame holding that offset.
  FileOnImage limited(FileType::Mp3, frames(10485760 / 1440 + 10, {}, kFrame1440).bytes);
  EXPECT_EQ(limited.size(), 10485759u / 1440 * 1440 + 1439 + 512);
  EXPECT_TRUE(limited.context().bSkipFileSize);
}

TEST(Mp3FileCheck, TaggedWalkEndsAtAFrameOfAnotherKindOrAnInvalidOne) {
  constexpr uint32_t kBadBitrate = 0xFFFB0064, kBadRate = 0xFFFB9C64;
  // Recorded up to that frame when it lies beyond 10,240 bytes (a bad bitrate: beyond 4,096).
  for (const auto& [end, at, size] : {std::tuple<uint32_t, std::size_t, uint64_t>{kOtherKind, 9000, 0},
                                      {kOtherKind, 10241, 10241}, {kBadRate, 10240, 0}, {kBadRate, 12000, 12000},
                                      {kBadBitrate, 4096, 0}, {kBadBitrate, 4097, 4097}}) {
    FileOnImage file(FileType::Mp3, frames(9, id3(0)).padTo(at, 0x11).be32(end).bytes);
    EXPECT_EQ(file.size(), size) << std::hex << end << std::dec << " at " << at;
    EXPECT_EQ(file.context().bSkipFileSize, size > 0);
  }
  // Beyond 15 MiB a bad bitrate gives a fixed 8 MiB.
  EXPECT_EQ(mp3Size(frames(15728640 / 1440 + 1, id3(0), kFrame1440).be32(kBadBitrate)), 8388608u);
}

TEST(Mp3FileCheck, TaggedWalkFindsTheFirstFrameCloseToTheTag) {
  for (uint32_t gap : {1u, 2047u, 2048u}) {
    ByteBuilder b = id3(100);
    b.bytes.resize(100 + gap, 0);  // the first frame lies gap bytes after the tag size
    b = frames(30, b).be32(kOtherKind);
    EXPECT_EQ(mp3Size(b), gap <= 2047 ? b.size() - 4 : 0) << gap;
  }
  for (uint32_t tagSize : {10485760u, 10485761u}) {  // at most 10 MiB
    const ByteBuilder b = frames(3, id3(tagSize)).be32(kOtherKind);
    EXPECT_EQ(mp3Size(b), tagSize <= 10485760 ? b.size() - 4 : 0) << tagSize;
  }
  FileOnImage cancelled(FileType::Mp3, frames(30, id3(20000)).bytes);
  EXPECT_EQ(cancelled.cancelledSize(), 20010u);  // where the first frame was found
  EXPECT_TRUE(cancelled.context().bSkipFileSize);
}

TEST(Mp3FileCheck, TaggedWalkStopsAtFreeSpaceTheNextTagAndTheDeviceEnd) {
  // 64 KiB without a frame (free space) end the file where they begin, even if frames follow; fewer are passed over.
  const ByteBuilder song = frames(40, id3(0));
  EXPECT_EQ(mp3Size(frames(40, ByteBuilder(song).fill(65536, 0))), song.size());
  const ByteBuilder gap = frames(40, ByteBuilder(song).fill(65535, 0));
  EXPECT_EQ(mp3Size(ByteBuilder(gap).be32(kOtherKind)), gap.size());

  // The next tagged file begins right after this one's ID3v1 tag.
  const ByteBuilder tagged = frames(40, id3(300)).text("TAG").fill(125, 'x');
  EXPECT_EQ(mp3Size(frames(40, ByteBuilder(tagged).append(id3(300).bytes)).be32(kOtherKind)), tagged.size());

  // Another file's data (no frames) after the song: the song ends with its last
  // frame, or with its ID3v1 tag, so the file after it is not skipped over.
  EXPECT_EQ(mp3Size(ByteBuilder(tagged).fill(100000, 0x76).be32(kOtherKind)), tagged.size());
  EXPECT_EQ(mp3Size(ByteBuilder(song).fill(100000, 0x76).be32(kOtherKind)), song.size());

  // Frames up to the end of the device; a tag and one frame on a device of zeros.
  const ByteBuilder toEnd = frames(40, id3(0)).padTo(34 * 512, 0x11);
  EXPECT_EQ(FileOnImage(FileType::Mp3, toEnd.bytes, 4, 512, 512 * 4 + toEnd.size()).size(), toEnd.size());
  EXPECT_EQ(FileOnImage(FileType::Mp3, frames(1, id3(0)).bytes, 3, 512, 64u << 20).size(), 0u);
}

TEST(Mp3FileCheck, WalksCrossWindowEdges) {
  // A frame header at 65,535: its first byte in the 64 KiB, the rest in the extra sector.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // Untagged: 66 padded and 91 plain frames make 65,535 bytes; ended by seven misses.
    const ByteBuilder untagged = frames(91, frames(66, {}, header(3, 1, 9, 0, 1)));
    ASSERT_EQ(untagged.size(), 65535u);
    FileOnImage untaggedFile(FileType::Mp3, frames(10, untagged).bytes, 9, bytesPerSector);
    EXPECT_EQ(untaggedFile.size(), untagged.size() + 10 * 417 + 5 + bytesPerSector) << bytesPerSector;
    EXPECT_TRUE(untaggedFile.context().bSkipFileSize);

    // Tagged: a 56-byte tag puts frame 157 at 65,535.
    const ByteBuilder tagged = frames(157, id3(56));
    ASSERT_EQ(tagged.size(), 65535u);
    FileOnImage taggedFile(FileType::Mp3, frames(10, tagged).be32(kOtherKind).bytes, 9, bytesPerSector);
    EXPECT_EQ(taggedFile.size(), tagged.size() + 10 * 417) << bytesPerSector;
    EXPECT_TRUE(taggedFile.context().bSkipFileSize);
  }
}

}  // namespace
}  // namespace salvonix::test
