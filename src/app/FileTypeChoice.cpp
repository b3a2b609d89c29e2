#include "app/FileTypeChoice.h"

namespace salvonix::gui {

const std::array<FileTypeChoice, kFileTypeCount>& fileTypeChoices() {
  using T = FileType;
  static const std::array<FileTypeChoice, kFileTypeCount> table{{
      {"00fr", "3FR", "HASSELBLAD", "Hasselblad", T::ThreeFR},
      {"01arw", "ARW", "SONY", "SR2", T::Arw},
      {"02bmp", "BMP", "IMAGE", "bm", T::Bmp},
      {"03cr2", "CR2", "CANON", "CR2", T::Cr2},
      {"04crw", "CRW", "CANON", "CR2", T::Crw},
      {"05dcr", "DCR", "KODAK", "kodak2", T::Dcr},
      {"06dng", "DNG", "IMAGE", "DNG", T::Dng},
      {"07gif", "GIF", "IMAGE", "gif", T::Gif},
      {"08jpg", "JPG", "IMAGE", "jpg", T::Jpg},
      {"09k25", "K25", "KODAK", "kodak2", T::K25},
      {"10kdc", "KDC", "KODAK", "kodak2", T::Kdc},
      {"11leica", "LEICA", "LEICA", "Leica", T::Leica},
      {"12mrw", "MRW", "MINOLTA", "MRW", T::Mrw},
      {"13nef", "NEF", "NIKON", "NEF", T::Nef},
      {"14orf", "ORF", "OLYMPUS", "ORF", T::Orf},
      {"15pef", "PEF", "PENTAX", "pentax", T::Pef},
      {"16png", "PNG", "IMAGE", "pn", T::Png},
      {"17raf", "RAF", "FUJI", "fuji", T::Raf},
      {"18pana", "PANASONIC", "PANASONIC", "Panasonic", T::RawPanasonic},
      {"19sr2", "SR2", "SONY", "SONY", T::Sr2},
      {"20tiff", "TIFF", "IMAGE", "TIFF", T::Tiff},
      {"21x3f", "X3F", "SIGMA", "sig", T::X3f},
      {"22g2", "3G2", "VIDEO", "M4V", T::ThreeGTwo},
      {"23gp", "3GP", "VIDEO", "M4V", T::ThreeGP},
      {"24aif", "AIF", "AUDIO", "M4V", T::Aif},
      {"25avi", "AVI", "VIDEO", "AVI1", T::Avi},
      {"26m4a", "M4A", "AUDIO", "M4A", T::M4a},
      {"27m4b", "M4B", "AUDIO", "M4B", T::M4b},
      {"28m4v", "M4V", "AUDIO/VIDEO", "M4V", T::M4v},
      {"29mid", "MIDI", "AUDIO", "mid", T::Mid},
      {"30mov", "MOV", "VIDEO", "MOV1", T::Mov},
      {"31mp3", "MP3", "AUDIO", "mp3", T::Mp3},
      {"32mp4", "MP4", "AUDIO/VIDEO", "mp4", T::Mp4},
      {"33mpg", "MPG", "VIDEO", "MPG", T::Mpg},
      {"34wav", "WAV", "AUDIO", "WAV", T::Wav},
  }};
  return table;
}

bool inGroup(TypeGroup group, int32_t fileCategory) {
  switch (group) {
    case TypeGroup::AllFiles: return fileCategory >= 1 && fileCategory <= 3;
    case TypeGroup::Image: return fileCategory == static_cast<int32_t>(FileCategory::Image);
    case TypeGroup::Audio: return fileCategory == static_cast<int32_t>(FileCategory::Audio);
    case TypeGroup::Video: return fileCategory == static_cast<int32_t>(FileCategory::Video);
  }
  return false;
}

}  // namespace salvonix::gui
