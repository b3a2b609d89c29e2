// A skip trusts the length the checker gave. When that length was estimated
// (an MP3 frame walk that ran on, slack, a default), the sectors it jumps over
// may hold the start of the next file; the first one found whole there ends
// the earlier file, and the scan goes on from it.

#include "scan/Scanning.h"

#include <algorithm>

namespace salvonix {

namespace {
// What a probe may change of the shared flags while the hit that asked for the
// skip is still being recorded.
struct HitReport {
  explicit HitReport(const ScanContext& c)
      : skip(c.bSkipFileSize), rawFound(c.bRawJpgFileFound), rawSector(c.u64RawJpgFileSectorNumber),
        rawExtra(c.uExtraBytesOfJpgFileOffset), rawSize(c.u64RawJpgFileSize), tiff(c.tiff) {}
  void restore(ScanContext& c) const {
    c.bSkipFileSize = skip;
    c.bRawJpgFileFound = rawFound;
    c.u64RawJpgFileSectorNumber = rawSector;
    c.uExtraBytesOfJpgFileOffset = rawExtra;
    c.u64RawJpgFileSize = rawSize;
    c.tiff = tiff;
  }
  bool skip, rawFound;
  uint64_t rawSector;
  uint32_t rawExtra;
  uint64_t rawSize;
  TiffSectorFlags tiff;
};
}  // namespace

uint64_t Scanning::endBeforeHiddenFile(FileType container, const FileCheck& checker, uint64_t start, uint64_t size) {
  const uint32_t bytesPerSector = u32BytesInSectorInScanner_;
  const uint64_t sectorsPerWindow = kWindowBytes / bytesPerSector;
  // Files inside the container's own leading part (an MP3's tag with its cover pictures) belong to it.
  const uint64_t first = start + std::max<uint64_t>(1, (checker.embeddedFilesEnd() + bytesPerSector - 1) / bytesPerSector);
  const uint64_t end = std::min(start + size / bytesPerSector, context_.u64DriveSectorNumber);
  const HitReport report(context_);
  uint64_t hidden = 0;
  for (uint64_t window = first; window < end && !hidden; window += sectorsPerWindow) {
    if (cancelled(context_)) break;
    hiddenFileWindow_.assign(kReadWindowBufferSize, 0);
    // An unreadable stretch: keep the length given.
    if (!hiddenFileReader_.readSector(window, static_cast<uint32_t>(sectorsPerWindow), hiddenFileWindow_.data())) break;
    for (uint64_t sector = window; sector < std::min(end, window + sectorsPerWindow); ++sector) {
      const SectorHeader header(hiddenFileWindow_.data() + (sector - window) * bytesPerSector, kSectorHeaderSize);
      context_.clearPerSectorFlags();
      const bool whole = startsWholeFile(container, header, sector);
      report.restore(context_);
      if (whole) {
        hidden = sector;
        break;
      }
    }
  }
  return hidden ? (hidden - start) * bytesPerSector : size;
}

// Asks the checkers as the sector loop would; the first that claims the
// sector decides, and only a file of another type measured whole counts.
bool Scanning::startsWholeFile(FileType container, SectorHeader header, uint64_t sector) {
  const CheckerList& list = checkersFor(header);
  for (uint8_t i = 0; i < list.count; ++i) {
    if (checkerTypes_[list.index[i]] == container) continue;
    FileCheck& checker = *checkers_[list.index[i]];
    if (!checker.isFile(header, sector)) continue;
    return checker.fileSizeCalculation(header, sector) > 0 && checker.measuredWhole();
  }
  return false;
}

}  // namespace salvonix
