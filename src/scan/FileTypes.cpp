#include "scan/FileTypes.h"

#include "checkers/AifFileCheck.h"
#include "checkers/ArwFileCheck.h"
#include "checkers/AviFileCheck.h"
#include "checkers/BmpFileCheck.h"
#include "checkers/Cr2FileCheck.h"
#include "checkers/CrwFileCheck.h"
#include "checkers/DcrFileCheck.h"
#include "checkers/DngFileCheck.h"
#include "checkers/GifFileCheck.h"
#include "checkers/JpgFileCheck.h"
#include "checkers/KodakFileCheck.h"
#include "checkers/MidFileCheck.h"
#include "checkers/Mp3FileCheck.h"
#include "checkers/MpgFileCheck.h"
#include "checkers/MrwFileCheck.h"
#include "checkers/NefFileCheck.h"
#include "checkers/OrfFileCheck.h"
#include "checkers/PefFileCheck.h"
#include "checkers/PngFileCheck.h"
#include "checkers/QuickTimeFileCheck.h"
#include "checkers/RafFileCheck.h"
#include "checkers/RawPanasonicFileCheck.h"
#include "checkers/Sr2FileCheck.h"
#include "checkers/ThreefrFileCheck.h"
#include "checkers/TiffFileCheck.h"
#include "checkers/WavFileCheck.h"
#include "checkers/X3fFileCheck.h"

namespace salvonix {

namespace {

template <typename Checker>
std::unique_ptr<FileCheck> make(ScanContext& context) {
  return std::make_unique<Checker>(context);
}

template <QuickTimeType type>
std::unique_ptr<FileCheck> quickTime(ScanContext& context) {
  return std::make_unique<QuickTimeFileCheck>(context, type);
}

using R = RawFamilySelection;
using C = FileCategory;
using T = FileType;
using Q = QuickTimeType;

const std::array<FileTypeRow, kFileTypeCount> kTable{{
    {T::Mpg, "MPG Files", ".mpg", "mpg", C::Video, nullptr, false, make<MpgFileCheck>},
    {T::Mrw, "MRW Files", ".mrw", "mrw", C::Image, nullptr, false, make<MrwFileCheck>},
    {T::Bmp, "BMP Files", ".bmp", "bmp", C::Image, nullptr, false, make<BmpFileCheck>},
    {T::Raf, "RAF Files", ".raf", "raf", C::Image, nullptr, true, make<RafFileCheck>},
    {T::X3f, "X3F Files", ".x3f", "x3f", C::Image, nullptr, true, make<X3fFileCheck>},
    {T::Aif, "AIFF Files", ".aiff", "aif", C::Audio, nullptr, false, make<AifFileCheck>},
    {T::Gif, "GIF Files", ".gif", "gif", C::Image, nullptr, false, make<GifFileCheck>},
    {T::Mp3, "MP3 Files", ".mp3", "mp3", C::Audio, nullptr, false, make<Mp3FileCheck>},
    {T::Arw, "ARW Files", ".arw", "arw", C::Image, &R::bArwSelected, true, make<ArwFileCheck>},
    {T::Sr2, "SR2 Files", ".sr2", "sr2", C::Image, &R::bSonySr2Selected, true, make<Sr2FileCheck>},
    {T::Kdc, "Kodak kdc Files", ".kdc", "kdc", C::Image, &R::bKdcSelected, false, make<KdcFileCheck>},
    {T::K25, "Kodak k25 Files", ".k25", "k25", C::Image, &R::bK25Selected, false, make<K25FileCheck>},
    {T::Dcr, "Kodak Dcr Files", ".dcr", "dcr", C::Image, &R::bKodakDcrSelected, false, make<DcrFileCheck>},
    {T::Pef, "PEF Files", ".pef", "pef", C::Image, &R::bPentaxSelected, true, make<PefFileCheck>},
    {T::Dng, "DNG Files", ".dng", "dng", C::Image, &R::bDngSelected, true, make<DngFileCheck>},
    {T::Cr2, "CR2 Files", ".cr2", "cr2", C::Image, &R::bCanonSelected, true, make<Cr2FileCheck>},
    {T::Nef, "NEF Files", ".nef", "nef", C::Image, &R::bNikonSelected, true, make<NefFileCheck>},
    {T::Tiff, "TIFF Files", ".tiff", "tiff", C::Image, &R::bTiffSelected, false, make<TiffFileCheck>},
    {T::Orf, "ORF Files", ".orf", "orf", C::Image, &R::bOlympusSelected, true, make<OrfFileCheck>},
    {T::RawPanasonic, "Panasonic Files", ".raw", "raw", C::Image, &R::bRawPanasonicSelected, true, make<RawPanasonicFileCheck>},
    {T::Leica, "Leica Files", ".raw", "lei", C::Image, &R::bLeicaSelected, true, make<LeicaFileCheck>},
    {T::ThreeFR, "HasselBlad Files", ".3fr", "3fr", C::Image, &R::bThreefrFileSelected, false, make<ThreefrFileCheck>},
    {T::Crw, "CRW Files", ".crw", "crw", C::Image, nullptr, true, make<CrwFileCheck>},
    {T::Mid, "MID Files", ".mid", "mid", C::Audio, nullptr, false, make<MidFileCheck>},
    {T::Avi, "AVI Files", ".avi", "avi", C::Video, nullptr, false, make<AviFileCheck>},
    {T::Wav, "WAV Files", ".wav", "wav", C::Audio, nullptr, false, make<WavFileCheck>},
    {T::Png, "PNG Files", ".png", "png", C::Image, nullptr, false, make<PngFileCheck>},
    {T::Jpg, "JPG Files", ".jpg", "jpg", C::Image, nullptr, false, make<JpgFileCheck>},
    {T::Mov, "MOV Files", ".mov", "mov", C::Video, nullptr, false, quickTime<Q::Mov>},
    {T::Mp4, "MP4 Files", ".mp4", "mp4", C::Video, nullptr, false, quickTime<Q::Mp4>},
    {T::M4a, "M4A Files", ".m4a", "m4a", C::Audio, nullptr, false, quickTime<Q::M4a>},
    {T::M4b, "M4B Files", ".m4b", "m4b", C::Audio, nullptr, false, quickTime<Q::M4b>},
    {T::M4v, "M4V Files", ".m4v", "m4v", C::Video, nullptr, false, quickTime<Q::M4v>},
    {T::ThreeGP, "3GP Files", ".3gp", "3gp", C::Video, nullptr, false, quickTime<Q::ThreeGp>},
    {T::ThreeGTwo, "3G2 Files", ".3g2", "3g2", C::Audio, nullptr, false, quickTime<Q::ThreeGTwo>},
}};

}  // namespace

const std::array<FileTypeRow, kFileTypeCount>& fileTypeTable() { return kTable; }

const FileTypeRow& fileTypeRow(FileType type) { return kTable[rowIndex(type)]; }

std::optional<FileType> fileTypeByKey(std::string_view key) {
  for (const auto& row : kTable)
    if (row.key == key) return row.type;
  return std::nullopt;
}

std::optional<FileType> fileTypeByFolderName(std::string_view folderName) {
  for (const auto& row : kTable)
    if (row.folderName == folderName) return row.type;
  return std::nullopt;
}

std::string typeKeyOfFolder(std::string_view folderName) {
  if (folderName == kRawJpgFolderName) return "raw-jpg";
  const auto type = fileTypeByFolderName(folderName);
  return type ? std::string(fileTypeRow(*type).key) : std::string();
}

}  // namespace salvonix
