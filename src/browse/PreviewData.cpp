#include "browse/PreviewData.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "output/RecoveredFileReader.h"
#include "scan/Device.h"
#include "scan/HDIR.h"

namespace salvonix::gui {

PreviewBytes readDataForPreview(const std::shared_ptr<Device>& device, uint32_t bytesPerSector,
                                const PreviewTarget& target, const std::atomic<bool>& abort) {
  HDIR file;
  file.sectorNumber = target.sectorNumber;
  file.fileSize = target.fileSize;
  file.extraBytesToMove = target.extraBytesToMove;
  RecoveredFileReader reader(device, bytesPerSector);

  PreviewBytes result;
  // An empty read runs the reader's checks of the device and the leading
  // offset, so an empty file on a bad device fails like any other.
  if (reader.read(file, 0, nullptr, 0) < 0) return result;

  const uint64_t total = std::min(target.fileSize, kPreviewReadLimit);
  result.bytes.reserve(total);
  for (uint64_t done = 0; done < total;) {
    if (abort.load()) {
      result.outcome = PreviewRead::Aborted;
      return result;
    }
    const std::size_t piece = static_cast<std::size_t>(std::min<uint64_t>(kPreviewPiece, total - done));
    result.bytes.resize(done + piece);
    // Below the file's size the reader always gives the whole piece.
    if (reader.read(file, done, result.bytes.data() + done, piece) < 0) {
      result.bytes.resize(done);
      return result;
    }
    done += piece;
  }
  result.outcome = PreviewRead::Loaded;
  return result;
}

// A start near the device's end gives fewer characters: the dump shows only
// what the device holds rather than inventing bytes past it.
std::optional<std::string> characterDump(Device& device, uint32_t bytesPerSector, const PreviewTarget& target) {
  if (bytesPerSector == 0) return std::nullopt;
  std::array<uint8_t, kCharacterDumpLength> raw{};
  int64_t got = 0;
  // A sector number too large for a byte offset lies past any device's end.
  if (target.sectorNumber <= std::numeric_limits<uint64_t>::max() / bytesPerSector)
    got = device.readAt(target.sectorNumber * bytesPerSector, raw.data(), raw.size());
  if (got < 0) return std::nullopt;
  std::string dump(static_cast<std::size_t>(got), '.');
  for (std::size_t i = 0; i < dump.size(); ++i)
    if (raw[i] >= 0x20 && raw[i] <= 0x7E) dump[i] = static_cast<char>(raw[i]);
  return dump;
}

uint32_t mp3BitShredder(uint32_t value) {
  return ((value >> 24) & 0x7F) << 21 | ((value >> 16) & 0x7F) << 14 | ((value >> 8) & 0x7F) << 7 | (value & 0x7F);
}

namespace {

constexpr std::size_t kTagHeader = 10;
constexpr std::size_t kFrameHeader = 10;
constexpr std::size_t kTerminatorSearch = 64;

uint32_t bigEndian32(const uint8_t* at) {
  return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | uint32_t(at[3]);
}

// Offset just past the zero terminator of a string starting at from, looked
// for in at most 64 bytes before end; 0 when there is none. A UTF-16 string
// ends in a zero pair on a character boundary: in "A" (41 00) and its end
// (00 00) the first zero pair is half a character and half the end.
std::size_t pastTerminator(std::span<const uint8_t> bytes, std::size_t from, std::size_t end, bool utf16) {
  const std::size_t step = utf16 ? 2 : 1;
  const std::size_t limit = std::min(end, from + kTerminatorSearch);
  for (std::size_t at = from; at + step <= limit; at += step)
    if (bytes[at] == 0 && (!utf16 || bytes[at + 1] == 0)) return at + step;
  return 0;
}

// The picture data of an APIC frame whose body [body, end) is not empty:
// text encoding, MIME type, picture type, description, then the picture.
std::span<const uint8_t> pictureOfFrame(std::span<const uint8_t> bytes, std::size_t body, std::size_t end) {
  const bool utf16 = bytes[body] == 1 || bytes[body] == 2;
  const std::size_t mimeEnd = pastTerminator(bytes, body + 1, end, false);
  if (mimeEnd == 0) return {};
  const std::size_t descriptionStart = mimeEnd + 1;  // past the picture type
  if (descriptionStart > end) return {};
  const std::size_t pictureStart = pastTerminator(bytes, descriptionStart, end, utf16);
  if (pictureStart == 0) return {};
  return bytes.subspan(pictureStart, end - pictureStart);
}

}  // namespace

std::span<const uint8_t> albumPicture(std::span<const uint8_t> bytes) {
  if (bytes.size() < kTagHeader || std::memcmp(bytes.data(), "ID3", 3) != 0) return {};
  // Version 4 writes frame sizes synchsafe like the tag size; 3 plain.
  const bool synchsafeFrames = bytes[3] == 4;
  const std::size_t tagEnd = std::min<std::size_t>(bytes.size(), kTagHeader + mp3BitShredder(bigEndian32(&bytes[6])));
  std::size_t at = kTagHeader;
  while (at + kFrameHeader <= tagEnd) {
    const uint32_t stored = bigEndian32(&bytes[at + 4]);
    const std::size_t size = synchsafeFrames ? mp3BitShredder(stored) : stored;
    // Padding (a zero size) and sizes past the tag end both end the walk.
    if (size == 0 || size > tagEnd - at - kFrameHeader) return {};
    const std::size_t end = at + kFrameHeader + size;
    if (std::memcmp(&bytes[at], "APIC", 4) == 0) return pictureOfFrame(bytes, at + kFrameHeader, end);
    at = end;
  }
  return {};
}

QSize previewImageSize(QSize picture, bool nikonFile) {
  // 64-bit products of int sides cannot overflow. Dividing by H only when
  // H > W x 250 / 400 while H > 250 or W > 400 means H > 0, and the other
  // branch likewise has W > 400.
  const int64_t w = picture.width();
  const int64_t h = picture.height();
  if (h > 250 || w > 400) {
    if (h > w * 250 / 400) return QSize(static_cast<int>(w * 250 / h), 250);
    return QSize(400, static_cast<int>(h * 400 / w));
  }
  if (nikonFile && (h < 50 || w < 50)) return QSize(300, 200);
  return picture;
}

QSize fittedInto(QSize picture, int side) {
  if (side <= 0) return QSize(0, 0);
  const int64_t w = picture.width();
  const int64_t h = picture.height();
  if (w <= side && h <= side) return picture;
  // The longer side (> side > 0) becomes side; the other keeps at least a pixel.
  if (w >= h) return QSize(side, static_cast<int>(std::max<int64_t>(1, h * side / w)));
  return QSize(static_cast<int>(std::max<int64_t>(1, w * side / h)), side);
}

}  // namespace salvonix::gui
