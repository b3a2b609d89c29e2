// The TIFF-based raw checkers (CR2, NEF, PEF, DNG, ARW, SR2, Kodak, ORF,
// Panasonic, Leica, 3FR): each file's size and the preview it reports.

#include <gtest/gtest.h>

#include "checkers/RawPanasonicFileCheck.h"
#include "checkers/TiffFixture.h"

namespace salvonix::test {
namespace {

using T = FileType;

const TiffEntry kDngVersionEntry = {kDngVersion, kByte, 4, 0x00000401};

// A CR2: IFD0 names the preview strip (3000 bytes at 0x1234), then `middle` IFDs, then `last` (if any).
TiffBuilder cr2(const Ifd& last, int middle = 2) {
  TiffBuilder b;
  b.putBytes(8, {'C', 'R', 2, 0, 0, 0, 0, 0});
  std::vector<Ifd> chain = {Ifd{b.string(kMake, "Canon")} + strip(0x1234, 3000)};
  chain.resize(1 + middle, {longValue(kImageWidth, 1), longValue(kStripOffsets, 5)});
  if (!last.empty()) chain.push_back(last);
  b.chain(chain);
  return b;
}

TEST(Cr2FileCheck, RawDataEndsTheFileAndIfd0IsThePreview) {
  const Ifd raw = strip(0x1000, 0x2000);
  const Preview preview{0x1234, 3000};
  expectSizes({
      {"no middle IFDs", T::Cr2, cr2(raw, 0), 0x3000, preview, 10},
      {"two middle IFDs", T::Cr2, cr2(raw), 0x3000, preview, 10},
      // The report stays for the engine, which records nothing.
      {"no raw IFD", T::Cr2, cr2({}, 0), 0, preview, 10},
      {"strips as arrays", T::Cr2, cr2({{kStripOffsets, kLong, 2, 0x1000}, {kStripByteCounts, kLong, 2, 0x2000}}), 0},
      {"65534 strips", T::Cr2, cr2({{kStripOffsets, kLong, 65534, 0x1000}, {kStripByteCounts, kLong, 65534, 0x2000}}),
       0},
      {"150 MiB", T::Cr2, cr2(strip(0x1000, 0x9600000 - 0x1000)), 0x9600000},
      {"beyond 150 MiB", T::Cr2, cr2(strip(0x1000, 0x9600000 - 0x1000 + 1)), 0},
      {"24 IFDs after IFD0", T::Cr2, cr2(raw, 23), 0x3000},
      {"25 IFDs after IFD0", T::Cr2, cr2(raw, 24), 0},
      {"one-entry successor withdraws the preview", T::Cr2, cr2({longValue(kImageWidth, 1)}, 0), 0, Preview{0, 0}},
  });
}

// A NEF: IFD0 with the Make and SubIFDs naming these sub-IFDs, filled up to `entries`.
TiffBuilder nef(const std::vector<Ifd>& subs, std::size_t entries = 3, uint32_t ifd0At = 0) {
  TiffBuilder b;
  b.padTo(ifd0At);
  b.chain({filled({b.string(kMake, "NIKON CORPORATION"), b.subIfds(subs)}, entries)});
  return b;
}

TEST(NefFileCheck, SubIfdStripsEndTheFile) {
  // "RO" magic keeps the header test from taking it as a plain TIFF.
  const auto withoutSubIfds = [](std::size_t entries) {
    TiffBuilder b;
    b.magic('R', 'O');
    b.chain({filled({b.string(kMake, "NIKON")}, entries)});
    return b;
  };
  TiffBuilder arrays;
  const TiffEntry make = arrays.string(kMake, "NIKON");
  const TiffEntry offsets = arrays.longArray(kStripOffsets, {0x10000, 0x90000});
  const TiffEntry counts = arrays.longArray(kStripByteCounts, {0x80000, 0x70000});
  arrays.chain({{make, arrays.subIfds({{offsets, counts}})}});
  expectSizes({
      {"raw strip", T::Nef, nef({jpeg(0x800, 0x4000) + strip(0x10000, 0x500000)}), 0x510000, Preview{0x800, 0x4000}, 7},
      {"strips as arrays", T::Nef, arrays, 0x100000 + 512, std::nullopt, 7},
      {"largest preview", T::Nef,
       nef({filled(jpeg(0x1000, 0x3000), 3), filled(jpeg(0x5000, 0x9000), 3),
            jpeg(0x20000, 0x100) + strip(0x30000, 0x40000)}),
       0x70000 + 512, Preview{0x5000, 0x9000}},
      // Without sub-IFDs or strips the directory is the size.
      {"7 entries", T::Nef, withoutSubIfds(7), 0},
      {"8 entries", T::Nef, withoutSubIfds(8), 12 * 8 + 6},
      {"strips before IFD0", T::Nef, nef({strip(0x100, 0x200), Ifd(2, longValue(kImageWidth, 1))}, 9, 0x3000),
       12 * 9 + 6 + 512},
  });
}

// A PEF: IFD0 with the Pentax Make and the preview, then a chain whose last IFD holds the strip.
TiffBuilder pef(uint32_t previewOffset, int ifds = 3) {
  TiffBuilder b;
  std::vector<Ifd> chain(ifds - 1, {longValue(kImageWidth, 0x2000), longValue(kImageWidth, 0x100000)});
  chain.insert(chain.begin(), Ifd{b.string(kMake, "PENTAX Corporation")} + jpeg(previewOffset, 0x8000));
  chain.back() = strip(0x2000, 0x100000);
  b.chain(chain);
  return b;
}

TEST(PefFileCheck, StripEndPlusPreview) {
  expectSizes({
      {"preview", T::Pef, pef(0x4000), 0x8000 + 0x102000 + 512, Preview{0x4000, 0x8000}, 20},
      // Not reported beyond 150 MiB into the file; its length still counts.
      {"preview beyond 150 MiB", T::Pef, pef(0x9600001), 0x8000 + 0x102000 + 512, Preview{0, 0}, 20},
      {"four IFDs fail the header test", T::Pef, pef(0x4000, 4), 0},
  });
  // The size rule follows at most six IFDs.
  EXPECT_EQ(TiffFixture::sizeRuleAlone(pef(0x4000, 6), FileType::Pef), 0x10A000u + 512);
  EXPECT_EQ(TiffFixture::sizeRuleAlone(pef(0x4000, 7), FileType::Pef), 0u);
}

// A DNG: IFD0 (at ifd0At, else appended) holds a Model, SubIFDs naming `subs` (count overridable) and DNGVersion.
TiffBuilder dng(const std::vector<Ifd>& subs, const std::string& model = "Canon EOS", uint32_t count = 0,
                uint32_t ifd0At = 0) {
  TiffBuilder b;
  const TiffEntry modelEntry = b.string(kModel, model);
  TiffEntry sub = b.subIfds(subs);
  if (count) sub.count = count;
  const Ifd ifd0 = {modelEntry, sub, kDngVersionEntry};
  if (ifd0At) b.writeIfd(ifd0At, ifd0);
  b.setIfd0(ifd0At ? ifd0At : b.appendIfd(ifd0));
  return b;
}

// The preview sub-IFD names its byte counts as an array.
TiffBuilder dngWithPreview(const Ifd& raw, uint32_t previewBytes) {
  TiffBuilder b;
  const TiffEntry counts = b.longArray(kStripByteCounts, {100, previewBytes});
  const Ifd preview = {longValue(kStripOffsets, 0x70000), counts};
  b.chain({{b.string(kModel, "Canon EOS"), b.subIfds({raw, preview}), kDngVersionEntry}});
  return b;
}

TEST(DngFileCheck, RawAndPreviewSubIfds) {
  const Ifd raw = strip(0x10000, 0x50000);
  // Without strips: IFD0 and the data its entries place after it (the version's four bytes too).
  TiffBuilder noStrips;
  noStrips.padTo(0x400);
  noStrips.writeIfd(0x10, {kDngVersionEntry, {0xC614, kAscii, 60, 0x300}, longValue(kImageWidth, 5)});
  noStrips.setIfd0(0x10);
  expectSizes({
      {"raw", T::Dng, dng({raw}), 0x60000 + 512},
      {"sub-IFD count 11", T::Dng, dng({raw}, "Canon EOS", 11), 0},
      {"small preview", T::Dng, dngWithPreview(raw, 900), 0x60000 + 900 + 512, Preview{0, 0}},
      {"preview", T::Dng, dngWithPreview(raw, 3000), 0x60000 + 3000 + 512, Preview{0x70000, 3000}},
      // A Pentax K10D preview is added, the *ist DS one lies inside the raw data; the same far into the device.
      {"*ist DS", T::Dng, dng({raw, strip(0x20000, 0x4000)}, "PENTAX *ist DS"), 0x60000 + 512},
      {"*ist DS far", T::Dng, dng({raw, strip(0x20000, 0x4000)}, "PENTAX *ist DS"), 0x60000 + 512, std::nullopt,
       300000},
      {"K10D", T::Dng, dng({raw, strip(0x20000, 0x4000)}, "PENTAX K10D"), 0x64000 + 512},
      {"K10D far", T::Dng, dng({raw, strip(0x20000, 0x4000)}, "PENTAX K10D"), 0x64000 + 512, std::nullopt, 300000},
      // At least IFD0 when the data lie before it.
      {"strip before IFD0", T::Dng, dng({strip(0x100, 0x100)}, "Canon EOS", 0, 0x20000), 0x20000 + 12 * 3 + 6 + 512},
      {"no strips", T::Dng, noStrips, 0x10 + 12 * 3 + 6 + 4 + 60 + 512},
  });
}

// An A700-family ARW: the raw strip in IFD0's sub-IFD, the preview in IFD0.
TiffBuilder arwA700(uint32_t jpegOffset, uint32_t jpegLength) {
  TiffBuilder b;
  const Ifd ifd0 = {b.string(kMake, "SONY"), b.string(kModel, "DSLR-A700"), b.subIfds({strip(0x100000, 0x800000)})};
  b.chain({ifd0 + jpeg(jpegOffset, jpegLength)});
  return b;
}

// The A100's end lies in the block that DNGPrivateData (0xC634) points at.
TiffBuilder arwA100(uint16_t blockTag) {
  TiffBuilder b;
  const TiffEntry model = b.string(kModel, "DSLR-A100");
  const uint32_t block = b.append(Bytes(200, 0));
  b.put(block + 148, 0x500000);
  b.chain({Ifd{model, longValue(kSubIfds, 0x3000)} + jpeg(0x4000, 0x6000) + Ifd{longValue(blockTag, block)}});
  return b;
}

TiffBuilder sr2(uint32_t previewLength, const std::string& model = "DSC-R1") {
  TiffBuilder b;
  const Ifd sub = strip(0x10000, 0x200000) + jpeg(0x5000, previewLength);
  b.chain({filled({b.string(kMake, "SONY"), b.string(kModel, model), b.subIfds({sub})}, 4)});
  return b;
}

TEST(ArwSr2FileCheck, RawStripAndPreview) {
  expectSizes({
      {"A700", T::Arw, arwA700(0x8000, 8000000), 0x900000, Preview{0x8000, 7340032}, 4},
      {"A700 preview beyond the raw data", T::Arw, arwA700(0x950000, 0x4000), 0x900000, Preview{0, 0}, 4},
      {"A100", T::Arw, arwA100(0xC634), 0x503000, Preview{0x4000, 0x6000}},
      {"A100 without private data", T::Arw, arwA100(kImageWidth), 0, Preview{0, 0}},
      {"SR2 preview of 1024", T::Sr2, sr2(1024), 0x210000 + 512, Preview{0, 0}},
      {"SR2 preview of 1025", T::Sr2, sr2(1025), 0x210000 + 512, Preview{0x5000, 1025}},
  });
  // Naming the file forgets its model family, which must not carry over to the next file.
  TiffFixture f;
  f.place(arwA700(0x8000, 8000000));
  auto checker = f.checker(FileType::Arw);
  EXPECT_EQ(f.size(*checker), 0x900000u);
  EXPECT_EQ(checker->parentKey(), "arw");
  EXPECT_FALSE(f.context.bSonyArwA700File);
}

TEST(Sr2FileCheck, WithArwSelectedTheArwVariantDecides) {
  TempDir dir;
  const std::string image = dir.file("disk.img");
  TestImage disk(image, 8 << 20);
  disk.putAtSector(100, sr2(4000).bytes());
  disk.putAtSector(8000, sr2(4000, "DSC-R1 (v2)").bytes());
  // Alone, SR2 takes a Model that starts with "DSC-R1"; behind ARW only the exact "DSC-R1".
  auto found = scanImage(image, {FileType::Sr2});
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[1].folder, "SR2 Files");
  EXPECT_EQ(found[1].sector, 8000u);
  EXPECT_EQ(found[2].folder, "RAW Jpg Files");
  found = scanImage(image, {FileType::Arw, FileType::Sr2});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].folder, "SR2 Files");
  EXPECT_EQ(found[0].sector, 100u);
  EXPECT_EQ(found[1].folder, "RAW Jpg Files");
}

// A Kodak file: the Model decides the type; IFD0's sub-IFDs hold the strips.
TiffBuilder kodak(const std::string& model, const std::vector<Ifd>& subs, const Ifd& extraIfd0 = {}) {
  TiffBuilder b;
  const Ifd ifd0 = {b.string(kMake, "Eastman Kodak Company"), b.string(kModel, model)};
  b.chain({ifd0 + extraIfd0 + Ifd{b.subIfds(subs)}});
  return b;
}

TiffBuilder kodak26Strips(const std::string& model) {
  TiffBuilder b;
  const TiffEntry counts = b.longArray(kStripByteCounts, std::vector<uint32_t>(26, 0x1000));
  b.chain({{b.string(kModel, model), b.subIfds({{longValue(kStripOffsets, 0x40000), counts}})}});
  return b;
}

TEST(KodakFileCheck, StripRules) {
  const std::string kdc = "KODAK P880 ZOOM DIGITAL CAMERA";
  // A strip that ends before IFD0 gives IFD0's end instead.
  TiffBuilder beforeIfd0;
  beforeIfd0.padTo(0x2000);
  const TiffEntry model = beforeIfd0.string(kModel, "KODAK DC25");
  const uint32_t ifd0 = beforeIfd0.chain({{model, longValue(0x00FE, 0), longValue(kStripOffsets, 0x10),
                                           longValue(kStripByteCounts, 0x10), longValue(kSubIfds, 0x10)}});
  auto dcrWithPrivate = [](uint32_t entries) {
    return kodak("DCS Pro 14n", {strip(0x1000, 0x8000) + Ifd{{0xFDE9, kLong, entries, 0x100}}});
  };
  expectSizes({
      {"KDC", T::Kdc, kodak(kdc, {strip(0x1000, 0x80000)}), 0x81000 + 512},
      {"K25", T::K25, kodak("KODAK DC25", {strip(0x1000, 0x80000)}), 0x81000},
      // 26 strips are too many for KDC, not for K25.
      {"KDC 26 strips", T::Kdc, kodak26Strips("Kodak DC120 ZOOM Digital Camera"), 0},
      {"K25 26 strips", T::K25, kodak26Strips("KODAK DC25"), 0x41000},
      // NewSubfileType (0x00FE) 0: IFD0's own JPEG tags, the sub-IFD is not used.
      {"KDC NewSubfileType 0", T::Kdc,
       kodak(kdc, {strip(0x1000, 0x100)}, Ifd{longValue(0x00FE, 0)} + jpeg(0x3000, 0x7000)), 0xA000 + 512},
      {"K25 strip before IFD0", T::K25, beforeIfd0, ifd0 + 12 * 5 + 8},
      // DCR: the furthest strip plus the private data.
      {"DCR", T::Dcr, kodak("DCS Pro 14n", {strip(0x1000, 0x8000), strip(0x20000, 0x1000), strip(0x4000, 0x100)}),
       0x21000 + 512},
      {"DCR large private data", T::Dcr, dcrWithPrivate(100000), 0x9000 + 307200 + 512},
      {"DCR private data", T::Dcr, dcrWithPrivate(1000), 0x9000 + 4000 + 512},
      {"DCR 11 sub-IFDs", T::Dcr, kodak("DCS Pro 14n", std::vector<Ifd>(11, strip(0x1000, 0x8000))), 0},
  });
}

// An ORF with one raw strip and, optionally, an Exif IFD whose maker note is
// `note` followed by the IFD `noteIfd`.
TiffBuilder orf(uint8_t mark, const Bytes& note = {}, const Ifd& noteIfd = {}) {
  TiffBuilder b;
  b.magic('R', mark);
  Ifd ifd0 = Ifd{b.string(kMake, "OLYMPUS IMAGING CORP.")} + strip(0x1000, 0x400000);
  if (!note.empty()) {
    const uint32_t noteAt = b.append(note);
    if (!noteIfd.empty()) b.appendIfd(noteIfd);
    ifd0.push_back(longValue(0x8769, b.appendIfd({{0x927C, kUndefined, 100, noteAt}})));  // Exif IFD, maker note
  }
  b.chain({ifd0});
  return b;
}

// The older maker note names the preview block; its count lies 12 bytes after the position named.
TiffBuilder olderOrf(uint32_t length) {
  TiffBuilder b = orf('O', {'O', 'L', 'Y', 'M', 'P', 0, 1, 0}, {{0x2020, 13, 1, 0x3000}});
  b.writeIfd(0x3000 + 12, {longValue(0x0101, 0x5123), longValue(0x0102, length)});
  return b;
}

// The newer maker note: the preview starts at 24,576 and its end marker is searched for.
TiffBuilder newerOrf(uint32_t endMarkerAt) {
  TiffBuilder b = orf('O', {'O', 'L', 'Y', 'M', 'P', 'U', 'S', 0, 'I', 'I', 3, 0});
  b.putBytes(24576 + endMarkerAt, {0xFF, 0xD9});
  return b;
}

TEST(OrfFileCheck, StripEndAndMakerNotePreviews) {
  constexpr uint64_t kStripEnd = 0x401000 + 512;
  expectSizes({
      {"RS allowance", T::Orf, orf('S'), 5500 + kStripEnd},
      {"RO", T::Orf, orf('O'), kStripEnd},
      {"older note", T::Orf, olderOrf(20000), kStripEnd, Preview{0x5123, 20000}, 10},
      {"older note, preview too long", T::Orf, olderOrf(3000000), kStripEnd, Preview{0, 0}, 10},
      {"newer note", T::Orf, newerOrf(70000), kStripEnd, Preview{24576, 70000 + 65586}, 2},
      {"newer note 4096", T::Orf, newerOrf(70000), kStripEnd, Preview{24576, 70000 + 65586}, 2, 4096},
      // Past the 32 windows searched, nothing is reported.
      {"newer note, end past the search", T::Orf, newerOrf(32 * 65536), kStripEnd, Preview{0, 0}, 2},
      {"newer note 4096, end past the search", T::Orf, newerOrf(32 * 65536), kStripEnd, Preview{0, 0}, 2, 4096},
  });
}

// A Panasonic-style raw file ("IIU\0") whose IFD0 (at ifd0At, else appended)
// holds the Make, one strip and `extra`, filled up to `entries`.
TiffBuilder panasonic(const std::string& make, uint32_t stripOffset, uint32_t stripLength, const Ifd& extra = {},
                      std::size_t entries = 4, uint32_t ifd0At = 0) {
  TiffBuilder b;
  b.magic('U', 0);
  const Ifd ifd0 = filled(Ifd{b.string(kMake, make)} + strip(stripOffset, stripLength) + extra, entries);
  if (ifd0At) b.writeIfd(ifd0At, ifd0);
  b.setIfd0(ifd0At ? ifd0At : b.appendIfd(ifd0));
  return b;
}

TiffBuilder hasselblad(uint32_t end, bool subIfds = true) {
  TiffBuilder b;
  const TiffEntry make = b.string(kMake, "Hasselblad");
  b.chain({filled({make, subIfds ? b.subIfds({strip(0x1000, end - 0x1000)}) : longValue(kImageWidth, 1)}, 3)});
  return b;
}

TEST(PanasonicLeicaThreefr, StripEndPreviewAndTrim) {
  const Bytes preview = previewJpeg(30000);
  const Ifd previewTag = {{0x002E, kUndefined, 30000, 0x8123}};
  TiffBuilder withPreview = panasonic("Panasonic", 0x10000, 0x20000, previewTag);
  withPreview.putBytes(0x8123, preview);
  expectSizes({
      {"Panasonic", T::RawPanasonic, panasonic("Panasonic", 1000000, 20000000), 21000512},
      {"Leica", T::Leica, panasonic("LEICA", 1000000, 20000000), 21000512},
      {"strips before IFD0", T::RawPanasonic, panasonic("Panasonic", 100, 100, {}, 20, 30000000), 30000758},
      {"preview", T::RawPanasonic, withPreview, 0x30000 + 512, Preview{0x8123, preview.size()}, 5},
      // The same file far into a large device keeps its preview.
      {"preview far", T::RawPanasonic, withPreview, 0x30000 + 512, Preview{0x8123, preview.size()}, 104857600},
      {"no JPEG where the tag points", T::RawPanasonic, panasonic("Panasonic", 0x10000, 0x20000, previewTag),
       0x30000 + 512, Preview{0, 0}},
      // 3FR files above 30 MiB are trimmed.
      {"3FR above 30 MiB", T::ThreeFR, hasselblad(40000000), 29514240},
      {"3FR below 30 MiB", T::ThreeFR, hasselblad(31457279), 31457279},
      {"3FR of 30 MiB", T::ThreeFR, hasselblad(31457280), 20971520},
      {"3FR without sub-IFDs", T::ThreeFR, hasselblad(0x100000, false), 0},
  });
  // Without sub-IFDs its 3FR size would be 0 too.
  EXPECT_EQ(TiffFixture::sizeRuleAlone(hasselblad(0x100000, false), FileType::ThreeFR), 0u);
}

TEST(PanasonicRaw, PreviewOffsetBoundInsideTheFile) {
  TiffFixture f(512, 104857600 + (1 << 20));
  const Bytes preview = previewJpeg(2000);
  for (uint32_t offset : {104857599u, 104857600u}) {
    f.place(panasonic("Panasonic", 0x10000, 0x20000, {{0x002E, kUndefined, 2000, offset}}));
    f.image.put(offset, preview);
    EXPECT_EQ(f.size(FileType::RawPanasonic), 0x30000u + 512);
    EXPECT_EQ(f.context.bRawJpgFileFound, offset == 104857599u);
  }
  // The JPEG beyond the bound is there; it is only not measured.
  auto checker = f.checker(FileType::RawPanasonic);
  auto& raw = static_cast<RawPanasonicFileCheck&>(*checker);
  EXPECT_EQ(raw.jpegSize(104857600 / 512, 0), preview.size());
  EXPECT_EQ(raw.jpegSize(104857600 / 512, 1), 0u);
}

}  // namespace
}  // namespace salvonix::test
