#include <gtest/gtest.h>

#include "checkers/RawFileBuilders.h"
#include "support/SampleJpeg.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kMiB = 1048576;

// CRW (both byte orders), MRW, RAF, X3F and a Sigma TIFF, each at an offset
// from base, with previews that do not start on a sector boundary.
void putRawFiles(const TestImage& image, uint64_t base) {
  CrwFile crw;
  crw.trailer = kMiB + 65534;  // straddles a 64 KiB edge of the file
  crw.previewStart = 70001;
  crw.previewSize = 2000;
  putCrw(image, base, crw);
  crw.littleEndian = false;
  crw.trailer = 2 * kMiB + 20;  // its table lies in the window before
  crw.entries = 4;
  putCrw(image, base + 3 * kMiB, crw);
  MrwFile mrw;
  mrw.blocksBeforePrd = {65536 - 30};
  putMrw(image, base + 6 * kMiB, mrw);
  RafFile raf;
  raf.previewOffset = 65536 - 7;
  raf.previewLength = 3000;
  raf.cfaLength = 200000;
  putRaf(image, base + 7 * kMiB, raf);
  X3fFile x3f;
  x3f.directory = 65534;
  x3f.entries = 2;
  x3f.entry0Length = 2500;
  putX3f(image, base + 8 * kMiB, x3f);
  putSigmaTiff(image, base + 9 * kMiB, SigmaTiffFile{});
}

// Every file found moves with the data by exactly the sectors put in front
// and keeps its size, whatever windows it now crosses.
TEST(RawOffsetShift, FilesMoveWithTheirData) {
  const auto types = {FileType::Mrw, FileType::Raf, FileType::X3f, FileType::Crw};
  std::vector<FoundFile> reference;
  for (uint64_t shift : {0u, 1u, 127u, 128u, 129u, 1000u}) {
    TempDir dir;
    TestImage image(dir.file("card.img"), 10 * kMiB + shift * 512);
    putRawFiles(image, shift * 512);
    const auto found = scanImage(image.path(), types);
    if (shift == 0) {
      reference = found;
      ASSERT_EQ(reference.size(), 10u);  // six files and four previews
      continue;
    }
    ASSERT_EQ(found.size(), reference.size()) << shift;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].name, reference[i].name) << shift;
      EXPECT_EQ(found[i].sector, reference[i].sector + shift) << shift << " " << found[i].name;
      EXPECT_EQ(found[i].size, reference[i].size) << shift << " " << found[i].name;
      EXPECT_EQ(found[i].extraBytesToMove, reference[i].extraBytesToMove) << shift << " " << found[i].name;
    }
  }
}

}  // namespace
}  // namespace salvonix::test
