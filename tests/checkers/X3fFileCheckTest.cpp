#include <gtest/gtest.h>

#include <vector>

#include "checkers/RawFileBuilders.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kNotFoundSize = 19922944;

// The usual Sigma TIFF with one IFD0 entry replaced.
SigmaTiffFile sigmaWith(std::size_t k, TiffEntry entry, bool littleEndian = true) {
  SigmaTiffFile tiff{.littleEndian = littleEndian};
  tiff.entries[k] = entry;
  return tiff;
}

TEST(X3fFileCheck, RecognisesRawFilesByTheirFirstSectionAndACancelGivesNoFile) {
  TempDir dir;
  TestImage image(dir.file("card.img"), 32 * kMiB);
  putX3f(image, 0, {.firstSection = "SECp"});
  putX3f(image, 2 * 512, {.firstSection = "SEXi"});
  putX3f(image, 4 * 512, {});
  image.putAtSector(4, {'F', 'O', 'V', 'c'});
  CheckerRun run(image.path(), FileType::X3f);
  EXPECT_FALSE(run.isFile(2));
  EXPECT_FALSE(run.isFile(4));
  EXPECT_TRUE(run.checker->mayStartWith('M'));
  ASSERT_TRUE(run.isFile(0));
  run.context.bCancelScanning = true;
  EXPECT_EQ(run.size(0), 0u);
}

TEST(X3fFileCheck, RecognisesTiffFilesMadeBySigma) {
  std::vector<TiffEntry> many(101, {0x0100, 3, 1, 640});
  many[0] = {0x010F, 2, 6, 200};
  struct Case {
    const char* what;
    SigmaTiffFile tiff;
    bool recognised;
  };
  const Case cases[] = {
      {"little-endian", {}, true},
      {"big-endian", {.littleEndian = false}, true},
      {"other make", {.make = "SIGMX"}, false},
      {"longer make", {.make = "SIGMA CORPORATION"}, true},
      {"DNG after the make", sigmaWith(5, {0xC612, 1, 4, 0x00000401}), false},
      {"two entries", {.entries = {{0x0100, 3, 1, 640}, {0x010F, 2, 6, 200}}}, true},
      {"one entry", {.entries = {{0x010F, 2, 6, 200}}}, false},
      {"101 entries", {.entries = many}, false},
      {"100 entries", {.entries = {many.begin(), many.end() - 1}}, true},
      {"make beyond 100 MiB", {.entries = {{0x0100, 3, 1, 640}, {0x010F, 2, 6, 104857601}}}, false},
      {"IFD0 beyond 150 MiB", {.ifd0 = 157286401}, false},
  };
  TempDir dir;
  TestImage image(dir.file("card.img"), kMiB);
  CheckerRun run(image.path(), FileType::X3f);
  for (const Case& c : cases) {
    putSigmaTiff(image, 8 * 512, c.tiff);
    EXPECT_EQ(run.isFile(8), c.recognised) << c.what;
  }
  putSigmaTiff(image, 8 * 512, {});
  image.put(8 * 512 + 6, {'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'});
  EXPECT_FALSE(run.isFile(8)) << "a CRW heap";
}

TEST(X3fFileCheck, EndsRawFilesAtTheirDirectoryFoundAcrossWindowEdges) {
  EXPECT_EQ(measure(putX3f, {}).size, 10000076u);
  EXPECT_EQ(measure(putX3f, {.directory = 19922939}).size, 19922939u + 16 + 60);
  EXPECT_EQ(measure(putX3f, {.directory = 19922940}).size, kNotFoundSize);
  EXPECT_EQ(measure(putX3f, {.endsWithDirectoryOffset = false}).size, kNotFoundSize);

  // "SECd" whose last field does not point back at it is image data: the search goes on.
  TempDir dir;
  TestImage image(dir.file("card.img"), 32 * kMiB);
  putX3f(image, 0, {.directory = 3000000});
  const EndianWriter w(image, 0, true);
  w.text(700000, "SECd");
  w.u32(700008, 4000000000u);
  w.text(900000, "SECd");
  w.u32(900008, 2);
  w.u32(900000 + 12 + 24, 900001);
  EXPECT_EQ(measure(image.path(), FileType::X3f, 0).size, 3000076u);

  for (uint32_t bytesPerSector : {512u, 4096u}) {
    for (uint64_t directory : {65534u, 2 * 65536u - 1, 65536u}) {
      const Measured m = measure(putX3f, {.directory = directory, .entries = 3}, 5, bytesPerSector);
      EXPECT_EQ(m.size, directory + 16 + 36) << bytesPerSector << " " << directory;
      EXPECT_TRUE(m.preview);
      EXPECT_EQ(m.previewSize, 500000u);
      EXPECT_EQ(m.previewSector * bytesPerSector + m.previewExtra, 5 * bytesPerSector + 260);
    }
  }
}

TEST(X3fFileCheck, ReportsThePreviewOfTheImageSection) {
  struct Case {
    const char* what;
    X3fFile x3f;
    bool reported;
  };
  const Case cases[] = {
      {"FF DB", {.jpegMarker = 0xDB}, true},
      {"FF E0", {.jpegMarker = 0xE0}, true},
      {"no JPEG", {.jpegMarker = 0xC0}, false},
      {"preview at 25 MiB", {.entry0Offset = 26214400 - 28}, true},
      {"preview beyond 25 MiB", {.entry0Offset = 26214400 - 27}, false},
      {"no image section first", {.firstSection = "SECp"}, false},
      {"no directory", {.endsWithDirectoryOffset = false}, false},
  };
  for (const Case& c : cases) {
    const Measured m = measure(putX3f, c.x3f);
    EXPECT_EQ(m.preview, c.reported) << c.what;
    if (c.reported) {
      EXPECT_EQ(m.previewSector * 512 + m.previewExtra, c.x3f.entry0Offset + 28u) << c.what;
    }
  }
}

TEST(X3fFileCheck, SizesSigmaTiffsByTheSumOfTheirParts) {
  EXPECT_EQ(measure(putSigmaTiff, {}).size, kSigmaTiffSize);
  EXPECT_EQ(measure(putSigmaTiff, sigmaWith(4, {0x0117, 3, 1, 50000}, false)).size, kSigmaTiffSize) << "one SHORT";

  // 40 SHORT strip byte counts of 1,000 that straddle a window edge.
  for (uint32_t bytesPerSector : {512u, 4096u}) {
    for (uint64_t sector : {0u, 7u}) {
      TempDir dir;
      TestImage image(dir.file("card.img"), kMiB);
      putSigmaTiff(image, sector * bytesPerSector, sigmaWith(4, {0x0117, 3, 40, 65536 - 41}));
      const EndianWriter w(image, sector * bytesPerSector, true);
      for (uint32_t i = 0; i < 40; ++i) w.u16(65536 - 41 + 2 * i, 1000);
      EXPECT_EQ(measure(image.path(), FileType::X3f, sector, bytesPerSector).size, 50110u - 50000 + 80 + 40000 + 512)
          << bytesPerSector << " " << sector;
    }
  }
}

TEST(X3fFileCheck, AppliesTheSigmaTiffLimits) {
  EXPECT_EQ(measure(putSigmaTiff, {.entries = {kSigmaIfd0.begin() + 1, kSigmaIfd0.end() - 1}}).size, 0u) << "4 entries";
  EXPECT_EQ(measure(putSigmaTiff, {.ifd0 = 26214400}).size, kSigmaTiffSize);
  EXPECT_EQ(measure(putSigmaTiff, {.ifd0 = 26214401}).size, 0u);
  // A byte-count array that could not fit any file ends the walk at once.
  EXPECT_EQ(measure(putSigmaTiff, sigmaWith(4, {0x0117, 4, 0xFFFFFFFF, 1000})).size, 0u);

  // Totals of 99, 100, 157,286,400 and 157,286,401 bytes: five entries, the
  // six bytes of Make and the strip bytes.
  struct Case {
    uint32_t stripBytes;
    uint64_t size;
  };
  for (const Case& c : {Case{19, 0}, Case{20, 612}, Case{157286320, 157286912}, Case{157286321, 0}}) {
    const SigmaTiffFile small{.entries = {{0x0100, 3, 1, 640}, {0x0103, 3, 1, 1}, {0x010F, 2, 6, 200},
                                          {0x0111, 4, 1, 1000}, {0x0117, 4, 1, c.stripBytes}}};
    EXPECT_EQ(measure(putSigmaTiff, small).size, c.size) << c.stripBytes;
  }
}

TEST(X3fFileCheck, FollowsTheSigmaTiffChain) {
  // IFDs of two entries each, 100 bytes apart from 1,000 on.
  auto chainSize = [](uint32_t ifds, uint32_t lastCount) {
    TempDir dir;
    TestImage image(dir.file("card.img"), kMiB);
    putSigmaTiff(image, 0, {.next = 1000});
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
  putX3f(image, 0, {.directory = 100000, .entries = 3, .entry0Length = 5000});
  image.put(260, sampleJpeg(5000, 3));
  putSigmaTiff(image, 400 * 512, SigmaTiffFile{});
  putSigmaTiff(image, 600 * 512, {.make = "OTHER"});

  std::vector<std::string> found = describe(scanImage(image.path(), {FileType::X3f, FileType::Tiff, FileType::Jpg}));
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[3].rfind("TIFF Files/file1.tiff 600+0 ", 0), 0u) << found[3];
  found.pop_back();
  EXPECT_EQ(found, (std::vector<std::string>{"X3F Files/file1.x3f 0+0 100052", "X3F Files/file2.tif 400+0 50622",
                                             "RAW Jpg Files/file - Raw Jpg1.jpg 0+260 5000"}));
}

}  // namespace
}  // namespace salvonix::test
