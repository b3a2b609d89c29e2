#pragma once
// The 35 file types in engine order: folder names, extensions, keys,
// categories and the checker of each. The order is the order of the checker
// list and of folder creation; rows 1 to 28 ascend by the checkers' first
// signature byte.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "checkers/FileCheck.h"
#include "scan/ScanContext.h"

namespace salvonix {

enum class FileType : uint8_t {
  Mpg, Mrw, Bmp, Raf, X3f, Aif, Gif, Mp3, Arw, Sr2, Kdc, K25, Dcr, Pef, Dng, Cr2, Nef, Tiff,
  Orf, RawPanasonic, Leica, ThreeFR, Crw, Mid, Avi, Wav, Png, Jpg, Mov, Mp4, M4a, M4b, M4v,
  ThreeGP, ThreeGTwo,
};
inline constexpr std::size_t kFileTypeCount = 35;
// One flag per type, indexed by rowIndex: the types chosen for a scan.
using TypeSet = std::array<bool, kFileTypeCount>;

enum class FileCategory : int32_t { Image = 1, Audio = 2, Video = 3 };

using CheckerFactory = std::unique_ptr<FileCheck> (*)(ScanContext&);

struct FileTypeRow {
  FileType type;
  std::string_view folderName;  // "JPG Files"
  std::string_view extension;   // ".jpg"
  std::string_view key;         // "jpg", the checker's parentKey
  FileCategory category;
  bool RawFamilySelection::*rawFamilyFlag;  // set at scan start when selected; null if none
  bool hasRawPreview;                       // selecting it creates the "RAW Jpg Files" folder
  CheckerFactory create;                    // null while the type's checker is not built
};

const std::array<FileTypeRow, kFileTypeCount>& fileTypeTable();
const FileTypeRow& fileTypeRow(FileType type);
std::optional<FileType> fileTypeByKey(std::string_view key);
std::optional<FileType> fileTypeByFolderName(std::string_view folderName);
inline std::size_t rowIndex(FileType type) { return static_cast<std::size_t>(type); }

inline constexpr std::string_view kRawJpgFolderName = "RAW Jpg Files";
// The type key of a results folder, "raw-jpg" for the JPEG previews taken from raw files; empty if unknown.
std::string typeKeyOfFolder(std::string_view folderName);

}  // namespace salvonix
