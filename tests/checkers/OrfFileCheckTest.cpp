#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// An ORF with one raw strip and, optionally, an Exif IFD whose maker note is
// `note` followed by the IFD `noteIfd`.
TiffBuilder orf(uint8_t mark, const Bytes& note = {}, const Ifd& noteIfd = {}) {
  TiffBuilder b;
  b.magic('R', mark);
  Ifd ifd0 = {b.string(kMake, "OLYMPUS IMAGING CORP."), longValue(kStripOffsets, 0x1000),
              longValue(kStripByteCounts, 0x400000)};
  if (!note.empty()) {
    const uint32_t noteAt = b.append(note);
    if (!noteIfd.empty()) b.appendIfd(noteIfd);
    ifd0.push_back(longValue(0x8769, b.appendIfd({{0x927C, kUndefined, 100, noteAt}})));  // Exif IFD, maker note
  }
  b.chain({ifd0});
  return b;
}

TEST(OrfFileCheck, StripEndWithTheRsAllowance) {
  TiffFixture f;
  f.place(orf('S'));
  EXPECT_EQ(f.size(FileType::Orf), 5500u + 0x401000 + 512);
  f.place(orf('O'));
  EXPECT_EQ(f.size(FileType::Orf), 0x401000u + 512);
}

TEST(OrfFileCheck, OlderMakerNoteNamesThePreview) {
  for (uint32_t length : {20000u, 3000000u}) {
    TiffFixture f;
    TiffBuilder b = orf('O', {'O', 'L', 'Y', 'M', 'P', 0, 1, 0}, {{0x2020, 13, 1, 0x3000}});
    // The block's count lies 12 bytes after the position named.
    b.writeIfd(0x3000 + 12, {longValue(0x0101, 0x5123), longValue(0x0102, length)});
    f.place(b, 10);
    EXPECT_EQ(f.size(FileType::Orf, 10), 0x401000u + 512);
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 10u + 0x5123 / 512);
    EXPECT_EQ(f.context.uExtraBytesOfJpgFileOffset, 0x5123u % 512);
    EXPECT_EQ(f.context.u64RawJpgFileSize, length);
    EXPECT_EQ(f.context.bRawJpgFileFound, length <= 0x200000);
  }
}

TEST(OrfFileCheck, NewerMakerNoteSearchesForTheEndMarker) {
  const Bytes note = {'O', 'L', 'Y', 'M', 'P', 'U', 'S', 0, 'I', 'I', 3, 0};
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    TiffFixture f(bytesPerSector);
    TiffBuilder b = orf('O', note);
    // The end marker 70,000 bytes into the preview, which starts at 24,576.
    b.putBytes(24576 + 70000, {0xFF, 0xD9});
    f.place(b, 2);
    EXPECT_EQ(f.size(FileType::Orf, 2), 0x401000u + 512);
    EXPECT_TRUE(f.context.bRawJpgFileFound) << bytesPerSector;
    EXPECT_EQ(f.context.u64RawJpgFileSectorNumber, 2u + 24576 / bytesPerSector);
    EXPECT_EQ(f.context.uExtraBytesOfJpgFileOffset, 0u);
    EXPECT_EQ(f.context.u64RawJpgFileSize, 70000u + 65586) << bytesPerSector;
    // Past the 32 windows searched, nothing is reported.
    b.putBytes(24576 + 70000, {0, 0});
    b.putBytes(24576 + 32 * 65536, {0xFF, 0xD9});
    f.place(b, 2);
    EXPECT_EQ(f.size(FileType::Orf, 2), 0x401000u + 512);
    EXPECT_FALSE(f.context.bRawJpgFileFound);
    EXPECT_EQ(f.context.u64RawJpgFileSize, 0u);
  }
}

}  // namespace
}  // namespace salvonix::test
