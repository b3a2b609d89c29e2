// MP3: frame lengths of every MPEG version and layer, the header test, the
// untagged and tagged walks with their ends, window edges, the device end and
// the skip request.

#include <gtest/gtest.h>

#include "checkers/ByteBuilder.h"
#include "checkers/MpegAudioFrame.h"

namespace salvonix {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::FileOnImage;

// Version: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5. Layer: 3 Layer I, 2 Layer II, 1 Layer III.
uint32_t header(uint32_t version, uint32_t layer, uint32_t bitrateIndex, uint32_t sampleRateIndex,
                uint32_t padding = 0, bool crc = false) {
  return 0xFFE00000u | version << 19 | layer << 17 | (crc ? 0u : 1u) << 16 | bitrateIndex << 12 |
         sampleRateIndex << 10 | padding << 9;
}

uint32_t frameLength(uint32_t h) { return MpegAudioHeader(h).frameLength(); }

constexpr uint32_t kFrame417 = 0xFFFB9064;  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz

// Frames of one header each, filled with zeros.
ByteBuilder& frames(ByteBuilder& b, uint32_t h, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) b.be32(h).fill(frameLength(h) - 4, 0);
  return b;
}

// An ID3v2 tag header announcing tagSize bytes after it, and that many bytes.
ByteBuilder id3(uint32_t tagSize, bool withBody = true) {
  ByteBuilder b;
  b.text("ID3").u8(3).u8(0).u8(0);
  for (int shift : {21, 14, 7, 0}) b.u8(static_cast<uint8_t>((tagSize >> shift) & 0x7F));
  if (withBody) b.fill(tagSize, 'T');
  return b;
}

TEST(MpegAudioFrame, FrameLengthsOfEveryVersionAndLayer) {
  EXPECT_EQ(frameLength(kFrame417), 417u);
  EXPECT_EQ(frameLength(header(3, 1, 9, 0, 1)), 418u);   // padded
  EXPECT_EQ(frameLength(header(2, 1, 8, 0)), 208u);      // MPEG-2 Layer III, 64 kbit/s, 22,050 Hz
  EXPECT_EQ(frameLength(header(0, 1, 1, 2)), 72u);       // MPEG-2.5 Layer III, 8 kbit/s, 8,000 Hz
  EXPECT_EQ(frameLength(header(0, 1, 14, 0)), 1044u);    // MPEG-2.5 Layer III, 160 kbit/s, 11,025 Hz
  EXPECT_EQ(frameLength(header(3, 1, 14, 2)), 1440u);    // MPEG-1 Layer III, 320 kbit/s, 32 kHz
  EXPECT_EQ(frameLength(header(3, 2, 10, 1)), 576u);     // MPEG-1 Layer II, 192 kbit/s, 48 kHz
  EXPECT_EQ(frameLength(header(3, 2, 14, 2)), 1728u);    // MPEG-1 Layer II, 384 kbit/s, 32 kHz
  EXPECT_EQ(frameLength(header(2, 2, 14, 1)), 960u);     // MPEG-2 Layer II, 160 kbit/s, 24 kHz
  EXPECT_EQ(frameLength(header(3, 3, 1, 2)), 48u);       // MPEG-1 Layer I, 32 kbit/s, 32 kHz
  EXPECT_EQ(frameLength(header(3, 3, 14, 0, 1)), 488u);  // MPEG-1 Layer I, 448 kbit/s, 44.1 kHz, padded
  EXPECT_EQ(frameLength(header(2, 3, 14, 2)), 768u);     // MPEG-2 Layer I, 256 kbit/s, 16 kHz
}

TEST(Mp3FileCheck, HeaderTest) {
  const auto accepts = [](Bytes start) {
    start.resize(25, 0);
    return FileOnImage(FileType::Mp3, start).isFile();
  };
  EXPECT_TRUE(accepts({0xFF, 0xFB, 0x90, 0x64}));
  EXPECT_FALSE(accepts({0xFF, 0xFB, 0xF0, 0x64}));  // bitrate index 15
  EXPECT_FALSE(accepts({0xFF, 0xFB, 0x00, 0x64}));  // free format
  EXPECT_FALSE(accepts({0xFF, 0xFB, 0x9C, 0x64}));  // sample-rate index 3
  for (uint8_t second : {0xFA, 0xFD, 0xE3, 0xF3}) EXPECT_TRUE(accepts({0xFF, second, 0x90, 0x00})) << int(second);
  for (uint8_t second : {0xFC, 0xFE, 0xFF, 0xF2, 0xE2}) EXPECT_FALSE(accepts({0xFF, second, 0x90, 0x00}));
  EXPECT_TRUE(accepts({'I', 'D', '3'}));
  EXPECT_TRUE(accepts({'I', 'D', '3', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_FALSE(accepts({'I', 'D', '2'}));

  FileOnImage any(FileType::Mp3, {0});
  EXPECT_TRUE(any.checker().mayStartWith(0xFF));
  EXPECT_TRUE(any.checker().mayStartWith('I'));
  EXPECT_FALSE(any.checker().mayStartWith(0xFE));
}

TEST(Mp3FileCheck, UntaggedWalkEnds) {
  // Seven misses after the last frame: file length + 5 + bytes per sector.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    ByteBuilder b;
    frames(b, kFrame417, 30);
    FileOnImage file(FileType::Mp3, b.bytes, 2, bytesPerSector);
    EXPECT_EQ(file.size(), 30u * 417 + 5 + bytesPerSector);
    EXPECT_TRUE(file.context().bSkipFileSize);
  }
  // At most 10,240 bytes: no file, no skip.
  ByteBuilder shortStream;
  frames(shortStream, kFrame417, 24);  // 10,008 bytes
  FileOnImage tooShort(FileType::Mp3, shortStream.bytes);
  tooShort.context().bSkipFileSize = true;
  EXPECT_EQ(tooShort.size(), 0u);
  EXPECT_FALSE(tooShort.context().bSkipFileSize);

  // An invalid header ends the walk at that header.
  ByteBuilder invalid;
  frames(invalid, kFrame417, 30).be32(0xFFFBF064);
  EXPECT_EQ(FileOnImage(FileType::Mp3, invalid.bytes).size(), 30u * 417);

  // The walk stops past 10,485,759 on the last byte of the frame holding that offset.
  const uint32_t big = header(3, 1, 14, 2);  // 1,440-byte frames
  ByteBuilder longStream;
  frames(longStream, big, 10485760 / 1440 + 10);
  FileOnImage limited(FileType::Mp3, longStream.bytes);
  EXPECT_EQ(limited.size(), 10485759u / 1440 * 1440 + 1439 + 512);
  EXPECT_TRUE(limited.context().bSkipFileSize);
}

TEST(Mp3FileCheck, TaggedWalkEnds) {
  // Frames right after the tag, ended by a frame of another kind (FF FA after FF FB).
  ByteBuilder tagged = id3(1000);
  frames(tagged, kFrame417, 30);
  const std::size_t end = tagged.size();
  tagged.be32(0xFFFA9064);
  FileOnImage file(FileType::Mp3, tagged.bytes);
  EXPECT_EQ(file.size(), end);
  EXPECT_TRUE(file.context().bSkipFileSize);

  // Ending at 10,240 bytes or less is no file.
  ByteBuilder shortTagged = id3(0);
  frames(shortTagged, kFrame417, 21).padTo(9000).be32(0xFFFA9064);
  EXPECT_EQ(FileOnImage(FileType::Mp3, shortTagged.bytes).size(), 0u);

  // Bytes that are not frame headers (an ID3v1 tag) are passed over.
  ByteBuilder trailing = id3(500);
  frames(trailing, kFrame417, 30).text("TAG").fill(125, 'x');
  const std::size_t withTrailer = trailing.size();
  trailing.be32(0xFFF39064);
  EXPECT_EQ(FileOnImage(FileType::Mp3, trailing.bytes).size(), withTrailer);

  // Sample-rate index 3 in a frame of the same kind: a normal end there.
  ByteBuilder badRate = id3(0);
  frames(badRate, kFrame417, 30);
  const std::size_t badRateAt = badRate.size();
  badRate.be32(0xFFFB9C64);
  EXPECT_EQ(FileOnImage(FileType::Mp3, badRate.bytes).size(), badRateAt);
}

TEST(Mp3FileCheck, TaggedWalkFindsTheFirstFrameCloseToTheTag) {
  for (uint32_t gap : {1u, 2047u, 2048u}) {
    ByteBuilder b = id3(100, false);
    b.fill(100 + gap - 10, 0);  // the first frame lies gap bytes after the tag size
    frames(b, kFrame417, 30).be32(0xFFFA9064);
    const uint64_t expected = gap <= 2047 ? b.size() - 4 : 0;
    EXPECT_EQ(FileOnImage(FileType::Mp3, b.bytes).size(), expected) << gap;
  }
  // The tag size is at most 10 MiB.
  for (uint32_t tagSize : {10485760u, 10485761u}) {
    ByteBuilder b = id3(tagSize);
    frames(b, kFrame417, 3).be32(0xFFFA9064);
    EXPECT_EQ(FileOnImage(FileType::Mp3, b.bytes).size(), tagSize <= 10485760 ? b.size() - 4 : 0) << tagSize;
  }
}

TEST(Mp3FileCheck, TaggedWalkWithFreeFormatOrInvalidBitrate) {
  const uint32_t badBitrate = 0xFFFB0064;
  ByteBuilder nearStart = id3(0);
  frames(nearStart, kFrame417, 9).be32(badBitrate);  // at 3,753: no file
  EXPECT_EQ(FileOnImage(FileType::Mp3, nearStart.bytes).size(), 0u);

  ByteBuilder later = id3(0);
  frames(later, kFrame417, 12);
  const std::size_t at = later.size();  // 5,014: recorded up to there, even below 10,240
  later.be32(badBitrate);
  FileOnImage laterFile(FileType::Mp3, later.bytes);
  EXPECT_EQ(laterFile.size(), at);
  EXPECT_TRUE(laterFile.context().bSkipFileSize);

  // Beyond 15 MiB: a fixed 8 MiB.
  ByteBuilder far = id3(0);
  frames(far, header(3, 1, 14, 2), 15728640 / 1440 + 1).be32(badBitrate);
  EXPECT_EQ(FileOnImage(FileType::Mp3, far.bytes).size(), 8388608u);
}

TEST(Mp3FileCheck, TaggedWalkStopsAtFreeSpaceTheNextTagAndTheDeviceEnd) {
  // Frames, then free space (zeros), then more frames of the same kind: the
  // file ends where the free space begins.
  ByteBuilder b = id3(0);
  frames(b, kFrame417, 40);
  const std::size_t end = b.size();
  b.fill(200000, 0);
  frames(b, kFrame417, 40);
  EXPECT_EQ(FileOnImage(FileType::Mp3, b.bytes).size(), end);

  // Zeros shorter than 64 KiB between frames are passed over.
  ByteBuilder gap = id3(0);
  frames(gap, kFrame417, 40).fill(65535, 0);
  frames(gap, kFrame417, 40);
  const std::size_t gapEnd = gap.size();
  gap.be32(0xFFFA9064);
  EXPECT_EQ(FileOnImage(FileType::Mp3, gap.bytes).size(), gapEnd);

  // The next tagged file begins right after this one's ID3v1 tag: the walk
  // does not run on through its frames of the same kind.
  ByteBuilder album = id3(300);
  frames(album, kFrame417, 40).text("TAG").fill(125, 'x');
  const std::size_t firstSong = album.size();
  album.append(id3(300).bytes);
  frames(album, kFrame417, 40).be32(0xFFFA9064);
  EXPECT_EQ(FileOnImage(FileType::Mp3, album.bytes).size(), firstSong);

  // Frames up to the end of the device, then nothing: the file ends there.
  ByteBuilder toEnd = id3(0);
  frames(toEnd, kFrame417, 40).padTo(34 * 512, 0x11);
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 512 * 4 + toEnd.size());
  image.putAtSector(4, toEnd.bytes);
  test::CheckerRun run(image.path(), FileType::Mp3);
  EXPECT_EQ(run.size(4), toEnd.size());

  // A tag and one frame on an empty device: no file.
  ByteBuilder lone = id3(0);
  frames(lone, kFrame417, 1);
  EXPECT_EQ(FileOnImage(FileType::Mp3, lone.bytes, 3, 512, 64u << 20).size(), 0u);
}

TEST(Mp3FileCheck, WalksCrossWindowEdges) {
  // A frame header at 65,535: its first byte in the 64 KiB, the rest in the extra sector.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    // Untagged: 66 padded and 91 plain frames make 65,535 bytes.
    ByteBuilder untagged;
    frames(untagged, header(3, 1, 9, 0, 1), 66);
    frames(untagged, kFrame417, 91);
    ASSERT_EQ(untagged.size(), 65535u);
    frames(untagged, kFrame417, 10);
    FileOnImage untaggedFile(FileType::Mp3, untagged.bytes, 9, bytesPerSector);
    EXPECT_EQ(untaggedFile.size(), untagged.size() + 5 + bytesPerSector) << bytesPerSector;

    // Tagged: a 56-byte tag puts frame 157 at 65,535.
    ByteBuilder tagged = id3(56);
    frames(tagged, kFrame417, 157);
    ASSERT_EQ(tagged.size(), 65535u);
    frames(tagged, kFrame417, 10);
    const std::size_t taggedEnd = tagged.size();
    tagged.be32(0xFFFA9064);
    FileOnImage taggedFile(FileType::Mp3, tagged.bytes, 9, bytesPerSector);
    EXPECT_EQ(taggedFile.size(), taggedEnd) << bytesPerSector;
  }
}

TEST(Mp3FileCheck, CancelledWalks) {
  ByteBuilder untagged;
  frames(untagged, kFrame417, 30);
  FileOnImage plain(FileType::Mp3, untagged.bytes);
  plain.context().bCancelScanning = true;
  EXPECT_EQ(plain.size(), 512u);

  ByteBuilder tagged = id3(20000);
  frames(tagged, kFrame417, 30);
  FileOnImage withTag(FileType::Mp3, tagged.bytes);
  withTag.context().bCancelScanning = true;
  EXPECT_EQ(withTag.size(), 20010u);  // where the search from the tag size found the first frame
  EXPECT_TRUE(withTag.context().bSkipFileSize);
}

}  // namespace
}  // namespace salvonix
