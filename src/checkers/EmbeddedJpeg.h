#pragma once
// Length of a JPEG stream, on its own or stored inside a raw or camera TIFF
// file: the marker segments up to the start of scan, then the entropy-coded
// data up to the end-of-image marker.

#include <cstdint>

#include "checkers/TiffToolkit.h"

namespace salvonix::tiff {

// How a walk counts and where it gives up.
struct JpegWalk {
  uint64_t endAddition;     // added to the length at FF D9 (the marker, and any slack)
  uint64_t limit;           // the walk ends once the length passes it...
  uint64_t lengthPastLimit; // ...with this length (0: the length reached)
  bool zeroLengthAsTwo;     // a segment length of 0 counts as 2
  bool endsAtNonMarker;     // a segment not followed by 0xFF ends the walk
};

// The JPEG and camera-TIFF rule: 512 bytes of slack, 25 MiB without an end recorded as 5 MiB.
inline constexpr JpegWalk kCameraTiffJpeg{514, 0x1900000, 0x500000, true, true};
// The raw-preview rule: every byte from FF D8 to FF D9, at most a little past 5 MiB.
inline constexpr JpegWalk kRawPreviewJpeg{2, 5242880, 0, false, false};

// The length of the JPEG at a device byte offset; 0 when none starts there or
// the device cannot be read. A cancelled scan ends the walk with the length reached.
uint64_t measureJpeg(TiffReader& reader, const ScanContext& context, uint64_t deviceOffset, const JpegWalk& walk);

struct JpegLength {
  uint64_t length = 0;
  bool whole = false;  // the walk reached the end-of-image marker
};
// The same walk over a file at a file offset.
JpegLength measureJpeg(FileWindow& window, const ScanContext& context, uint64_t fileOffset, const JpegWalk& walk);

struct MarkerSearch {
  enum Outcome { Found, Absent, Cancelled, ReadFailed } outcome;
  uint64_t offset;  // the 0xFF of the marker, or where a cancelled search stopped
};
// The first end-of-image marker (FF D9) whose 0xFF lies in [from, to) of the device.
MarkerSearch findEndOfImage(TiffReader& reader, const ScanContext& context, uint64_t from, uint64_t to);

}  // namespace salvonix::tiff
