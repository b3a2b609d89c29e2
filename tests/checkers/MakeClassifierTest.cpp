#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "checkers/TiffFixture.h"
#include "checkers/TiffVariants.h"
#include "support/TestDevices.h"

namespace salvonix::test {
namespace {

using namespace tiff;

struct Variant {
  const char* name;
  const ClassifierVariant* variant;
};
const Variant vArw{"arw", &kArwVariant}, vSr2{"sr2", &kSr2Variant}, vKdc{"kdc", &kKdcVariant},
    vK25{"k25", &kK25Variant}, vDcr{"dcr", &kDcrVariant}, vPef{"pef", &kPefVariant}, vDng{"dng", &kDngVariant},
    vCr2{"cr2", &kCr2Variant}, vNef{"nef", &kNefVariant}, vTiff{"tiff", &kTiffVariant},
    vOrf{"orf", &kOrfVariant}, vRaw{"raw", &kRawPanasonicVariant}, vLei{"lei", &kLeicaVariant},
    vTfr{"3fr", &kThreefrVariant};
const std::vector<Variant> kTiffPartVariants = {vArw,  vSr2,  vKdc,  vK25,  vDcr,  vPef,
                                                vDng, vCr2, vNef, vTiff, vOrf};
const std::vector<Variant> kAllVariants = {vArw,  vSr2,  vKdc,  vK25, vDcr, vPef, vDng,
                                           vCr2, vNef, vTiff, vOrf, vRaw, vLei, vTfr};

// A file whose IFD0 holds the given entries first, filled up to `entries`
// with harmless ones, and a chain of `ifds` IFDs.
struct Camera {
  std::array<uint8_t, 2> magic{'*', 0};
  bool cr2Mark = false;
  std::function<std::vector<TiffEntry>(TiffBuilder&)> deciding;
  int ifds = 1;

  TiffBuilder build(uint32_t entries) const {
    TiffBuilder b(true);
    b.magic(magic[0], magic[1]);
    if (cr2Mark) b.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
    std::vector<TiffEntry> list = deciding(b);
    while (list.size() < entries) list.push_back(TiffBuilder::longValue(kImageWidth, 64));
    list.resize(entries);
    uint32_t previous = b.appendIfd(list);
    b.setIfd0(previous);
    for (int i = 1; i < ifds; ++i) {
      const uint32_t next = b.appendIfd({TiffBuilder::longValue(kImageWidth, 8), TiffBuilder::longValue(kImageWidth, 8)});
      b.setNext(previous, next);
      previous = next;
    }
    return b;
  }
};

Camera makeAndModel(std::string make, std::string model, bool subIfds) {
  Camera c;
  c.deciding = [=](TiffBuilder& b) {
    std::vector<TiffEntry> e;
    if (!make.empty()) e.push_back(b.string(kMake, make));
    if (!model.empty()) e.push_back(b.string(kModel, model));
    if (subIfds) e.push_back(TiffBuilder::longValue(kSubIfds, 0x2000));
    return e;
  };
  return c;
}

Camera withMagic(Camera c, uint8_t byte2, uint8_t byte3) {
  c.magic = {byte2, byte3};
  return c;
}

struct Sample {
  Variant variant;
  Camera camera;
  uint32_t deciding;  // entries that decide
};

std::vector<Sample> samples() {
  Camera pentax = makeAndModel("PENTAX Corporation", "", false);
  pentax.ifds = 3;
  Camera dng;
  dng.deciding = [](TiffBuilder&) { return std::vector<TiffEntry>{{kDngVersion, kByte, 4, 0x00000401}}; };
  Camera cr2 = makeAndModel("Canon", "", false);
  cr2.cr2Mark = true;
  Camera plain;
  plain.deciding = [](TiffBuilder&) { return std::vector<TiffEntry>{TiffBuilder::longValue(kImageWidth, 1)}; };
  return {
      {vArw, makeAndModel("", "DSLR-A700", true), 2},
      {vSr2, makeAndModel("SONY", "DSC-R1", false), 2},
      {vKdc, makeAndModel("", "Kodak DC120 ZOOM", true), 2},
      {vK25, makeAndModel("", "KODAK DC25", true), 2},
      {vDcr, makeAndModel("", "DCS Pro 14n", true), 2},
      {vPef, pentax, 1},
      {vDng, dng, 1},
      {vCr2, cr2, 1},
      {vNef, makeAndModel("NIKON CORPORATION", "", true), 2},
      {vTiff, plain, 1},
      {vOrf, withMagic(makeAndModel("OLYMPUS IMAGING CORP.", "", false), 'R', 'O'), 1},
      {vRaw, withMagic(makeAndModel("Panasonic", "", false), 'U', 0), 1},
      {vLei, withMagic(makeAndModel("LEICA", "", false), 'U', 0), 1},
      {vTfr, makeAndModel("Hasselblad", "", true), 2},
  };
}

bool classifyFile(const Variant& v, const TiffBuilder& file, ScanContext* flags = nullptr) {
  TiffFixture f;
  f.place(file, 5);
  const bool answer = f.classify(*v.variant, 5);
  if (flags) flags->tiff = f.context.tiff;
  if (flags) flags->bSonyArwA100File = f.context.bSonyArwA100File;
  if (flags) flags->bSonyArwA700File = f.context.bSonyArwA700File;
  return answer;
}

TEST(MakeClassifier, EachVariantRecognisesItsFormatWithinTheEntryLimits) {
  for (const Sample& s : samples()) {
    SCOPED_TRACE(s.variant.name);
    EXPECT_TRUE(classifyFile(s.variant, s.camera.build(std::max(s.deciding, 4u))));
    EXPECT_TRUE(classifyFile(s.variant, s.camera.build(100)));
    EXPECT_FALSE(classifyFile(s.variant, s.camera.build(101)));
    if (s.deciding == 1) {
      EXPECT_FALSE(classifyFile(s.variant, s.camera.build(1)));
    }
    // Two or three entries are too few for the ARW variant only.
    for (uint32_t entries : {2u, 3u}) EXPECT_EQ(classifyFile(s.variant, s.camera.build(entries)), s.variant.name != std::string("arw"));
  }
}

TEST(MakeClassifier, CommonRejectionsComeBeforeAnyDeviceRead) {
  TiffBuilder good(true);
  good.setIfd0(good.appendIfd({TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kImageWidth, 1)}));
  auto variantOf = [](const Bytes& header) {
    TiffBuilder b(true);
    b.putBytes(0, header);
    return b;
  };
  const Bytes cases[] = {
      {'I', 'M', '*', 0, 8, 0, 0, 0},          {'M', 'I', 0, '*', 0, 0, 0, 8},
      {'X', 'X', '*', 0, 8, 0, 0, 0},          {'I', 'I', '*', 0, 7, 0, 0, 0},
      {'I', 'I', '*', 0, 0x01, 0, 0x60, 0x09}, {'M', 'M', 0, '*', 0x09, 0x60, 0x00, 0x01},
  };
  for (const Variant& v : kAllVariants) {
    SCOPED_TRACE(v.name);
    for (const Bytes& header : cases) {
      TiffFixture f;
      f.place(variantOf(header), 0);
      auto device = useTestDevice(f.context, f.path);
      EXPECT_FALSE(f.classify(*v.variant));
      EXPECT_TRUE(device->reads().empty());
    }
    // "HEAPCCDR" at byte 6 is a Canon CRW: the flag for the CRW checker, no read.
    TiffFixture f;
    f.placeBytes({'I', 'I', 0x1A, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'}, 0);
    auto device = useTestDevice(f.context, f.path);
    EXPECT_FALSE(f.classify(*v.variant));
    EXPECT_TRUE(f.context.tiff.bCanonCrwFileFound);
    EXPECT_TRUE(device->reads().empty());
  }
  // The same IFD with a sound header is read.
  TiffFixture f;
  f.place(good, 0);
  auto device = useTestDevice(f.context, f.path);
  EXPECT_TRUE(f.classify(kTiffVariant));
  EXPECT_FALSE(device->reads().empty());
}

TEST(MakeClassifier, ByteOrderFlags) {
  for (bool littleEndian : {true, false}) {
    TiffBuilder b(littleEndian);
    b.setIfd0(b.appendIfd({TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kImageWidth, 1)}));
    ScanContext flags;
    EXPECT_TRUE(classifyFile(vTiff, b, &flags));
    EXPECT_EQ(flags.tiff.bLittleEndianFile, littleEndian);
    EXPECT_EQ(flags.tiff.bBigEndianFile, !littleEndian);
  }
}

TEST(MakeClassifier, CanonCr2AndCanonTiff) {
  Camera cr2 = makeAndModel("Canon", "", false);
  cr2.cr2Mark = true;
  for (const Variant& v : kAllVariants) {
    ScanContext flags;
    const bool answer = classifyFile(v, cr2.build(4), &flags);
    const std::string name = v.name;
    const bool marks = name == "arw" || name == "sr2" || name == "kdc" || name == "k25" || name == "dcr" ||
                       name == "pef" || name == "dng" || name == "cr2";
    EXPECT_EQ(flags.tiff.bCanonCr2FileFound, marks) << name;
    EXPECT_EQ(answer, name == "cr2") << name;
  }
  // Without "CR" a Canon file is a camera TIFF, which the Kodak and SR2 variants leave at once.
  const Camera canonTiff = makeAndModel("Canon", "", false);
  for (const Variant& v : {vArw, vKdc, vSr2, vCr2, vNef, vTiff}) {
    ScanContext flags;
    const bool answer = classifyFile(v, canonTiff.build(4), &flags);
    EXPECT_TRUE(flags.tiff.bCanonRawTiff && flags.tiff.bRawTiffFileFound && flags.tiff.bTiffFileFound) << v.name;
    EXPECT_EQ(answer, v.variant == &kTiffVariant) << v.name;
  }
  ScanContext flags;
  EXPECT_FALSE(classifyFile(vOrf, canonTiff.build(4), &flags));
  EXPECT_FALSE(flags.tiff.bCanonRawTiff);
}

TEST(MakeClassifier, OlympusOrfInEveryVariantThatKnowsIt) {
  for (uint8_t mark : {'O', 'S'}) {
    const Camera orf = withMagic(makeAndModel("OLYMPUS OPTICAL CO.,LTD", "", false), 'R', mark);
    for (const Variant& v : kTiffPartVariants) {
      ScanContext flags;
      const bool answer = classifyFile(v, orf.build(4), &flags);
      EXPECT_TRUE(flags.tiff.bOlympusOrfFileFound) << v.name;
      EXPECT_EQ(answer, v.variant == &kOrfVariant) << v.name;
    }
    ScanContext flags;
    EXPECT_FALSE(classifyFile(vRaw, orf.build(4), &flags));
    EXPECT_FALSE(flags.tiff.bOlympusOrfFileFound);
  }
  // "OLYMPUS" with TIFF magic is no ORF.
  ScanContext flags;
  EXPECT_FALSE(classifyFile(vOrf, makeAndModel("OLYMPUS", "", false).build(4), &flags));
}

TEST(MakeClassifier, PentaxByChainLength) {
  for (int ifds : {1, 2, 3, 4, 6}) {
    Camera pentax = makeAndModel("PENTAX", "", false);
    pentax.ifds = ifds;
    for (const Variant& v : kTiffPartVariants) {
      SCOPED_TRACE(std::string(v.name) + " " + std::to_string(ifds));
      ScanContext flags;
      const bool answer = classifyFile(v, pentax.build(4), &flags);
      if (ifds >= 4) {
        EXPECT_FALSE(answer);
        EXPECT_FALSE(flags.tiff.bTiffFileFound);
      } else if (ifds == 3) {
        EXPECT_EQ(answer, v.variant == &kPefVariant);
        EXPECT_FALSE(flags.tiff.bTiffFileFound);
      } else {
        // A plain Pentax TIFF (the ORF variant names no flag for it).
        EXPECT_EQ(answer, v.variant == &kTiffVariant);
        EXPECT_EQ(flags.tiff.bTiffFileFound, v.variant != &kOrfVariant);
        EXPECT_FALSE(flags.tiff.bPentaxPefFileFound);
      }
    }
  }
  // DNG tags after a Pentax Make make it a DNG for the variants that look for them.
  Camera pentaxDng;
  pentaxDng.deciding = [](TiffBuilder& b) {
    return std::vector<TiffEntry>{b.string(kMake, "PENTAX"), TiffBuilder::longValue(kSubIfds, 0x2000),
                                  b.string(kUniqueCameraModel, "PENTAX K10D")};
  };
  EXPECT_TRUE(classifyFile(vDng, pentaxDng.build(4)));
  EXPECT_FALSE(classifyFile(vPef, pentaxDng.build(4)));
  EXPECT_FALSE(classifyFile(vCr2, pentaxDng.build(4)));
}

TEST(MakeClassifier, MakeOffsetLimits) {
  struct Case {
    Variant variant;
    uint32_t limit;
  };
  for (const Case& c : {Case{vArw, 0x6400000}, Case{vCr2, 0x9600000}, Case{vK25, 0x9600000}}) {
    for (uint32_t offset : {c.limit, c.limit + 1}) {
      TiffFixture f(512, 0xA000000);
      TiffBuilder b(true);
      b.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
      b.setIfd0(b.appendIfd({{kMake, kAscii, 6, offset}, TiffBuilder::longValue(kImageWidth, 1),
                             TiffBuilder::longValue(kImageWidth, 1), TiffBuilder::longValue(kImageWidth, 1)}));
      f.place(b, 0);
      f.image.put(offset, {'C', 'a', 'n', 'o', 'n', 0});
      f.classify(*c.variant.variant);
      EXPECT_EQ(f.context.tiff.bCanonCr2FileFound, offset == c.limit) << c.variant.name << " " << offset;
    }
  }
}

TEST(MakeClassifier, ArwModelTable) {
  struct Case {
    std::string model;
    TiffFlags flag;
  };
  const Case cases[] = {
      {"DSLR-A700", kArwA700}, {"DSLR-A700 Mark II", kArwA700}, {"DSLR-A350", kArwA700},
      {"DSLR-A200", kArwA700}, {"DSLR-A300", kArwA700},        {"DSLR-A100", kArwA100},
      {"DSC-R1", kSr2},        {"DSC-R1X", 0},                  {"DCS PRO", kDcr},
      {"DCS 669C", kDcr},      {"DCS 669CX", 0},                {"DCS 669CXX", kDcr},
      {"KODAK DC25", kK25},    {"Kodak DC120", kKdc},           {"DCS Pro SLR/n", kDcr},
      {"Kodak Digital Science DC50", kKdc}, {"KODAK P880 ZOOM DIGITAL CAMERA", kKdc},
      {"NEX-5", 0},
  };
  for (const Case& c : cases) {
    ScanContext flags;
    const bool answer = classifyFile(vArw, makeAndModel("", c.model, true).build(4), &flags);
    EXPECT_EQ(answer, (c.flag & (kArwA100 | kArwA700)) != 0) << c.model;
    const TiffFlags seen = kArwA100 | kArwA700 | kSr2 | kDcr | kK25 | kKdc;
    for (TiffFlags bit = 1; bit <= kArwA700; bit <<= 1)
      if (seen & bit) {
        EXPECT_EQ(anyFlag(flags, bit), (c.flag & bit) != 0) << c.model << " bit " << bit;
      }
  }
}

TEST(MakeClassifier, KodakModelRules) {
  struct Case {
    std::string model;
    bool dcr[3];  // KDC, K25, DCR variants
    bool k25[3];
  };
  const Case cases[] = {
      {"DCS Pro 14n", {true, true, true}, {false, false, false}},
      {"DCS 14n", {false, false, false}, {false, false, false}},
      {"KODAK DC25", {false, false, false}, {true, true, false}},
      {"DCS PRO", {true, true, false}, {false, false, false}},
  };
  const Variant kodak[] = {vKdc, vK25, vDcr};
  for (const Case& c : cases) {
    for (int i = 0; i < 3; ++i) {
      ScanContext flags;
      classifyFile(kodak[i], makeAndModel("", c.model, true).build(2), &flags);
      EXPECT_EQ(flags.tiff.bKodakDcrFileFound, c.dcr[i]) << c.model << " " << kodak[i].name;
      EXPECT_EQ(flags.tiff.bKodakK25FileFound, c.k25[i]) << c.model << " " << kodak[i].name;
    }
  }
  // "KODAK DC25" is a K25 for the ARW and SR2 variants too; a Kodak DC120 Make is a KDC for the KDC variant.
  for (const Variant& v : {vArw, vSr2}) {
    ScanContext flags;
    classifyFile(v, makeAndModel("", "KODAK DC25", true).build(4), &flags);
    EXPECT_TRUE(flags.tiff.bKodakK25FileFound) << v.name;
  }
  EXPECT_TRUE(classifyFile(vKdc, makeAndModel("Kodak DC120 ZOOM Digital Camera", "", true).build(2)));
}

TEST(MakeClassifier, HasselbladIsThreefrOnlyWithSubIfds) {
  for (bool subIfds : {true, false}) {
    const Camera hasselblad = makeAndModel("Hasselblad", "", subIfds);
    for (const Variant& v : kAllVariants) {
      ScanContext flags;
      const bool answer = classifyFile(v, hasselblad.build(4), &flags);
      EXPECT_EQ(flags.tiff.bThreefrFileFound, subIfds) << v.name;
      // Without sub-IFDs it is a plain TIFF.
      EXPECT_EQ(answer, v.variant == (subIfds ? &kThreefrVariant : &kTiffVariant)) << v.name;
    }
  }
}

TEST(MakeClassifier, DngVersionTag) {
  Camera dng;
  dng.deciding = [](TiffBuilder& b) {
    return std::vector<TiffEntry>{b.string(kMake, "NIKON"), {kDngVersion, kByte, 4, 0x00000401}};
  };
  for (const Variant& v : kAllVariants) {
    ScanContext flags;
    const bool answer = classifyFile(v, dng.build(4), &flags);
    const std::string name = v.name;
    const bool knowsDng = name == "arw" || name == "sr2" || name == "kdc" || name == "k25" || name == "dcr" ||
                          name == "pef" || name == "dng";
    EXPECT_EQ(answer, name == "dng") << name;
    EXPECT_EQ(flags.tiff.bPentaxDngFileFound, knowsDng) << name;
    EXPECT_FALSE(flags.tiff.bNikonNefFileFound) << name;
  }
}

TEST(MakeClassifier, PanasonicAndLeicaMarks) {
  const Camera panasonic = withMagic(makeAndModel("Panasonic", "", false), 'U', 0);
  EXPECT_TRUE(classifyFile(vRaw, panasonic.build(2)));
  EXPECT_FALSE(classifyFile(vLei, panasonic.build(2)));
  EXPECT_FALSE(classifyFile(vTfr, panasonic.build(2)));
  // The same Make with TIFF magic is claimed by none of the three.
  const Camera plainPanasonic = makeAndModel("Panasonic", "", false);
  for (const Variant& v : {vRaw, vLei, vTfr}) EXPECT_FALSE(classifyFile(v, plainPanasonic.build(2))) << v.name;

  const Camera leica = withMagic(makeAndModel("LEICA", "", false), 'U', 0);
  for (const Variant& v : {vRaw, vLei, vArw, vTiff}) {
    ScanContext flags;
    const bool answer = classifyFile(v, leica.build(4), &flags);
    EXPECT_TRUE(flags.tiff.bLeicaFileFound) << v.name;
    EXPECT_EQ(answer, v.variant == &kLeicaVariant) << v.name;
  }
  EXPECT_FALSE(classifyFile(vTfr, leica.build(2)));
}

TEST(MakeClassifier, SonyMakeFindsTheR1ForSr2) {
  EXPECT_TRUE(classifyFile(vSr2, makeAndModel("SONY", "DSC-R1 extra", false).build(2)));
  EXPECT_FALSE(classifyFile(vSr2, makeAndModel("SONY", "DSLR-A700", false).build(2)));
  // A Model beyond 100 MiB after a SONY Make rejects the header.
  TiffFixture f(512, 0x6500000);
  TiffBuilder b(true);
  const TiffEntry make = b.string(kMake, "SONY");
  b.setIfd0(b.appendIfd({make, {kModel, kAscii, 7, 0x6400001}}));
  f.place(b, 0);
  f.image.put(0x6400001, {'D', 'S', 'C', '-', 'R', '1', 0});
  EXPECT_FALSE(f.classify(kSr2Variant));
}

TEST(MakeClassifier, NikonRules) {
  const Camera nef = makeAndModel("NIKON CORPORATION", "", true);
  for (const Variant& v : kTiffPartVariants) {
    ScanContext flags;
    const bool answer = classifyFile(v, nef.build(4), &flags);
    EXPECT_EQ(flags.tiff.bNikonNefFileFound, v.variant != &kTiffVariant && v.variant != &kOrfVariant) << v.name;
    EXPECT_EQ(answer, v.variant == &kNefVariant) << v.name;
  }
  // A Nikon TIFF without sub-IFDs is a plain TIFF.
  ScanContext flags;
  EXPECT_FALSE(classifyFile(vNef, makeAndModel("NIKON", "", false).build(4), &flags));
  EXPECT_TRUE(flags.tiff.bTiffFileFound && flags.tiff.bRawTiffFileFound);
  EXPECT_FALSE(flags.tiff.bNikonNefFileFound);
}

}  // namespace
}  // namespace salvonix::test
