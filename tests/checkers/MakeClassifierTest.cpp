#include <gtest/gtest.h>

#include "checkers/TiffFixture.h"
#include "checkers/TiffToolkit.h"
#include "checkers/TiffVariants.h"

namespace salvonix::test {
namespace {

using namespace tiff;

// In engine order; the last three are those of the Panasonic, Leica and 3FR checkers.
const ClassifierVariant* const kVariants[] = {&kArwVariant, &kSr2Variant, &kKdcVariant,  &kK25Variant, &kDcrVariant,
                                              &kPefVariant, &kDngVariant, &kCr2Variant,  &kNefVariant, &kTiffVariant,
                                              &kOrfVariant, &kRawPanasonicVariant, &kLeicaVariant, &kThreefrVariant};
const char* const kNames[] = {"arw", "sr2", "kdc", "k25", "dcr", "pef", "dng",
                              "cr2", "nef", "tiff", "orf", "raw", "lei", "3fr"};
enum : int { None = -1, Arw, Sr2, Kdc, K25, Dcr, Pef, Dng, Cr2, Nef, Tiff, Orf, Raw, Lei, Tfr };

// IFD0: Make, Model, SubIFDs and `extra` (those given), filled up to the entry count; `ifds` IFDs in the chain.
struct Camera {
  std::string make{}, model{};
  bool subIfds = false;
  std::array<uint8_t, 2> magic{'*', 0};
  bool cr2 = false;
  int ifds = 1;
  Ifd extra{};

  TiffBuilder build(std::size_t entries = 4) const {
    TiffBuilder b;
    b.magic(magic[0], magic[1]);
    if (cr2) b.putBytes(8, {'C', 'R', 2, 0});
    Ifd first;
    if (!make.empty()) first.push_back(b.string(kMake, make));
    if (!model.empty()) first.push_back(b.string(kModel, model));
    if (subIfds) first.push_back(longValue(kSubIfds, 0x2000));
    std::vector<Ifd> chain(ifds, Ifd(2, longValue(kImageWidth, 8)));
    chain[0] = filled(first + extra, entries);
    b.chain(chain);
    return b;
  }
};

struct Classified : TiffFixture {
  Classified(int variant, const TiffBuilder& file) {
    place(file, 5);
    answer = classify(*kVariants[variant], 5);
  }
  bool answer;
};

const Camera kNikonDng{.make = "NIKON", .extra = {{kDngVersion, kByte, 4, 0x00000401}}};

TEST(MakeClassifier, EachVariantsOwnFileWithinTheEntryLimits) {
  const Camera own[] = {
      {.model = "DSLR-A700", .subIfds = true},        {.make = "SONY", .model = "DSC-R1"},
      {.model = "Kodak DC120 ZOOM", .subIfds = true}, {.model = "KODAK DC25", .subIfds = true},
      {.model = "DCS Pro 14n", .subIfds = true},      {.make = "PENTAX Corporation", .ifds = 3},
      kNikonDng,                                      {.make = "Canon", .cr2 = true},
      {.make = "NIKON CORPORATION", .subIfds = true}, {.extra = {longValue(kImageWidth, 1)}},
      {.make = "OLYMPUS IMAGING CORP.", .magic = {'R', 'O'}}, {.make = "Panasonic", .magic = {'U', 0}},
      {.make = "LEICA", .magic = {'U', 0}},           {.make = "Hasselblad", .subIfds = true},
  };
  for (int v = Arw; v <= Tfr; ++v) {
    SCOPED_TRACE(kNames[v]);
    for (std::size_t entries : {1u, 2u, 3u, 4u, 100u, 101u}) {
      const bool inRange = entries >= (v == Arw ? 4u : 2u) && entries <= 100;
      EXPECT_EQ(Classified(v, own[v].build(entries)).answer, inRange) << entries;
    }
  }
}

// Every other variant answers false.
TEST(MakeClassifier, WhichVariantClaimsEachFile) {
  const std::pair<Camera, int> cases[] = {
      {{.make = "Canon", .cr2 = true}, Cr2},
      {{.make = "Canon"}, Tiff},
      {{.make = "NIKON", .subIfds = true}, Nef},
      {{.make = "NIKON"}, Tiff},
      {{.make = "OLYMPUS OPTICAL CO.,LTD", .magic = {'R', 'O'}}, Orf},
      {{.make = "OLYMPUS", .magic = {'R', 'S'}}, Orf},
      {{.make = "OLYMPUS"}, Tiff},
      {{.make = "Hasselblad", .subIfds = true}, Tfr},
      {{.make = "Hasselblad"}, Tiff},
      {{.make = "Panasonic", .magic = {'U', 0}}, Raw},
      {{.make = "Panasonic"}, Tiff},
      {{.make = "LEICA", .magic = {'U', 0}}, Lei},
      {{.make = "PENTAX", .ifds = 1}, Tiff},
      {{.make = "PENTAX", .ifds = 2}, Tiff},
      {{.make = "PENTAX", .ifds = 3}, Pef},
      {{.make = "PENTAX", .ifds = 4}, None},
      {{.make = "PENTAX", .ifds = 6}, None},
      {kNikonDng, Dng},
  };
  for (const auto& [camera, claimer] : cases)
    for (int v = Arw; v <= Tfr; ++v)
      EXPECT_EQ(Classified(v, camera.build()).answer, v == claimer) << camera.make << camera.ifds << kNames[v];
}

TEST(MakeClassifier, FlagsLeftForTheLaterCheckers) {
  for (int v = Arw; v <= Tfr; ++v) {
    SCOPED_TRACE(kNames[v]);
    auto flags = [v](const Camera& camera) { return Classified(v, camera.build()).context.tiff; };
    EXPECT_EQ(flags({.make = "Canon", .cr2 = true}).bCanonCr2FileFound, v <= Cr2);
    const TiffSectorFlags canon = flags({.make = "Canon"});
    if (v == Arw || v == Sr2 || v == Kdc || v == Cr2 || v == Nef || v == Tiff) {
      EXPECT_TRUE(canon.bCanonRawTiff && canon.bRawTiffFileFound && canon.bTiffFileFound);
    }
    EXPECT_TRUE(v != Orf || !canon.bCanonRawTiff);
    EXPECT_TRUE(v > Raw || flags({.make = "OLYMPUS", .magic = {'R', 'O'}}).bOlympusOrfFileFound == (v <= Orf));
    EXPECT_TRUE(flags({.make = "Hasselblad", .subIfds = true}).bThreefrFileFound);
    EXPECT_FALSE(flags({.make = "Hasselblad"}).bThreefrFileFound);
    if (v == Raw || v == Lei || v == Arw || v == Tiff) {
      EXPECT_TRUE(flags({.make = "LEICA", .magic = {'U', 0}}).bLeicaFileFound);
    }
    // A DNG tag (here UniqueCameraModel) after a Pentax Make makes a DNG for the variants up to CR2.
    const Camera pentaxDng{.make = "PENTAX", .subIfds = true, .extra = {{0xC614, kAscii, 12, 0}}};
    EXPECT_TRUE(v > Cr2 || Classified(v, pentaxDng.build()).answer == (v == Dng));
    const TiffSectorFlags dng = flags(kNikonDng);
    EXPECT_EQ(dng.bPentaxDngFileFound, v <= Dng);
    EXPECT_FALSE(dng.bNikonNefFileFound);
    if (v > Orf) continue;
    // A Pentax TIFF of one or two IFDs is a plain TIFF (the ORF variant names no flag for it); of three or more, not.
    EXPECT_EQ(flags({.make = "PENTAX", .ifds = 2}).bTiffFileFound, v != Orf);
    EXPECT_FALSE(flags({.make = "PENTAX", .ifds = 2}).bPentaxPefFileFound);
    EXPECT_FALSE(flags({.make = "PENTAX", .ifds = 3}).bTiffFileFound);
    EXPECT_FALSE(flags({.make = "PENTAX", .ifds = 4}).bTiffFileFound);
  }
}

TEST(MakeClassifier, CommonRejections) {
  const Bytes headers[] = {
      {'I', 'M', '*', 0, 8, 0, 0, 0},          {'M', 'I', 0, '*', 0, 0, 0, 8},
      {'I', 'I', '*', 0, 7, 0, 0, 0},          {'I', 'I', '*', 0, 0x01, 0, 0x60, 0x09},
      {'M', 'M', 0, '*', 0x09, 0x60, 0x00, 0x01},
      {'I', 'I', 0x1A, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'},  // a Canon CRW
  };
  for (int v = Arw; v <= Tfr; ++v) {
    for (const Bytes& header : headers) {
      TiffFixture f;
      f.placeBytes(header, 0);
      EXPECT_FALSE(f.classify(*kVariants[v])) << kNames[v];
      EXPECT_EQ(f.context.tiff.bCanonCrwFileFound, header[6] == 'H') << kNames[v];
    }
  }
}

TEST(MakeClassifier, MakeAndModelOffsetLimits) {
  for (auto [v, limit] : {std::pair{Arw, 0x6400000u}, {Cr2, 0x9600000u}, {K25, 0x9600000u}}) {
    for (uint32_t offset : {limit, limit + 1}) {
      TiffFixture f(512, 0xA000000);
      TiffBuilder b;
      b.putBytes(8, {'C', 'R', 2, 0});
      b.chain({filled({{kMake, kAscii, 6, offset}}, 4)});
      f.place(b);
      f.image.put(offset, {'C', 'a', 'n', 'o', 'n', 0});
      f.classify(*kVariants[v]);
      EXPECT_EQ(f.context.tiff.bCanonCr2FileFound, offset == limit) << kNames[v] << " " << offset;
    }
  }
  // SR2: a Model starting "DSC-R1" after a SONY Make, at most 100 MiB into the file.
  EXPECT_TRUE(Classified(Sr2, Camera{.make = "SONY", .model = "DSC-R1 extra"}.build(2)).answer);
  EXPECT_FALSE(Classified(Sr2, Camera{.make = "SONY", .model = "DSLR-A700"}.build(2)).answer);
  TiffFixture f(512, 0x6500000);
  TiffBuilder b;
  b.chain({{b.string(kMake, "SONY"), {kModel, kAscii, 7, 0x6400001}}});
  f.place(b);
  f.image.put(0x6400001, {'D', 'S', 'C', '-', 'R', '1', 0});
  EXPECT_FALSE(f.classify(kSr2Variant));
}

TEST(MakeClassifier, ArwModelRules) {
  const std::pair<std::string, TiffFlags> cases[] = {
      {"DSLR-A700", kArwA700}, {"DSLR-A700 Mark II", kArwA700}, {"DSLR-A350", kArwA700},
      {"DSLR-A100", kArwA100}, {"DSC-R1", kSr2},                {"DSC-R1X", 0},
      {"DCS PRO", kDcr},       {"DCS 669C", kDcr},              {"DCS 669CX", 0},
      {"DCS 669CXX", kDcr},    {"KODAK DC25", kK25},            {"Kodak DC120", kKdc},
      {"DCS Pro SLR/n", kDcr}, {"Kodak Digital Science DC50", kKdc},
      {"KODAK P880 ZOOM DIGITAL CAMERA", kKdc},                 {"NEX-5", 0},
  };
  for (const auto& [model, flag] : cases) {
    Classified r(Arw, Camera{.model = model, .subIfds = true}.build());
    EXPECT_EQ(r.answer, (flag & (kArwA100 | kArwA700)) != 0) << model;
    for (TiffFlags bit : {kArwA100, kArwA700, kSr2, kDcr, kK25, kKdc})
      EXPECT_EQ(anyFlag(r.context, bit), (flag & bit) != 0) << model << " bit " << bit;
  }
}

TEST(MakeClassifier, KodakModelRules) {
  struct Case {
    std::string model;
    bool dcr[3], k25[3];  // by the KDC, K25 and DCR variants
  };
  const Case cases[] = {
      {"DCS Pro 14n", {true, true, true}, {false, false, false}},
      {"DCS 14n", {false, false, false}, {false, false, false}},
      {"KODAK DC25", {false, false, false}, {true, true, false}},
      {"DCS PRO", {true, true, false}, {false, false, false}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 3; ++i) {
      Classified r(Kdc + i, Camera{.model = c.model, .subIfds = true}.build(2));
      EXPECT_EQ(r.context.tiff.bKodakDcrFileFound, c.dcr[i]) << c.model << " " << kNames[Kdc + i];
      EXPECT_EQ(r.context.tiff.bKodakK25FileFound, c.k25[i]) << c.model << " " << kNames[Kdc + i];
    }
  }
  EXPECT_TRUE(Classified(Sr2, Camera{.model = "KODAK DC25", .subIfds = true}.build()).context.tiff.bKodakK25FileFound);
  EXPECT_TRUE(Classified(Kdc, Camera{.make = "Kodak DC120 ZOOM Digital Camera", .subIfds = true}.build(2)).answer);
}

}  // namespace
}  // namespace salvonix::test
