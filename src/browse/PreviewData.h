#pragma once
// What a preview reads of a found file, without any window: the file's first
// bytes from the device, the character dump, the album picture of an MP3, and
// the size a picture is shown at.

#include <QSize>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace salvonix {
class Device;
}

namespace salvonix::gui {

inline constexpr uint64_t kPreviewReadLimit = 52'428'800;  // 50 MiB
inline constexpr uint64_t kImageDecodeLimit = 31'457'280;  // 30 MiB: larger images are dumped, not decoded
inline constexpr std::size_t kPreviewPiece = 65'536;
inline constexpr std::size_t kCharacterDumpLength = 2048;

// The row to preview, copied out of the tree (which a running scan may grow).
struct PreviewTarget {
  std::string fileName;
  uint32_t fileType = 0;  // kFolderType or kFileType
  uint64_t sectorNumber = 0;
  uint64_t fileSize = 0;
  int32_t extraBytesToMove = 0;
};

enum class PreviewRead { Loaded, Aborted, DeviceFailed };
struct PreviewBytes {
  PreviewRead outcome = PreviewRead::DeviceFailed;
  std::vector<uint8_t> bytes;
};

// readDataForPreview: the file's first min(fileSize, 50 MiB) bytes, from its
// first byte (the leading offset skipped), read in 64 KiB pieces; abort is
// looked at before every piece.
PreviewBytes readDataForPreview(const std::shared_ptr<Device>& device, uint32_t bytesPerSector,
                                const PreviewTarget& target, const std::atomic<bool>& abort);

// textPreview's characters: the 2,048 bytes at the start sector (no leading
// offset), every byte outside 0x20..0x7E shown as "."; none when the device
// cannot be read.
std::optional<std::string> characterDump(Device& device, uint32_t bytesPerSector, const PreviewTarget& target);

// The 28-bit value of a synchsafe ID3v2 size: the low seven bits of each byte.
uint32_t mp3BitShredder(uint32_t value);
// The picture bytes of the first "APIC" frame of an ID3v2 tag at the start of
// bytes; empty when there is none. Every offset is bounded by the bytes and
// the tag size, so a damaged tag can neither read past them nor loop.
std::span<const uint8_t> albumPicture(std::span<const uint8_t> bytes);

// The size a picture of this size is shown at: fitted into 400 x 250 keeping
// its proportions when larger; a Nikon raw preview under 50 in either
// direction at 300 x 200; otherwise as it is.
QSize previewImageSize(QSize picture, bool nikonFile);
// Fitted into a square of side keeping proportions, when either side exceeds it.
QSize fittedInto(QSize picture, int side);

}  // namespace salvonix::gui
