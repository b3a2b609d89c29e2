#include "checkers/MpegAudioFrame.h"

#include <array>

namespace salvonix {

namespace {
// kbit/s by bitrate index 0 to 15 (0 and 15 unused).
using BitrateRow = std::array<uint16_t, 16>;
constexpr BitrateRow kMpeg1Layer1 = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
constexpr BitrateRow kMpeg1Layer2 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
constexpr BitrateRow kMpeg1Layer3 = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
// MPEG-2 and MPEG-2.5 (ISO/IEC 13818-3): Layer I, then Layers II and III.
constexpr BitrateRow kMpeg2Layer1 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
constexpr BitrateRow kMpeg2Layer23 = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};

constexpr uint32_t kMpeg1 = 3;
constexpr uint32_t kMpeg2 = 2;
constexpr uint32_t kLayer1 = 3;
constexpr uint32_t kLayer2 = 2;
}  // namespace

uint32_t MpegAudioHeader::bitrate() const {
  const BitrateRow* row = nullptr;
  if (version == kMpeg1) {
    row = layer == kLayer1 ? &kMpeg1Layer1 : layer == kLayer2 ? &kMpeg1Layer2 : &kMpeg1Layer3;
  } else {
    row = layer == kLayer1 ? &kMpeg2Layer1 : &kMpeg2Layer23;
  }
  return uint32_t{(*row)[bitrateIndex]} * 1000;
}

uint32_t MpegAudioHeader::sampleRate() const {
  constexpr std::array<uint32_t, 3> kMpeg1Rates = {44100, 48000, 32000};
  const uint32_t divisor = version == kMpeg1 ? 1 : version == kMpeg2 ? 2 : 4;
  return kMpeg1Rates[sampleRateIndex] / divisor;
}

uint32_t MpegAudioHeader::frameLength() const {
  const uint32_t rate = sampleRate();
  if (layer == kLayer1) return (12 * bitrate() / rate + padding) * 4;
  if (layer == kLayer2 || version == kMpeg1) return 144 * bitrate() / rate + padding;
  return 72 * bitrate() / rate + padding;
}

}  // namespace salvonix
