#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

// A Kodak file: the Model decides the type; IFD0's sub-IFDs hold the strips.
TiffBuilder kodak(const std::string& model, const std::vector<Ifd>& subs, const Ifd& extraIfd0 = {}) {
  TiffBuilder b;
  Ifd ifd0 = {b.string(kMake, "Eastman Kodak Company"), b.string(kModel, model)};
  ifd0.insert(ifd0.end(), extraIfd0.begin(), extraIfd0.end());
  ifd0.push_back(b.subIfds(subs));
  b.chain({ifd0});
  return b;
}

TEST(KodakFileCheck, KdcAndK25StripRules) {
  TiffFixture f;
  f.place(kodak("KODAK P880 ZOOM DIGITAL CAMERA", {strip(0x1000, 0x80000)}));
  EXPECT_EQ(f.size(FileType::Kdc), 0x81000u + 512);
  f.place(kodak("KODAK DC25", {strip(0x1000, 0x80000)}));
  EXPECT_EQ(f.size(FileType::K25), 0x81000u);
  // 26 strips are too many for KDC, not for K25.
  for (const std::string model : {"Kodak DC120 ZOOM Digital Camera", "KODAK DC25"}) {
    TiffBuilder b;
    const TiffEntry counts = b.longArray(kStripByteCounts, std::vector<uint32_t>(26, 0x1000));
    b.chain({{b.string(kModel, model), b.subIfds({{longValue(kStripOffsets, 0x40000), counts}})}});
    f.place(b);
    const bool k25 = model == "KODAK DC25";
    EXPECT_EQ(f.size(k25 ? FileType::K25 : FileType::Kdc), k25 ? 0x41000u : 0u);
  }
  // NewSubfileType (0x00FE) 0: IFD0's own JPEG tags, the sub-IFD is not used.
  f.place(kodak("KODAK P880 ZOOM DIGITAL CAMERA", {strip(0x1000, 0x100)},
                {longValue(0x00FE, 0), longValue(kJpegOffset, 0x3000), longValue(kJpegLength, 0x7000)}));
  EXPECT_EQ(f.size(FileType::Kdc), 0xA000u + 512);
  // A strip that ends before IFD0 gives IFD0's end instead.
  TiffBuilder b;
  b.padTo(0x2000);
  const TiffEntry model = b.string(kModel, "KODAK DC25");
  const uint32_t ifd0 = b.chain({{model, longValue(0x00FE, 0), longValue(kStripOffsets, 0x10),
                                   longValue(kStripByteCounts, 0x10), longValue(kSubIfds, 0x10)}});
  f.place(b);
  EXPECT_EQ(f.size(FileType::K25), ifd0 + 12u * 5 + 8);
}

TEST(KodakFileCheck, DcrFurthestStripPlusPrivateData) {
  TiffFixture f;
  f.place(kodak("DCS Pro 14n", {strip(0x1000, 0x8000), strip(0x20000, 0x1000), strip(0x4000, 0x100)}));
  EXPECT_EQ(f.size(FileType::Dcr), 0x21000u + 512);
  for (uint32_t entries : {100000u, 1000u}) {
    Ifd withPrivate = strip(0x1000, 0x8000);
    withPrivate.push_back({0xFDE9, kLong, entries, 0x100});
    f.place(kodak("DCS Pro 14n", {withPrivate}));
    EXPECT_EQ(f.size(FileType::Dcr), 0x9000u + (entries == 100000 ? 307200 : 4000) + 512);
  }
  // Eleven sub-IFDs are too many.
  f.place(kodak("DCS Pro 14n", std::vector<Ifd>(11, strip(0x1000, 0x8000))));
  EXPECT_EQ(f.size(FileType::Dcr), 0u);
}

}  // namespace
}  // namespace salvonix::test
