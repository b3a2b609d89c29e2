#include <gtest/gtest.h>

#include <vector>

#include "checkers/RawFileBuilders.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kMiB = 1048576;
constexpr uint64_t kNotFoundSize = 19922944;

Measured measureX3f(const X3fFile& x3f, uint64_t sector = 0, uint32_t bytesPerSector = 512) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 32 * kMiB);
  putX3f(image, sector * bytesPerSector, x3f);
  return measure(image.path(), FileType::X3f, sector, bytesPerSector);
}

uint64_t sigmaTiffSize(const SigmaTiffFile& tiff, uint32_t bytesPerSector = 512, uint64_t sector = 0) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * kMiB + uint64_t{tiff.ifd0});
  putSigmaTiff(image, sector * bytesPerSector, tiff);
  const Measured m = measure(image.path(), FileType::X3f, sector, bytesPerSector);
  EXPECT_EQ(m.size == 0 ? ".tif" : m.extension, ".tif");
  return m.size;
}

TEST(X3fFileCheck, RecognisesRawFilesByTheirFirstSection) {
  TempDir dir;
  TestImage image(dir.file("card.img"), kMiB);
  image.putAtSector(0, {'F', 'O', 'V', 'b'});
  image.put(232, {'S', 'E', 'C', 'p'});
  image.putAtSector(2, {'F', 'O', 'V', 'b'});
  image.put(2 * 512 + 232, {'S', 'E', 'X', 'i'});
  image.putAtSector(4, {'F', 'O', 'V', 'c'});
  image.put(4 * 512 + 232, {'S', 'E', 'C', 'i'});
  CheckerRun run(image.path(), FileType::X3f);
  EXPECT_TRUE(run.isFile(0));
  EXPECT_FALSE(run.isFile(2));
  EXPECT_FALSE(run.isFile(4));
  for (uint8_t first : {uint8_t{'F'}, uint8_t{'I'}, uint8_t{'M'}}) EXPECT_TRUE(run.checker->mayStartWith(first));
  for (uint8_t first : {uint8_t{0}, uint8_t{'G'}, uint8_t{'H'}, uint8_t{0xFF}}) EXPECT_FALSE(run.checker->mayStartWith(first));
}

TEST(X3fFileCheck, RecognisesTiffFilesMadeBySigma) {
  struct Case {
    const char* what;
    SigmaTiffFile tiff;
    bool recognised;
  };
  std::vector<Case> cases;
  cases.push_back({"little-endian", SigmaTiffFile{}, true});
  SigmaTiffFile tiff;
  tiff.littleEndian = false;
  cases.push_back({"big-endian", tiff, true});
  tiff = SigmaTiffFile{};
  tiff.make = "SIGMX";
  cases.push_back({"other make", tiff, false});
  tiff = SigmaTiffFile{};
  tiff.make = "SIGMA CORPORATION";
  cases.push_back({"longer make", tiff, true});
  tiff = SigmaTiffFile{};
  tiff.entries.push_back({0xC612, 1, 4, 0x00000401});
  cases.push_back({"DNG after the make", tiff, false});
  tiff = SigmaTiffFile{};
  tiff.entries = {{0x0100, 3, 1, 640}, {0x010F, 2, 6, 200}};
  cases.push_back({"two entries", tiff, true});
  tiff.entries.pop_back();
  cases.push_back({"one entry", tiff, false});
  tiff = SigmaTiffFile{};
  tiff.entries.resize(101, {0x0100, 3, 1, 640});
  tiff.entries[0] = {0x010F, 2, 6, 200};
  cases.push_back({"101 entries", tiff, false});
  tiff.entries.resize(100);
  cases.push_back({"100 entries", tiff, true});
  tiff = SigmaTiffFile{};
  tiff.entries[1].value = 104857601;
  cases.push_back({"make beyond 100 MiB", tiff, false});
  tiff = SigmaTiffFile{};
  tiff.ifd0 = 157286401;
  cases.push_back({"IFD0 beyond 150 MiB", tiff, false});

  for (const Case& c : cases) {
    TempDir dir;
    TestImage image(dir.file("card.img"), kMiB);
    putSigmaTiff(image, 512, c.tiff);
    CheckerRun run(image.path(), FileType::X3f);
    EXPECT_EQ(run.isFile(1), c.recognised) << c.what;
    if (c.recognised) {
      EXPECT_EQ(run.context.tiff.bLittleEndianFile, c.tiff.littleEndian) << c.what;
    }
  }

  // A CRW heap is never a Sigma TIFF.
  TempDir dir;
  TestImage image(dir.file("card.img"), kMiB);
  putSigmaTiff(image, 0, SigmaTiffFile{});
  image.put(6, {'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  CheckerRun run(image.path(), FileType::X3f);
  EXPECT_FALSE(run.isFile(0));
}

TEST(X3fFileCheck, EndsRawFilesAtTheirDirectory) {
  const Measured m = measureX3f(X3fFile{});
  EXPECT_EQ(m.size, 10000076u);
  EXPECT_EQ(m.extension, ".x3f");

  struct Case {
    uint64_t directory;
    uint64_t size;
  };
  for (const Case& c : {Case{19922939, 19922939 + 16 + 60}, Case{19922940, kNotFoundSize}}) {
    X3fFile x3f;
    x3f.directory = c.directory;
    EXPECT_EQ(measureX3f(x3f).size, c.size) << c.directory;
  }
  // "SECd" whose last field does not point back at it is image data: the search goes on.
  TempDir dir;
  TestImage image(dir.file("card.img"), 32 * kMiB);
  X3fFile later;
  later.directory = 3000000;
  putX3f(image, 0, later);
  const EndianWriter w(image, 0, true);
  w.text(700000, "SECd");
  w.u32(700008, 4000000000u);
  w.text(900000, "SECd");
  w.u32(900008, 2);
  w.u32(900000 + 12 + 24, 900001);
  EXPECT_EQ(measure(image.path(), FileType::X3f, 0).size, 3000076u);
  X3fFile broken;
  broken.endsWithDirectoryOffset = false;
  EXPECT_EQ(measureX3f(broken).size, kNotFoundSize);
}

TEST(X3fFileCheck, FindsTheDirectoryAcrossWindowEdges) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    for (uint64_t directory : {65534u, 2 * 65536u - 1, 65536u}) {
      X3fFile x3f;
      x3f.directory = directory;
      x3f.entries = 3;
      const Measured m = measureX3f(x3f, 5, bytesPerSector);
      EXPECT_EQ(m.size, directory + 16 + 36) << bytesPerSector << " " << directory;
      EXPECT_TRUE(m.preview);
    }
  }
}

TEST(X3fFileCheck, ReportsThePreviewOfTheImageSection) {
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    const Measured m = measureX3f(X3fFile{}, 3, bytesPerSector);
    EXPECT_TRUE(m.preview);
    EXPECT_EQ(m.previewSize, 500000u);
    EXPECT_EQ(m.previewSector, 3u);
    EXPECT_EQ(m.previewExtra, 260u);
  }
  for (uint8_t marker : {uint8_t{0xDB}, uint8_t{0xE0}, uint8_t{0xE1}}) {
    X3fFile x3f;
    x3f.jpegMarker = marker;
    EXPECT_TRUE(measureX3f(x3f).preview) << int{marker};
  }

  struct Case {
    const char* what;
    X3fFile x3f;
    bool reported;
  };
  std::vector<Case> cases;
  X3fFile x3f;
  x3f.entry0Offset = 26214400 - 28;
  cases.push_back({"preview at 25 MiB", x3f, true});
  x3f.entry0Offset = 26214400 - 27;
  cases.push_back({"preview beyond 25 MiB", x3f, false});
  x3f = X3fFile{};
  x3f.firstSection = "SECp";
  cases.push_back({"no image section first", x3f, false});
  x3f = X3fFile{};
  x3f.jpegMarker = 0xC0;
  cases.push_back({"no JPEG", x3f, false});
  x3f = X3fFile{};
  x3f.endsWithDirectoryOffset = false;
  cases.push_back({"no directory", x3f, false});
  for (const Case& c : cases) {
    const Measured m = measureX3f(c.x3f);
    EXPECT_EQ(m.preview, c.reported) << c.what;
    if (c.reported) {
      EXPECT_EQ(m.previewSector * 512 + m.previewExtra, c.x3f.entry0Offset + 28u) << c.what;
    }
  }
}

TEST(X3fFileCheck, CancellationGivesNoFile) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 32 * kMiB);
  putX3f(image, 0, X3fFile{});
  CheckerRun run(image.path(), FileType::X3f);
  ASSERT_TRUE(run.isFile(0));
  run.context.bCancelScanning = true;
  const uint8_t header[kSectorHeaderSize] = {'F', 'O', 'V', 'b'};
  EXPECT_EQ(run.checker->fileSizeCalculation(SectorHeader(header, kSectorHeaderSize), 0), 0u);
}

TEST(X3fFileCheck, SizesSigmaTiffsByTheSumOfTheirParts) {
  EXPECT_EQ(sigmaTiffSize(SigmaTiffFile{}), kSigmaTiffSize);
  SigmaTiffFile tiff;
  tiff.littleEndian = false;
  EXPECT_EQ(sigmaTiffSize(tiff), kSigmaTiffSize);
  // A single SHORT byte count sits in the first two bytes of the value field.
  tiff.entries[4] = {0x0117, 3, 1, 50000};
  EXPECT_EQ(sigmaTiffSize(tiff), kSigmaTiffSize);

  // A second IFD of two entries with 7,000 strip bytes.
  tiff = SigmaTiffFile{};
  tiff.next = 300;
  {
    TempDir dir;
    TestImage image(dir.file("card.img"), kMiB);
    putSigmaTiff(image, 0, tiff);
    putIfd(EndianWriter(image, 0, true), 300, {{0x0111, 4, 1, 9000}, {0x0117, 3, 1, 7000}}, 0);
    EXPECT_EQ(measure(image.path(), FileType::X3f, 0).size, kSigmaTiffSize + 30 + 7000);
  }

  // Strip byte counts in an array of SHORTs that straddles a window edge:
  // 40 values of 1,000 and their 80 bytes.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    for (uint64_t sector : {0u, 7u}) {
      TempDir dir;
      TestImage image(dir.file("card.img"), kMiB);
      SigmaTiffFile strips;
      strips.entries[4] = {0x0117, 3, 40, 65536 - 41};
      putSigmaTiff(image, sector * bytesPerSector, strips);
      const EndianWriter w(image, sector * bytesPerSector, true);
      for (uint32_t i = 0; i < 40; ++i) w.u16(65536 - 41 + 2 * i, 1000);
      EXPECT_EQ(measure(image.path(), FileType::X3f, sector, bytesPerSector).size, 50110u - 50000 + 80 + 40000 + 512)
          << bytesPerSector << " " << sector;
    }
  }
}

TEST(X3fFileCheck, AppliesTheSigmaTiffLimits) {
  SigmaTiffFile tiff;
  tiff.entries.pop_back();
  tiff.entries.pop_back();
  EXPECT_EQ(sigmaTiffSize(tiff), 0u) << "IFD0 of four entries";

  tiff = SigmaTiffFile{};
  tiff.ifd0 = 26214400;
  EXPECT_EQ(sigmaTiffSize(tiff), kSigmaTiffSize);
  tiff.ifd0 = 26214401;
  EXPECT_EQ(sigmaTiffSize(tiff), 0u) << "IFD0 beyond 25 MiB";

  // Totals of 99, 100, 157,286,400 and 157,286,401 bytes: five entries, six
  // bytes of Make stored outside them, and the strip bytes.
  struct Case {
    uint32_t stripBytes;
    uint64_t size;
  };
  for (const Case& c : {Case{19, 0}, Case{20, 612}, Case{157286320, 157286912}, Case{157286321, 0}}) {
    SigmaTiffFile small;
    small.entries = {{0x0100, 3, 1, 640}, {0x0103, 3, 1, 1}, {0x010F, 2, 6, 200}, {0x0111, 4, 1, 1000},
                     {0x0117, 4, 1, c.stripBytes}};
    EXPECT_EQ(sigmaTiffSize(small), c.size) << c.stripBytes;
  }

  // A byte-count array that could not fit any file ends the walk at once.
  tiff = SigmaTiffFile{};
  tiff.entries[4] = {0x0117, 4, 0xFFFFFFFF, 1000};
  EXPECT_EQ(sigmaTiffSize(tiff), 0u);
}

TEST(X3fFileCheck, FollowsTheSigmaTiffChain) {
  // IFDs of two entries each, 100 bytes apart from 1,000 on.
  auto chainSize = [](uint32_t ifds, uint32_t lastCount) {
    TempDir dir;
    TestImage image(dir.file("card.img"), kMiB);
    SigmaTiffFile tiff;
    tiff.next = 1000;
    putSigmaTiff(image, 0, tiff);
    const EndianWriter w(image, 0, true);
    for (uint32_t k = 1; k < ifds; ++k) {
      const uint32_t at = 1000 + 100 * (k - 1);
      putIfd(w, at, {{0x0111, 4, 1, 9000}, {0x0117, 4, 1, 10}}, k + 1 < ifds ? at + 100 : 0);
    }
    if (lastCount) w.u16(1000 + 100 * (ifds - 2), lastCount);
    return measure(image.path(), FileType::X3f, 0).size;
  };
  EXPECT_EQ(chainSize(25, 0), kSigmaTiffSize + 24 * (30 + 10));
  EXPECT_EQ(chainSize(26, 0), 0u);
  // An IFD announcing more than 100 entries ends the walk with at least 25 MiB.
  EXPECT_EQ(chainSize(3, 101), 26214400u);
  // One of exactly 100 entries is walked: 98 of them are zeros.
  EXPECT_EQ(chainSize(3, 100), kSigmaTiffSize + 40 + (2 + 1200 + 4) + 10);
}

TEST(X3fFileCheck, ScanNamesEachFileByItsKind) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 4 * kMiB);
  X3fFile x3f;
  x3f.directory = 100000;
  x3f.entries = 3;
  x3f.entry0Length = 5000;
  putX3f(image, 0, x3f);
  image.put(260, sampleJpeg(5000, 3));
  putSigmaTiff(image, 400 * 512, SigmaTiffFile{});
  // A TIFF of another make is left to the TIFF checker.
  SigmaTiffFile other;
  other.make = "OTHER";
  putSigmaTiff(image, 600 * 512, other);

  const auto found = scanImage(image.path(), {FileType::X3f, FileType::Tiff, FileType::Jpg});
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].folder, "X3F Files");
  EXPECT_EQ(found[0].name, "file1.x3f");
  EXPECT_EQ(found[0].sector, 0u);
  EXPECT_EQ(found[0].size, 100000u + 16 + 36);
  EXPECT_EQ(found[1].folder, "X3F Files");
  EXPECT_EQ(found[1].name, "file2.tif");
  EXPECT_EQ(found[1].sector, 400u);
  EXPECT_EQ(found[1].size, kSigmaTiffSize);
  EXPECT_EQ(found[2].folder, "RAW Jpg Files");
  EXPECT_EQ(found[2].name, "file - Raw Jpg1.jpg");
  EXPECT_EQ(found[2].sector, 0u);
  EXPECT_EQ(found[2].extraBytesToMove, 260);
  EXPECT_EQ(found[2].size, 5000u);
  EXPECT_EQ(found[3].folder, "TIFF Files");
  EXPECT_EQ(found[3].sector, 600u);
}

}  // namespace
}  // namespace salvonix::test
