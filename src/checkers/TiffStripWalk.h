#pragma once
// The strip walk the TIFF-based raw formats share: the StripOffsets and
// StripByteCounts entries of an IFD give the end of the raw data, each format
// reading and joining them by its own rule. Entries of other tags go to the
// format's own visitor.

#include <cstdint>
#include <optional>

#include "checkers/TiffToolkit.h"

namespace salvonix::tiff {

// How a strip's end joins the end found so far.
enum class Combine : uint8_t { Replace, Add, Max };
// When an end lies before IFD0 (or at it), the walk's fallback end replaces it.
enum class Fallback : uint8_t { None, BeforeIfd0, AtOrBeforeIfd0 };
// What ends the walk early: nothing, any byte count, or a byte-count array.
enum class StopAt : uint8_t { Never, FirstEnd, ArrayEnd };

struct StripRule {
  // Offsets (byte counts) with 2 to this many values are arrays whose last
  // element counts; any other count stands for the entry's own value.
  uint32_t offsetsArrayTo = 65534;
  uint32_t countsArrayTo = 65534;
  // An array further into the file than this fails the walk.
  uint64_t arrayOffsetLimit = kLimit150MiB;
  // Tile and JPEG offsets and lengths stand for strips too.
  bool tilesAndJpeg = false;
  Combine combine = Combine::Replace;
  Fallback fallback = Fallback::None;
  StopAt stop = StopAt::Never;
};

// What a walk keeps between entries, and between the IFDs a format walks with one rule.
struct StripEnd {
  uint64_t end = 0;
  uint64_t strip = 0;  // the last strip offset read
  uint64_t ifd0 = 0;
  uint64_t fallback = 0;
};

// What a visitor makes of an entry: left to the strip rule, done with, or the walk stops or fails.
enum class Step : uint8_t { Strip, Next, Stop, Fail };

// An offsets or byte-count entry's value under the rule; null when its array cannot be read.
std::optional<uint32_t> stripValue(TiffReader& reader, const StripRule& rule, const IfdEntry& entry, bool offsets);
// Applies the rule to one entry; entries of other tags are passed over.
Step takeStrip(TiffReader& reader, const StripRule& rule, const IfdEntry& entry, StripEnd& state);

inline Step stripsOnly(const IfdEntry&) { return Step::Strip; }

// Takes the preview JPEG's offset and length entries, the offset kept in
// jpegOffset: a preview longer than the one reported replaces it, believed
// when its offset lies within believedUpTo. Strip for other tags.
Step takeLongerPreview(ScanContext& context, uint64_t startSector, const IfdEntry& entry, uint32_t& jpegOffset,
                       uint64_t believedUpTo);

// Shows each of the IFD's `entries` entries to `visit`, until it says Stop or
// Fail. False when an entry cannot be read, the visitor fails, or the scan is
// cancelled.
template <typename Visit>
bool forEachEntry(TiffReader& reader, const ScanContext& context, uint64_t ifd, uint32_t entries, Visit&& visit) {
  for (uint32_t k = 0; k < entries; ++k) {
    if (cancelled(context)) return false;
    const auto e = reader.entry(ifd, k);
    if (!e) return false;
    const Step step = visit(*e);
    if (step == Step::Fail) return false;
    if (step == Step::Stop) return true;
  }
  return true;
}

// The same, with what the visitor leaves to it (Strip) taken by the rule.
template <typename Visit>
bool walkStrips(TiffReader& reader, const ScanContext& context, uint64_t ifd, uint32_t entries,
                const StripRule& rule, StripEnd& state, Visit&& visit) {
  return forEachEntry(reader, context, ifd, entries, [&](const IfdEntry& e) {
    const Step step = visit(e);
    return step == Step::Strip ? takeStrip(reader, rule, e, state) : step;
  });
}

// The same for an IFD whose entry count must lie between minEntries and kMaxEntries.
template <typename Visit>
bool walkStripIfd(TiffReader& reader, const ScanContext& context, uint64_t ifd, uint32_t minEntries,
                  const StripRule& rule, StripEnd& state, Visit&& visit) {
  const auto entries = reader.boundedEntryCount(ifd, minEntries);
  return entries && walkStrips(reader, context, ifd, *entries, rule, state, visit);
}

// Walks the sub-IFD a SubIFDs entry names, from a strip offset of 0: Next
// when walked or for an entry of another tag, Fail when it lies beyond
// offsetLimit or the walk fails.
template <typename Visit>
Step walkSubIfd(TiffReader& reader, const ScanContext& context, const IfdEntry& subIfds, uint64_t offsetLimit,
                uint32_t minEntries, const StripRule& rule, StripEnd& state, Visit&& visit) {
  if (subIfds.tag != kTagSubIfds) return Step::Next;
  state.strip = 0;
  const bool walked = subIfds.value <= offsetLimit &&
                      walkStripIfd(reader, context, subIfds.value, minEntries, rule, state, visit);
  return walked ? Step::Next : Step::Fail;
}

}  // namespace salvonix::tiff
