// Opening refuses, with a message, every scan information file it cannot
// trust, and never reads past the file or allocates by a stored count.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <random>

#include "output/ScanInfoReader.h"
#include "output/ScanInfoWriter.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

// A valid file: root, one folder, one file; 512-byte sectors; strings "N", "S", "M", "R".
struct ValidFile {
  Bytes bytes;
  static constexpr std::size_t kStrings = 56 + 5 * 512;
  static constexpr std::size_t kRoot = kStrings + 4;
  static constexpr std::size_t kFolder = kRoot + 71 + 4;            // after "ROOT"
  static constexpr std::size_t kFile = kFolder + 71 + 9 + 5;        // after "BMP Files", "/ROOT"
  static constexpr std::size_t kEnd = kFile + 71 + 9 + 14;          // after "file1.bmp", "BMP Files/ROOT"

  ValidFile() {
    HDIR root;
    root.fileName = "ROOT";
    root.fileType = kFolderType;
    root.parentID = 1;
    root.fileID = 2;
    auto folder = std::make_shared<HDIR>();
    folder->fileName = "BMP Files";
    folder->pathName = "/ROOT";
    folder->fileType = kFolderType;
    folder->parentID = 2;
    folder->fileID = 3;
    auto file = std::make_shared<HDIR>();
    file->fileName = "file1.bmp";
    file->pathName = "BMP Files/ROOT";
    file->fileType = kFileType;
    file->parentID = 3;
    file->fileID = 4;
    folder->addChild(file);
    root.addChild(folder);
    ScanInfoDrive drive;
    drive.driveName = "N";
    drive.serial = "S";
    drive.model = "M";
    drive.revision = "R";
    test::TempDir dir;
    bytes = test::readFile(saveScanInfo(dir.file("valid"), drive, root).path);
  }
  void putBE32(std::size_t at, uint32_t value) { test::putBE32(bytes, at, value); }
  void putBE16(std::size_t at, uint32_t value) { test::putBE16(bytes, at, value); }
  // Replaces a node's name or path text (same length) at the given offset.
  void replaceText(std::size_t at, const std::string& text) { std::copy(text.begin(), text.end(), bytes.begin() + at); }
};

ScanInfoOpenResult openBytes(const Bytes& bytes, const std::string& name = "case.qsn") {
  static const test::TempDir dir;
  std::ofstream(dir.file(name), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
  return openScanInfo(dir.file(name));
}

std::string refusalOf(const Bytes& bytes) {
  const auto result = openBytes(bytes);
  if (!result.error) return "(opened)";
  EXPECT_FALSE(result.root);
  return result.error->title + "|" + result.error->text;
}

TEST(ScanInfoRefusal, TheValidFileOpens) {
  ValidFile valid;
  ASSERT_EQ(valid.bytes.size(), ValidFile::kEnd + 71);
  const auto result = openBytes(valid.bytes);
  ASSERT_FALSE(result.error);
  ASSERT_EQ(result.root->children.size(), 1u);
  EXPECT_EQ(result.root->children[0]->children[0]->fileName, "file1.bmp");
}

TEST(ScanInfoRefusal, WrongExtensionAndNonRegularFiles) {
  ValidFile valid;
  const std::string wrong = "Error|Wrong file selected. Please select an appropriate scan info file and continue.";
  for (const char* name : {"case", "case.qsn.txt", "case.QSN", "qsn"}) {
    const auto result = openBytes(valid.bytes, name);
    ASSERT_TRUE(result.error) << name;
    EXPECT_EQ(result.error->title + "|" + result.error->text, wrong) << name;
  }

  test::TempDir dir;
  std::filesystem::create_directory(dir.file("folder.qsn"));
  auto folder = openScanInfo(dir.file("folder.qsn"));
  ASSERT_TRUE(folder.error);
  EXPECT_NE(folder.error->text.find("is a folder"), std::string::npos);

  ASSERT_EQ(mkfifo(dir.file("pipe.qsn").c_str(), 0600), 0);
  auto pipe = openScanInfo(dir.file("pipe.qsn"));  // must not wait for a writer
  ASSERT_TRUE(pipe.error);
  EXPECT_NE(pipe.error->text.find("not a regular file"), std::string::npos);

  auto missing = openScanInfo(dir.file("missing.qsn"));
  ASSERT_TRUE(missing.error);
  EXPECT_NE(missing.error->text.find("Cannot open the scan info file"), std::string::npos);
}

TEST(ScanInfoRefusal, InterruptedWritesAreIncomplete) {
  ValidFile valid;
  Bytes interrupted = valid.bytes;
  std::copy_n("UnComple", 8, interrupted.begin());
  EXPECT_EQ(refusalOf(interrupted), "! Error|This scan info file is incomplete.");
  EXPECT_EQ(refusalOf(Bytes{}), "! Error|This scan info file is incomplete.");
  EXPECT_EQ(refusalOf(Bytes(valid.bytes.begin(), valid.bytes.begin() + 7)), "! Error|This scan info file is incomplete.");
}

TEST(ScanInfoRefusal, EveryTruncationIsRefused) {
  ValidFile valid;
  for (std::size_t length = 8; length < valid.bytes.size(); ++length) {
    // Every cut inside the stored sectors is alike; a few of them stand for all.
    if (length > 80 && length < ValidFile::kStrings - 8) continue;
    const std::string refusal = refusalOf(Bytes(valid.bytes.begin(), valid.bytes.begin() + length));
    EXPECT_NE(refusal.find("This scan info file is damaged"), std::string::npos) << length << ": " << refusal;
  }
}

TEST(ScanInfoRefusal, BytesPerSectorMustDivideTheReadWindow) {
  for (uint32_t bytesPerSector : {0u, 256u, 513u, 8192u, 0xFFFFFFFFu}) {
    ValidFile file;
    file.putBE32(8, bytesPerSector);
    EXPECT_NE(refusalOf(file.bytes).find("bytes per sector"), std::string::npos) << bytesPerSector;
  }
  // A valid size other than the writer's takes the first-sector count from the record.
  ValidFile file;
  file.putBE32(8, 4096);
  EXPECT_NE(refusalOf(file.bytes).find("ends inside the first sectors"), std::string::npos);
}

TEST(ScanInfoRefusal, LengthsRunningPastTheEnd) {
  for (std::size_t field : {16u, 20u, 24u, 28u}) {  // name, model, revision, serial lengths
    ValidFile file;
    file.putBE32(field, 0xFFFFFFF0u);
    EXPECT_NE(refusalOf(file.bytes).find("runs past the end"), std::string::npos) << field;
  }
  ValidFile longName;
  longName.putBE16(ValidFile::kFile + 44, 0xFFFF);
  EXPECT_NE(refusalOf(longName.bytes).find("names of node entry 3 run past"), std::string::npos);
  ValidFile noEnd;
  noEnd.bytes.resize(ValidFile::kEnd);
  EXPECT_NE(refusalOf(noEnd.bytes).find("ends before the end record"), std::string::npos);
  ValidFile noRoot;
  noRoot.bytes.resize(ValidFile::kRoot);
  EXPECT_NE(refusalOf(noRoot.bytes).find("ends before the tree"), std::string::npos);
  ValidFile emptyTree;  // the end record where the root should be
  std::fill(emptyTree.bytes.begin() + ValidFile::kRoot + 32, emptyTree.bytes.begin() + ValidFile::kRoot + 36, 0);
  EXPECT_NE(refusalOf(emptyTree.bytes).find("holds no tree"), std::string::npos);
}

TEST(ScanInfoRefusal, NamesThatCouldLeaveTheDestination) {
  const std::size_t fileName = ValidFile::kFile + 71;   // "file1.bmp"
  const std::size_t filePath = fileName + 9;            // "BMP Files/ROOT"
  const std::size_t folderPath = ValidFile::kFolder + 71 + 9;  // "/ROOT"
  const std::string badName = "has a name that is empty";
  const std::string badPath = "has a path with a";

  for (const std::string& name : {std::string("ab/cd.bmp"), std::string("file1\0bmp", 9)}) {
    ValidFile file;
    file.replaceText(fileName, name);
    EXPECT_NE(refusalOf(file.bytes).find(badName), std::string::npos) << name;
  }
  for (const std::string& name : {std::string("."), std::string("..")}) {
    ValidFile file;
    file.putBE16(ValidFile::kFile + 44, static_cast<uint32_t>(name.size()));
    file.bytes.erase(file.bytes.begin() + static_cast<long>(fileName),
                     file.bytes.begin() + static_cast<long>(fileName + 9));
    file.bytes.insert(file.bytes.begin() + static_cast<long>(fileName), name.begin(), name.end());
    EXPECT_NE(refusalOf(file.bytes).find(badName), std::string::npos) << name;
  }
  ValidFile empty;
  empty.putBE16(ValidFile::kFile + 44, 0);
  empty.bytes.erase(empty.bytes.begin() + static_cast<long>(fileName),
                    empty.bytes.begin() + static_cast<long>(fileName + 9));
  EXPECT_NE(refusalOf(empty.bytes).find(badName), std::string::npos);

  for (const std::string& path : {std::string("BMP Files/../.."), std::string("../Files/ROOT."),
                                  std::string("BMP Files/./RT"), std::string("BMP Files/RO\0T", 14)}) {
    ValidFile file;
    file.replaceText(filePath, path.substr(0, 14) + std::string(14 - std::min<std::size_t>(14, path.size()), 'x'));
    EXPECT_NE(refusalOf(file.bytes).find(badPath), std::string::npos) << path;
  }
  ValidFile dotDot;
  dotDot.replaceText(folderPath, "/../x");
  EXPECT_NE(refusalOf(dotDot.bytes).find(badPath), std::string::npos);
  ValidFile beside;
  beside.replaceText(folderPath, "xROOT");
  EXPECT_NE(refusalOf(beside.bytes).find("does not begin with \"/\""), std::string::npos);
  ValidFile dots;  // dots inside a component are fine
  dots.replaceText(filePath, "BMP..Files/ROO");
  EXPECT_EQ(refusalOf(dots.bytes), "(opened)");
}

// Damage anywhere: the file opens with sound names, or is refused; it never
// crashes or reads past its end (the sanitizer build checks the latter).
TEST(ScanInfoRefusal, RandomDamageIsOpenedSoundlyOrRefused) {
  const ValidFile valid;
  std::mt19937 random(2024);
  test::TempDir dir;
  const std::string path = dir.file("damaged.qsn");
  for (int round = 0; round < 400; ++round) {
    Bytes bytes = valid.bytes;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      // Mostly inside the records, where lengths and counts live.
      const std::size_t at = random() % 2 ? ValidFile::kStrings + random() % (bytes.size() - ValidFile::kStrings)
                                          : random() % bytes.size();
      bytes[at] = static_cast<uint8_t>(random());
    }
    if (random() % 8 == 0) bytes.resize(random() % bytes.size());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto result = openScanInfo(path);
    if (result.error) continue;
    std::vector<const HDIR*> nodes{result.root.get()};
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      const HDIR& node = *nodes[i];
      EXPECT_FALSE(node.fileName.empty() || node.fileName == "." || node.fileName == "..");
      EXPECT_EQ(node.fileName.find('/'), std::string::npos);
      EXPECT_EQ(node.pathName.find("/../"), std::string::npos);
      for (const auto& child : node.children) nodes.push_back(child.get());
    }
  }
}

}  // namespace
}  // namespace salvonix
