// Files crafted to make a size calculation read without useful end (found by
// fuzzing): each walk must stay within what the file can hold or within the
// reader's budget, and a cancelled scan must stop it and reject the file.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "checkers/ByteBuilder.h"
#include "checkers/FileWindow.h"
#include "checkers/RawFileBuilders.h"
#include "checkers/TiffToolkit.h"
#include "scan/FileTypes.h"
#include "support/TestDevices.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kSmallImage = 128 * 1024;
constexpr uint64_t kTiffReadCeiling = tiff::TiffReader::kReadBudget / tiff::TiffReader::kWindowReadCost;

Bytes tiffWithIfd0(const Ifd& ifd0, bool loopsToItself = false) {
  TiffBuilder b;
  b.writeIfd(8, ifd0, loopsToItself ? 8 : 0);
  b.setIfd0(8);
  return b.bytes();
}

// StripByteCounts entries of type 0 (no size) whose count spans 200 MiB.
Ifd typeZeroByteCounts(std::size_t n) { return Ifd(n, TiffEntry{kStripByteCounts, 0, 0x0C7FF000, 0x100}); }

Bytes sigmaTiff() {
  TiffBuilder b;
  b.padTo(74);
  b.writeIfd(8, Ifd{b.string(kMake, "SIGMA")} + Ifd(4, TiffEntry{kStripByteCounts, 0, 0x095FF000, 0x100}));
  b.setIfd0(8);
  return b.bytes();
}

// An ORF of one 4 MiB strip whose Exif pointers (`exifPointers` of them) lead
// to an old-style maker note of `previewBlocks` PreviewBlock entries, each
// naming the one block `block`.
Bytes orf(int exifPointers, int previewBlocks, const Ifd& block) {
  TiffBuilder b;
  b.magic('R', 'O');
  b.padTo(8 + 2 + 12 * (exifPointers + 3) + 4);  // room for IFD0
  const TiffEntry make = b.string(kMake, "OLYMPUS");
  const uint32_t note = b.append({'O', 'L', 'Y', 'M', 'P', 0, 'I', 'I'});
  const uint32_t blockAt = note + 8 + 2 + 12 * previewBlocks + 4;
  b.writeIfd(note + 8, Ifd(previewBlocks, TiffEntry{0x2020, kLong, 1, blockAt}));
  // The block's entry count lies 12 bytes after the position named.
  b.writeIfd(blockAt + 12, block);
  const uint32_t exif = b.appendIfd({{0x927C, kUndefined, 8, note}});
  b.writeIfd(8, Ifd{make} + Ifd(exifPointers, longValue(0x8769, exif)) + strip(0x1000, 0x400000));
  b.setIfd0(8);
  return b.bytes();
}
const Ifd kPreviewBlock = {longValue(0x0101, 0x5000), longValue(0x0102, 20000)};
// 97 pointers to one maker note of 5,000 entries naming a block of 65,535 entries.
Bytes orfNoteMaze() { return orf(97, 5000, Ifd(65535, TiffEntry{0, 0, 0, 0})); }

// An X3F whose body is "SECd" candidates naming directories far beyond the file.
Bytes x3fFalseDirectories() {
  ByteBuilder b;
  b.text("FOVb").padTo(232, 0).text("SECi").padTo(512, 0);
  while (b.size() < kSmallImage - 12) b.text("SECd").le32(2).le32(0x10000000);
  return b.bytes;
}

// A bare video stream: sequence header (of 720 x 576 unless told), group of pictures, pictures.
Bytes mpegVideo(uint8_t size0 = 0x2D, uint8_t size1 = 0x02, uint8_t size2 = 0x40) {
  ByteBuilder b;
  b.be32(0x1B3).u8(size0).u8(size1).u8(size2).fill(5, 0x13).be32(0x1B8).fill(4, 0x08);
  for (int i = 0; i < 20; ++i) b.be32(0x100).fill(1000, 0x55);
  return b.be32(0x1B7).bytes;
}

struct Walk {
  uint64_t size;
  std::size_t reads;  // device reads of the size calculation
};

// The header test on sector 0, then the size calculation, cancelled or not;
// with stopAt, the scan is stopped while the walk waits on a read past stopAt.
Walk sizeOf(FileType type, const std::function<void(const TestImage&)>& write, bool cancel,
            uint64_t imageSize = kSmallImage, uint64_t stopAt = UINT64_MAX) {
  TempDir dir;
  TestImage image(dir.file("crafted.img"), imageSize);
  write(image);
  CheckerRun run(image.path(), type);
  // As in a scan of this one type.
  if (const auto flag = fileTypeRow(type).rawFamilyFlag) run.context.rawSelection.*flag = true;
  const auto device = useTestDevice(run.context, image.path());
  uint8_t header[kSectorHeaderSize] = {};
  device->readAt(0, header, sizeof header);
  const SectorHeader view(header, kSectorHeaderSize);
  run.context.clearPerSectorFlags();
  EXPECT_TRUE(run.checker->isFile(view, 0)) << "not recognised";
  run.context.bCancelScanning = cancel;
  const std::size_t before = device->reads().size();
  device->holdFrom(stopAt);
  uint64_t size = 0;
  std::atomic<bool> done{false};
  std::thread walk([&] {
    size = run.checker->fileSizeCalculation(view, 0);
    done = true;
  });
  while (stopAt != UINT64_MAX && !device->held() && !done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (stopAt != UINT64_MAX) run.context.bCancelScanning = true;
  device->release();
  walk.join();
  return {size, device->reads().size() - before};
}

std::function<void(const TestImage&)> at0(const Bytes& bytes) {
  return [bytes](const TestImage& image) { image.put(0, bytes); };
}

struct Crafted {
  const char* name;
  FileType type;
  std::function<void(const TestImage&)> write;
  uint64_t size;
  std::size_t maxReads;
  uint64_t imageSize = kSmallImage;
};

TEST(CraftedWalks, WorkIsBoundedByWhatTheFileCanHold) {
  const Crafted cases[] = {
      // Entries of an unknown or zero-size type hold no array to add up.
      {"byte counts of unknown type", FileType::Tiff,
       at0(tiffWithIfd0(filled({{kStripByteCounts, 0xD0, 184550152, 0}}, 6))), 0, 2},
      {"five type-0 byte-count arrays", FileType::Tiff, at0(tiffWithIfd0(typeZeroByteCounts(5))), 0, 2},
      // An IFD chained to itself is walked once: the header and its 100 entries.
      {"type-0 arrays in an IFD chained to itself", FileType::Tiff,
       at0(tiffWithIfd0(typeZeroByteCounts(100), true)), 8 + 2 + 12 * 100 + 4 + 512, 2},
      // Zeros add nothing to the sum: an array past the device's end cannot be read at all.
      {"byte counts beyond the device's end", FileType::Tiff,
       at0(tiffWithIfd0(filled({{kStripByteCounts, kShort, 16775681, 0xC0000}}, 6))), 0, 2},
      {"Sigma TIFF with type-0 arrays", FileType::X3f, at0(sigmaTiff()), 0, 2},
      // Distinct walks the format allows, ended by the reader's budget.
      {"maker-note maze", FileType::Orf, at0(orfNoteMaze()), 0, kTiffReadCeiling + 1, 1200000},
      {"false directories", FileType::X3f, at0(x3fFalseDirectories()), 0, FileWindow::kMaxReads},
      // A 2981 x 3985 video allows 35 MB between start codes; the device ends first.
      {"MPEG video on a small device", FileType::Mpg, at0(mpegVideo(0xBA, 0x5F, 0x91)), 20104, 1},
      // The trailer search ends at the device's end.
      {"CRW header on a small device", FileType::Crw,
       [](const TestImage& image) { image.put(0, {'I', 'I', 26, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'}); },
       15728640, 1},
  };
  for (const Crafted& c : cases) {
    const Walk walk = sizeOf(c.type, c.write, false, c.imageSize);
    EXPECT_EQ(walk.size, c.size) << c.name;
    EXPECT_LE(walk.reads, c.maxReads) << c.name;
  }
}

// Two IFDs of one strip each; the second's next-IFD pointer is `next`.
constexpr uint32_t kSecondIfd = 8 + 2 + 12 * 6 + 4;
Bytes twoIfdTiff(uint32_t next) {
  TiffBuilder b;
  b.writeIfd(8, filled(strip(0x1000, 0x2000), 6), kSecondIfd);
  b.writeIfd(kSecondIfd, filled(strip(0x3000, 0x1000), 6), next);
  b.setIfd0(8);
  return b.bytes();
}

TEST(CraftedWalks, AnIfdVisitedTwiceEndsTheChain) {
  const Walk wellFormed = sizeOf(FileType::Tiff, at0(twoIfdTiff(0)), false);
  // The header, two IFDs of six entries and their strips, and the slack.
  EXPECT_EQ(wellFormed.size, 8u + 2 * 78 + 0x2000 + 0x1000 + 512);
  for (const uint32_t back : {8u, kSecondIfd}) {
    const Walk looping = sizeOf(FileType::Tiff, at0(twoIfdTiff(back)), false);
    EXPECT_EQ(looping.size, wellFormed.size) << "back to " << back;
    EXPECT_LE(looping.reads, wellFormed.reads) << "back to " << back;
  }
}

// Its rule keeps what an ARW walk found before the stop: here the end named
// by the first sub-IFD, the second lying in a window read after the stop.
TEST(CraftedWalks, ACancelledArwWalkKeepsTheEndFoundSoFar) {
  TiffBuilder b;
  const Ifd ifd0 = {b.string(kMake, "SONY"), b.string(kModel, "DSLR-A700"), b.subIfds({strip(0x100000, 0x800000)}),
                    longValue(kSubIfds, 0x30000)};
  b.chain({ifd0});
  b.writeIfd(0x30000, strip(0x100000, 0x900000));
  EXPECT_EQ(sizeOf(FileType::Arw, at0(b.bytes()), false, 0x40000).size, 0xA00000u);
  EXPECT_EQ(sizeOf(FileType::Arw, at0(b.bytes()), false, 0x40000, 0x30000).size, 0x900000u);
}

TEST(CraftedWalks, ACancelledWalkStopsAndRejectsTheFile) {
  const Crafted cases[] = {
      {"ORF with a preview block", FileType::Orf, at0(orf(1, 1, kPreviewBlock)), 0, 0},
      {"MPEG video stream", FileType::Mpg, at0(mpegVideo()), 0, 0},
      {"little-endian CRW", FileType::Crw, [](const TestImage& i) { putCrw(i, 0, CrwFile{}); }, 0, 0},
      {"big-endian CRW", FileType::Crw,
       [](const TestImage& i) { putCrw(i, 0, CrwFile{.littleEndian = false, .headerLength = 1234}); }, 0, 0},
  };
  for (const Crafted& c : cases) {
    const uint64_t imageSize = 24 << 20;
    EXPECT_NE(sizeOf(c.type, c.write, false, imageSize).size, 0u) << c.name << " measured";
    const Walk cancelled = sizeOf(c.type, c.write, true, imageSize);
    EXPECT_EQ(cancelled.size, 0u) << c.name;
    EXPECT_LE(cancelled.reads, 1u) << c.name;
  }
}

}  // namespace
}  // namespace salvonix::test
