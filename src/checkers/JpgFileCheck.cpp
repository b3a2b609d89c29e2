#include "checkers/JpgFileCheck.h"

#include "checkers/EmbeddedJpeg.h"

namespace salvonix {

bool JpgFileCheck::isFile(SectorHeader h, uint64_t) {
  if (h[0] != 0xFF || h[1] != 0xD8 || h[2] != 0xFF) return false;
  // Any application segment (APP0 to APP15: JFIF, Exif, ICC profile, Photoshop, ...), DQT, DHT or COM.
  if (h[3] >= 0xE0 && h[3] <= 0xEF) return true;
  return h[3] == 0xDB || h[3] == 0xC4 || h[3] == 0xFE;
}

uint64_t JpgFileCheck::fileSizeCalculation(SectorHeader, uint64_t sectorNumber) {
  window_.setFileStart(sectorNumber);
  const tiff::JpegLength jpeg = tiff::measureJpeg(window_, context_, 0, tiff::kCameraTiffJpeg);
  measuredWhole_ = jpeg.whole;
  return jpeg.length;
}

}  // namespace salvonix
