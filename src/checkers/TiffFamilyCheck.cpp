#include "checkers/TiffFamilyCheck.h"

namespace salvonix {

bool TiffFamilyCheck::startSizing(uint64_t sectorNumber) {
  // A report left by an earlier file that the engine did not take must not
  // reach this file's rules, which compare against the size reported.
  tiff::clearPreviewReport(context_);
  if (!context_.tiff.bLittleEndianFile && !context_.tiff.bBigEndianFile) return false;
  reader_.startFile(sectorNumber, context_.tiff.bLittleEndianFile);
  return true;
}

std::optional<uint32_t> TiffFamilyCheck::startIfd0(SectorHeader header, uint64_t sectorNumber) {
  if (!startSizing(sectorNumber)) return std::nullopt;
  const uint32_t ifd0 = tiff::ifd0Offset(header, reader_.littleEndian());
  if (ifd0 < 8 || ifd0 > tiff::kLimit200MiB) return std::nullopt;
  return ifd0;
}

std::optional<tiff::FirstIfd> TiffFamilyCheck::startIfd0WithEntries(SectorHeader header, uint64_t sectorNumber,
                                                                    uint32_t minEntries) {
  const auto ifd0 = startIfd0(header, sectorNumber);
  const auto entries = ifd0 ? reader_.boundedEntryCount(*ifd0, minEntries) : std::nullopt;
  if (!entries) return std::nullopt;
  return tiff::FirstIfd{*ifd0, *entries};
}

}  // namespace salvonix
