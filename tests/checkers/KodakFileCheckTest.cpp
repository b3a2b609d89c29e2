#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A Kodak file: the Model decides the type; IFD0's sub-IFDs hold the strips.
TiffBuilder kodak(const std::string& model, const std::vector<std::vector<TiffEntry>>& subs,
                  const std::vector<TiffEntry>& extraIfd0 = {}) {
  TiffBuilder b(true);
  const TiffEntry make = b.string(kMake, "Eastman Kodak Company");
  const TiffEntry modelEntry = b.string(kModel, model);
  std::vector<uint32_t> offsets;
  for (const auto& entries : subs) offsets.push_back(b.appendIfd(entries));
  std::vector<TiffEntry> ifd0 = extraIfd0;
  ifd0.insert(ifd0.begin(), {make, modelEntry});
  if (!offsets.empty()) {
    const uint32_t count = static_cast<uint32_t>(offsets.size());
    ifd0.push_back({kSubIfds, kLong, count, count == 1 ? offsets[0] : b.appendLongs(offsets)});
  }
  b.setIfd0(b.appendIfd(ifd0));
  return b;
}

std::vector<TiffEntry> strip(uint32_t offset, uint32_t length) {
  return {TiffBuilder::longValue(kStripOffsets, offset), TiffBuilder::longValue(kStripByteCounts, length)};
}

TEST(KodakFileCheck, KdcAndK25ShareTheStripRule) {
  TiffFixture f;
  f.place(kodak("KODAK P880 ZOOM DIGITAL CAMERA", {strip(0x1000, 0x80000)}), 0);
  EXPECT_EQ(f.size(FileType::Kdc, 0), 0x81000u + 512);
  f.place(kodak("KODAK DC25", {strip(0x1000, 0x80000)}), 0);
  EXPECT_EQ(f.size(FileType::K25, 0), 0x81000u);

  // 26 strips are too many for KDC, not for K25.
  std::vector<uint32_t> counts(26, 0x1000);
  for (const std::string model : {"Kodak DC120 ZOOM Digital Camera", "KODAK DC25"}) {
    TiffBuilder b(true);
    const TiffEntry array = b.longArray(kStripByteCounts, counts);
    const uint32_t sub = b.appendIfd({TiffBuilder::longValue(kStripOffsets, 0x40000), array});
    b.setIfd0(b.appendIfd({b.string(kModel, model), {kSubIfds, kLong, 1, sub}}));
    f.place(b, 0);
    if (model == "KODAK DC25") {
      EXPECT_EQ(f.size(FileType::K25, 0), 0x41000u);
    } else {
      EXPECT_EQ(f.size(FileType::Kdc, 0), 0u);
    }
  }
}

TEST(KodakFileCheck, FullResolutionIfd0HoldsTheStrip) {
  TiffFixture f;
  // NewSubfileType 0: IFD0's own JPEG tags, the sub-IFD is not used.
  f.place(kodak("KODAK P880 ZOOM DIGITAL CAMERA", {strip(0x1000, 0x100)},
                {TiffBuilder::longValue(kNewSubfileType, 0), TiffBuilder::longValue(kJpegOffset, 0x3000),
                 TiffBuilder::longValue(kJpegLength, 0x7000)}),
          0);
  EXPECT_EQ(f.size(FileType::Kdc, 0), 0xA000u + 512);
  // A strip that ends before IFD0 gives IFD0's end instead.
  TiffBuilder b(true);
  b.padTo(0x2000);
  const TiffEntry model = b.string(kModel, "KODAK DC25");
  const uint32_t ifd0 = b.appendIfd({model, TiffBuilder::longValue(kNewSubfileType, 0),
                                     TiffBuilder::longValue(kStripOffsets, 0x10), TiffBuilder::longValue(kStripByteCounts, 0x10),
                                     TiffBuilder::longValue(kSubIfds, 0x10)});
  b.setIfd0(ifd0);
  f.place(b, 0);
  EXPECT_EQ(f.size(FileType::K25, 0), ifd0 + 12u * 5 + 8);
}

TEST(KodakFileCheck, DcrFurthestStripPlusPrivateData) {
  TiffFixture f;
  f.place(kodak("DCS Pro 14n", {strip(0x1000, 0x8000), strip(0x20000, 0x1000), strip(0x4000, 0x100)}), 0);
  EXPECT_EQ(f.size(FileType::Dcr, 0), 0x21000u + 512);
  std::vector<TiffEntry> withPrivate = strip(0x1000, 0x8000);
  withPrivate.push_back({0xFDE9, kLong, 100000, 0x100});
  f.place(kodak("DCS Pro 14n", {withPrivate}), 0);
  EXPECT_EQ(f.size(FileType::Dcr, 0), 0x9000u + 307200 + 512);
  withPrivate.back().count = 1000;
  f.place(kodak("DCS Pro 14n", {withPrivate}), 0);
  EXPECT_EQ(f.size(FileType::Dcr, 0), 0x9000u + 4000 + 512);
  // Eleven sub-IFDs are too many.
  f.place(kodak("DCS Pro 14n", std::vector<std::vector<TiffEntry>>(11, strip(0x1000, 0x8000))), 0);
  EXPECT_EQ(f.size(FileType::Dcr, 0), 0u);
}

}  // namespace
}  // namespace salvonix::test
