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

}  // namespace salvonix
