#include "checkers/MakeClassifier.h"

#include <algorithm>
#include <cstring>

namespace salvonix::tiff {

namespace {

bool startsWith(const char* field, uint32_t copied, std::string_view text) {
  return copied >= text.size() && std::memcmp(field, text.data(), text.size()) == 0;
}

bool isDngTag(uint32_t tag) {
  return tag == kTagDngVersion || tag == kTagDngBackwardVersion || tag == kTagUniqueCameraModel ||
         tag == kTagColorMatrix1;
}

}  // namespace

bool MakeClassifier::defers() const {
  for (auto selected : variant_.defersTo)
    if (context_.rawSelection.*selected) return true;
  return false;
}

bool MakeClassifier::isFile(SectorHeader header, uint64_t sectorNumber) {
  if (defers()) return anyFlag(context_, variant_.answer);
  return classify(header, sectorNumber);
}

bool MakeClassifier::readString(uint32_t offset, uint32_t count, StringCopy copy, StringField& field) {
  field.copied = copy == StringCopy::Fixed32 ? 32 : std::min<uint32_t>(count, 32);
  if (field.copied == 0) return true;
  const uint8_t* p = reader_.bytes(offset, field.copied);
  if (!p) return false;
  std::memcpy(field.bytes, p, field.copied);
  return true;
}

void MakeClassifier::applyStringRules(std::span<const StringRule> rules, const StringField& field) {
  for (const StringRule& rule : rules) {
    if (field.copied < rule.afterBytes) continue;
    bool hit = false;
    switch (rule.match) {
      case Match::Exactly:
        hit = startsWith(field.bytes, field.copied, rule.text) && field.bytes[rule.text.size()] == 0;
        break;
      case Match::StartsWith:
        hit = startsWith(field.bytes, field.copied, rule.text);
        break;
      case Match::Contains:
        hit = std::string_view(field.bytes, rule.afterBytes).find(rule.text) != std::string_view::npos;
        break;
    }
    if (hit) {
      clearFlags(context_, rule.clears);
      setFlags(context_, rule.sets);
    }
  }
}

bool MakeClassifier::classify(SectorHeader header, uint64_t sectorNumber) {
  context_.tiff.bLittleEndianFile = false;
  context_.tiff.bBigEndianFile = false;
  clearFlags(context_, variant_.clearedAtStart);
  const bool littleEndian = isLittleEndianMark(header);
  if (!littleEndian && !isBigEndianMark(header)) return false;
  (littleEndian ? context_.tiff.bLittleEndianFile : context_.tiff.bBigEndianFile) = true;
  if (hasCrwHeap(header)) {
    setFlags(context_, kCrw);
    return false;
  }
  const uint32_t ifd0 = ifd0Offset(header, littleEndian);
  if (ifd0 < 8 || ifd0 > kLimit150MiB) return false;

  reader_.startFile(sectorNumber, littleEndian);
  const auto entries = reader_.boundedEntryCount(ifd0, variant_.minEntries);
  if (!entries) return false;
  bool raw = false;
  bool makeSeen = false;
  for (uint32_t k = 0; k < *entries; ++k) {
    if (cancelled(context_)) return false;
    const auto e = reader_.entry(ifd0, k);
    if (!e) return false;
    switch (e->tag) {
      case kTagMake:
        if (applyMake(header, sectorNumber, *e, ifd0, *entries, k, raw) == Verdict::Reject) return false;
        makeSeen = true;
        break;
      case kTagDngVersion:
      case kTagDngBackwardVersion:
        clearFlags(context_, variant_.dngClears);
        setFlags(context_, variant_.dngSets);
        return variant_.dngAnswer;
      case kTagSubIfds:
        raw = true;
        break;
      case kTagModel: {
        if (variant_.modelRules.empty()) break;
        if (e->value > variant_.modelOffsetLimit) return false;
        StringField model;
        if (!readString(e->value, e->count, variant_.modelCopy, model)) return false;
        applyStringRules(variant_.modelRules, model);
        break;
      }
      default:
        break;
    }
  }

  if (variant_.answerBeforePlainTiff && anyFlag(context_, variant_.answer)) return true;
  if (variant_.plainTiff != PlainTiff::NotTested && hasTiffMagic(header) && !raw) {
    clearFlags(context_, variant_.plainTiffClears);
    setFlags(context_, makeSeen ? kTiff | kRawTiff : TiffFlags{kTiff});
    return variant_.plainTiff == PlainTiff::AnswerTrue;
  }
  if (!raw) clearFlags(context_, variant_.clearedWhenNotRaw);
  return anyFlag(context_, variant_.answer);
}

MakeClassifier::Verdict MakeClassifier::applyMake(SectorHeader header, uint64_t sectorNumber, const IfdEntry& make,
                                                  uint64_t ifd0, uint32_t entries, uint32_t index, bool& raw) {
  if (make.value > variant_.makeOffsetLimit) return Verdict::Reject;
  StringField field;
  if (!readString(make.value, make.count, StringCopy::Count, field)) return Verdict::Reject;
  const MakeRules& rules = variant_.make;
  auto is = [&](std::string_view prefix) { return startsWith(field.bytes, field.copied, prefix); };
  // Sets flags when the rule applies and the header agrees; false at once when it rejects.
  auto apply = [&](MakeEffect effect, bool headerAgrees, TiffFlags flags, bool marksRaw) {
    if (effect == MakeEffect::Reject) return Verdict::Reject;
    if (effect == MakeEffect::Apply && headerAgrees) {
      setFlags(context_, flags);
      raw |= marksRaw;
    }
    return Verdict::GoOn;
  };

  if (is("Canon")) {
    if (rules.canon == CanonRule::RejectAll) return Verdict::Reject;
    if (!hasTiffMagic(header)) return Verdict::GoOn;
    if (hasCanonCr2Mark(header)) {
      if (rules.canon == CanonRule::RejectCr2) return Verdict::Reject;
      setFlags(context_, kCr2);
      return rules.canon == CanonRule::MarkCr2AndGoOn ? Verdict::GoOn : Verdict::Reject;
    }
    setFlags(context_, kCanonRawTiff | kTiff | kRawTiff);
    return rules.canon == CanonRule::MarkBothThenReject ? Verdict::Reject : Verdict::GoOn;
  }
  if (is("NIKON")) return apply(rules.nikon, true, kNef, false);
  if (is("LEICA")) return apply(rules.leica, hasPanasonicMark(header), kLeica, true);
  if (is("Phase")) return apply(rules.phase, true, kTiff | kRawTiff, false);
  if (is("PENTAX")) return applyPentax(header, sectorNumber, ifd0, entries, index, raw);
  if (is("OLYMPUS")) return apply(rules.olympus, hasOlympusMark(header), kOrf, false);
  if (is("Panason")) return apply(rules.panasonic, hasPanasonicMark(header), kPanasonic, true);
  if (is("Hasselb")) {
    setFlags(context_, kThreefr);
    return Verdict::GoOn;
  }
  if (variant_.sonyMakeLooksForR1 && is("SONY")) return findSonyR1(ifd0, entries, index);
  applyStringRules(variant_.makeStringRules, field);
  return Verdict::GoOn;
}

MakeClassifier::Verdict MakeClassifier::applyPentax(SectorHeader header, uint64_t sectorNumber, uint64_t ifd0,
                                                    uint32_t entries, uint32_t index, bool& raw) {
  const PentaxRule rule = variant_.make.pentax;
  if (rule == PentaxRule::Reject) return Verdict::Reject;
  if (rule == PentaxRule::Ignore) return Verdict::GoOn;
  if (rule == PentaxRule::DngAware) {
    for (uint32_t k = index + 1; k < entries; ++k) {
      if (cancelled(context_)) return Verdict::Reject;
      const auto e = reader_.entry(ifd0, k);
      if (!e) return Verdict::Reject;
      if (isDngTag(e->tag)) setFlags(context_, kDng);
    }
    setFlags(context_, kPef);
  }
  const int chain = pentaxRawTiffFile(reader_, context_, header, sectorNumber);
  if (chain == 2) {
    raw = true;
    return Verdict::GoOn;
  }
  if (chain != 1) return Verdict::Reject;
  if (rule == PentaxRule::DngAware) clearFlags(context_, kPef);
  if (rule != PentaxRule::PlainWithoutFlags) setFlags(context_, kRawTiff | kTiff);
  return Verdict::GoOn;
}

MakeClassifier::Verdict MakeClassifier::findSonyR1(uint64_t ifd0, uint32_t entries, uint32_t index) {
  for (uint32_t k = index + 1; k < entries; ++k) {
    if (cancelled(context_)) return Verdict::Reject;
    const auto e = reader_.entry(ifd0, k);
    if (!e) return Verdict::Reject;
    if (e->tag != kTagModel) continue;
    if (e->value > kLimit100MiB) return Verdict::Reject;
    StringField model;
    if (!readString(e->value, e->count, StringCopy::Count, model)) return Verdict::Reject;
    if (startsWith(model.bytes, model.copied, "DSC-R1")) setFlags(context_, kSr2);
    break;
  }
  return Verdict::GoOn;
}

}  // namespace salvonix::tiff
