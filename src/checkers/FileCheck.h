#pragma once
// What every format checker answers. The engine creates one checker per
// selected type for one scan and asks it, sector by sector, whether the sector
// starts a file of its type and how long that file is.

#include <cstdint>
#include <span>
#include <string_view>

namespace salvonix {

inline constexpr std::size_t kSectorHeaderSize = 25;
// The first 25 bytes of the sector under test.
using SectorHeader = std::span<const uint8_t, kSectorHeaderSize>;

class FileCheck {
 public:
  virtual ~FileCheck() = default;

  // Does this sector start a file of the type? No lasting effect other than
  // the shared per-sector flags of the context.
  virtual bool isFile(SectorHeader header, uint64_t sectorNumber) = 0;
  // Length in bytes of the file starting at that sector; 0 rejects it. Called
  // only right after isFile answered true for the same sector. A cancelled
  // scan ends every walk over the device; the file is then rejected, except
  // where a format's rule keeps the length reached (JPEG, PNG, GIF, MP3,
  // QuickTime, program streams, MIDI, AIFF, TIFF, ARW, Sigma TIFF).
  virtual uint64_t fileSizeCalculation(SectorHeader header, uint64_t sectorNumber) = 0;
  // Byte 0 of the type's signature, for the engine's early stop; 0 when the
  // signature does not start at byte 0 or starts with 0.
  virtual uint32_t firstByteOfHeader() const = 0;
  // The type key under which the engine finds the type folder.
  virtual std::string_view parentKey() = 0;
  // Nothing to release: readers keep no descriptor of their own.
  virtual void closeFile() {}
  // Extension for the file just measured when it differs per file (X3F); empty otherwise.
  virtual std::string_view extensionOfFile() const { return {}; }

  // After a size calculation: the walk reached the file's own end (an end
  // marker, every announced part), so the size is no estimate or default.
  virtual bool measuredWhole() const { return false; }
  // After a size calculation: the leading bytes of the file that may hold
  // whole files of other types as its own parts (the cover pictures in an
  // MP3's tag).
  virtual uint64_t embeddedFilesEnd() const { return 0; }

  // Fast path for the engine: false only when isFile can neither answer true
  // nor touch any shared flag for a header whose byte 0 is firstByte.
  virtual bool mayStartWith(uint8_t firstByte) const {
    (void)firstByte;
    return true;
  }
};

}  // namespace salvonix
