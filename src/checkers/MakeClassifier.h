#pragma once
// The make classifier: decides from a TIFF header, its IFD0 and the Make and
// Model strings which camera format a file belongs to, and leaves the verdict
// in the per-sector flags for the TIFF-based checkers. Every checker runs the
// same algorithm over its own variant, a description given as data.

#include <cstdint>
#include <span>
#include <string_view>

#include "checkers/TiffToolkit.h"

namespace salvonix::tiff {

// What a "Canon" Make does (CR: "CR" at header bytes 8-9, with TIFF magic).
enum class CanonRule : uint8_t {
  MarkCr2ThenReject,   // CR: CR2 flag, false. Otherwise a Canon camera TIFF; go on.
  MarkBothThenReject,  // CR: CR2 flag, false. Otherwise a Canon camera TIFF, false.
  MarkCr2AndGoOn,      // CR: CR2 flag; go on. Otherwise a Canon camera TIFF; go on.
  RejectCr2,           // CR: false. Otherwise a Canon camera TIFF; go on.
  RejectAll,           // any Canon: false.
};
// What another Make does: its rule, false at once, or nothing.
enum class MakeEffect : uint8_t { Apply, Reject, Ignore };
enum class PentaxRule : uint8_t {
  Plain,              // 1 IFD or 2: plain Pentax TIFF; 3: raw; else false
  PlainWithoutFlags,  // as Plain, but a plain Pentax TIFF sets nothing
  DngAware,           // DNG tags after the Make set the DNG flag; 3 IFDs: PEF
  Reject,
  Ignore,
};

struct MakeRules {
  CanonRule canon;
  MakeEffect nikon;      // NEF flag
  MakeEffect leica;      // with "U\0": Leica flag, raw
  MakeEffect phase;      // camera TIFF
  PentaxRule pentax;
  MakeEffect olympus;    // with "RO"/"RS": ORF flag
  MakeEffect panasonic;  // with "U\0": Panasonic flag, raw
  // "Hasselb" sets the 3FR flag in every variant.
};

enum class Match : uint8_t { Exactly, StartsWith, Contains };
// A test on a Make or Model string once `afterBytes` bytes have been copied:
// exactly `text` followed by the string's zero, starting with it, or
// containing it within those bytes.
struct StringRule {
  uint8_t afterBytes;
  Match match;
  std::string_view text;
  TiffFlags sets;
  TiffFlags clears = 0;
};
// How many bytes of a string are copied: as many as its count, or always 32.
enum class StringCopy : uint8_t { Count, Fixed32 };

// What the variant does when IFD0 holds no SubIFDs and the header has TIFF magic.
enum class PlainTiff : uint8_t { NotTested, AnswerFalse, AnswerTrue };

// Variants name only what differs from these defaults.
struct ClassifierVariant {
  // Types whose earlier checker has classified the sector already: when one is
  // selected the checker only answers its flag.
  std::span<bool RawFamilySelection::* const> defersTo{};
  TiffFlags answer;             // the checker answers whether any of these is set
  TiffFlags clearedAtStart;     // besides the byte order
  uint32_t minEntries{2};  // IFD0 entry count, up to 100
  uint64_t makeOffsetLimit{kLimit150MiB};
  MakeRules make;
  std::span<const StringRule> makeStringRules{};  // further tests of the Make string
  bool sonyMakeLooksForR1{false};  // "SONY": a Model starting "DSC-R1" is an SR2
  std::span<const StringRule> modelRules{};  // empty: Model is not examined
  StringCopy modelCopy{StringCopy::Count};
  uint64_t modelOffsetLimit{kLimit150MiB};
  // DNGVersion or DNGBackwardVersion in IFD0.
  TiffFlags dngSets;
  TiffFlags dngClears;
  bool dngAnswer{false};
  PlainTiff plainTiff{PlainTiff::AnswerFalse};
  TiffFlags plainTiffClears;
  bool answerBeforePlainTiff{false};  // a set answer flag wins over the plain-TIFF test
  TiffFlags clearedWhenNotRaw{0};  // after the walk, when IFD0 holds no SubIFDs
};

class MakeClassifier {
 public:
  MakeClassifier(ScanContext& context, TiffReader& reader, const ClassifierVariant& variant)
      : context_(context), reader_(reader), variant_(variant) {}

  // The checker's isFile: its flag when a type it defers to is selected, else the classifier's verdict.
  bool isFile(SectorHeader header, uint64_t sectorNumber);
  bool classify(SectorHeader header, uint64_t sectorNumber);

 private:
  enum class Verdict { GoOn, Reject };
  struct StringField {
    char bytes[33] = {};
    uint32_t copied = 0;
  };

  bool defers() const;
  bool readString(uint32_t offset, uint32_t count, StringCopy copy, StringField& field);
  Verdict applyMake(SectorHeader header, uint64_t sectorNumber, const IfdEntry& make, uint64_t ifd0,
                    uint32_t entries, uint32_t index, bool& raw);
  Verdict applyPentax(SectorHeader header, uint64_t sectorNumber, uint64_t ifd0, uint32_t entries, uint32_t index,
                      bool& raw);
  Verdict findSonyR1(uint64_t ifd0, uint32_t entries, uint32_t index);
  void applyStringRules(std::span<const StringRule> rules, const StringField& field);

  ScanContext& context_;
  TiffReader& reader_;
  const ClassifierVariant& variant_;
};

}  // namespace salvonix::tiff
