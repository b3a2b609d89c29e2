#pragma once
// The size rule Panasonic and Leica raw files share: the raw strip's end or
// IFD0's; the preview JPEG named by tag 0x002E is measured and reported.

#include <cstdint>

#include "checkers/TiffToolkit.h"

namespace salvonix::tiff {

// Largest offset inside the file at which a preview is still measured.
inline constexpr uint64_t kMaxPreviewOffset = 104857599;

uint64_t panasonicRawSize(TiffReader& reader, ScanContext& context, uint32_t ifd0, uint64_t sectorNumber);
// Length of the JPEG starting at a position in a sector: FF D8 to FF D9; 0 when none starts there.
uint64_t jpegSize(TiffReader& reader, const ScanContext& context, uint64_t sectorNumber, uint32_t position);
// A strip entry's value: its own, or the last of its array (2 to 65,535 values).
std::optional<uint32_t> rawStripValue(TiffReader& reader, const IfdEntry& entry);

}  // namespace salvonix::tiff
