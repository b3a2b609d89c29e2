// The bytes of a scan information file, built independently of the writer.

#include <gtest/gtest.h>

#include <filesystem>

#include "output/ScanInfoFile.h"
#include "output/ScanInfoWriter.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

void appendBE(Bytes& out, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void appendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

struct Entry {
  uint64_t fileSize, sectorNumber;
  uint32_t parentID, fileID, fileCount;
  std::string fileName, pathName;
  uint16_t fileType;
  uint8_t selected;
  int32_t childrenCount, childrenSelected, extraBytesToMove;
};

void appendEntry(Bytes& out, const Entry& e) {
  appendBE(out, 0, 8);
  appendBE(out, e.fileSize, 8);
  appendBE(out, 0, 8);
  appendBE(out, e.sectorNumber, 8);
  appendBE(out, e.parentID, 4);
  appendBE(out, e.fileID, 4);
  appendBE(out, e.fileCount, 4);
  appendBE(out, e.fileName.size(), 2);
  appendBE(out, e.pathName.size(), 2);
  appendBE(out, e.fileType, 2);
  out.push_back(e.selected);
  appendBE(out, static_cast<uint32_t>(e.childrenCount), 4);
  appendBE(out, static_cast<uint32_t>(e.childrenSelected), 4);
  appendBE(out, static_cast<uint32_t>(e.extraBytesToMove), 4);
  appendBE(out, 0, 8);
  appendText(out, e.fileName);
  appendText(out, e.pathName);
}

std::shared_ptr<HDIR> addNode(HDIR& parent, const Entry& e) {
  auto node = std::make_shared<HDIR>();
  node->fileSize = e.fileSize;
  node->sectorNumber = e.sectorNumber;
  node->parentID = e.parentID;
  node->fileID = e.fileID;
  node->fileCount = e.fileCount;
  node->fileName = e.fileName;
  node->pathName = e.pathName;
  node->fileType = e.fileType;
  node->selected = e.selected;
  node->childrenCount = e.childrenCount;
  node->extraBytesToMove = e.extraBytesToMove;
  node->parent = &parent;
  parent.addChild(node);
  return node;
}

TEST(ScanInfoLayout, WrittenFileMatchesTheTabledLayoutByteForByte) {
  // Root, a JPEG folder with a marked and an unmarked file, and the preview
  // folder with one preview that starts 200 bytes into its sector.
  const Entry rootEntry{30000, 0, 1, 2, 3, "ROOT", "", 1, 1, 5, 2, 0};
  const Entry jpgEntry{25000, 0, 2, 3, 2, "JPG Files", "/ROOT", 1, 1, 2, 1, 0};
  const Entry file1{10000, 100, 3, 5, 0, "file1.jpg", "JPG Files/ROOT", 2, 1, 0, 0, 0};
  const Entry file2{15000, 0x1'0000'0001ULL, 3, 6, 0, "file2.jpg", "JPG Files/ROOT", 2, 0, 0, 0, 0};
  const Entry rawEntry{5000, 0, 2, 4, 1, "RAW Jpg Files", "/ROOT", 1, 0, 1, 0, 0};
  const Entry preview{5000, 7, 4, 7, 0, "file - Raw Jpg1.jpg", "RAW Jpg Files/ROOT", 2, 0, 0, 0, 200};

  HDIR root;
  root.fileSize = rootEntry.fileSize;
  root.parentID = 1;
  root.fileID = 2;
  root.fileCount = 3;
  root.fileName = "ROOT";
  root.fileType = kFolderType;
  root.selected = 1;
  root.childrenCount = 5;
  auto jpg = addNode(root, jpgEntry);
  addNode(*jpg, file1);
  addNode(*jpg, file2);
  auto raw = addNode(root, rawEntry);
  addNode(*raw, preview);

  ScanInfoDrive drive;
  drive.bytesInSector = 1024;
  drive.numberOfFileSelected = 1;
  drive.driveSize = 8'000'000'000ULL;
  drive.driveSectorNumber = 7'812'500;
  drive.selectedFileSize = 10000;
  drive.driveName = "Card";      // lengths all differ, so a swapped field shows
  drive.serial = "SN-12345";
  drive.model = "Reader XY";
  drive.revision = "1.0a0";
  drive.first5Sectors = test::randomBytes(5 * 1024, 7);

  Bytes expected;
  appendText(expected, "Complete");
  appendBE(expected, 1024, 4);
  appendBE(expected, 1, 4);
  appendBE(expected, 4, 4);   // name
  appendBE(expected, 9, 4);   // model
  appendBE(expected, 5, 4);   // revision
  appendBE(expected, 8, 4);   // serial
  appendBE(expected, 8'000'000'000ULL, 8);
  appendBE(expected, 7'812'500, 8);
  appendBE(expected, 10000, 8);
  ASSERT_EQ(expected.size(), 56u);
  expected.insert(expected.end(), drive.first5Sectors.begin(), drive.first5Sectors.end());
  appendText(expected, "CardSN-12345Reader XY1.0a0");
  for (const Entry& e : {rootEntry, jpgEntry, file1, file2, rawEntry, preview}) appendEntry(expected, e);
  expected.insert(expected.end(), 71, 0);

  test::TempDir dir;
  const ScanInfoWriteResult written = saveScanInfo(dir.file("card"), drive, root);
  ASSERT_FALSE(written.error) << written.error->text;
  EXPECT_EQ(written.path, dir.file("card.qsn"));
  EXPECT_EQ(written.scanInfoEntryCount, 6u);
  EXPECT_EQ(test::readFile(written.path), expected);
}

TEST(ScanInfoLayout, RootWithoutFoldersAndShortFirstSectors) {
  HDIR root;
  root.fileType = kFolderType;
  root.parentID = 1;
  root.fileID = 2;
  root.fileName = "ROOT";
  ScanInfoDrive drive;  // 512-byte sectors, nothing read from the drive: zeros are stored
  drive.first5Sectors = {1, 2, 3};

  test::TempDir dir;
  const ScanInfoWriteResult written = saveScanInfo(dir.file("empty.qsn"), drive, root);
  ASSERT_FALSE(written.error);
  EXPECT_EQ(written.path, dir.file("empty.qsn"));  // not appended twice
  const Bytes bytes = test::readFile(written.path);
  ASSERT_EQ(bytes.size(), 8 + 48 + 5 * 512 + (71 + 4) + 71u);
  EXPECT_EQ(Bytes(bytes.begin() + 56, bytes.begin() + 60), (Bytes{1, 2, 3, 0}));
  const std::size_t rootAt = 56 + 5 * 512;
  EXPECT_EQ(bytes[rootAt + 35], 1);  // parentID of the root
  EXPECT_EQ(Bytes(bytes.begin() + rootAt + 71, bytes.begin() + rootAt + 75), (Bytes{'R', 'O', 'O', 'T'}));
  EXPECT_EQ(Bytes(bytes.end() - 71, bytes.end()), Bytes(71, 0));
}

TEST(ScanInfoLayout, WriteFailuresAreReportedAndNeverMarkedComplete) {
  HDIR root;
  root.fileName = "ROOT";
  ScanInfoDrive drive;
  test::TempDir dir;
  const auto missingFolder = saveScanInfo(dir.file("no-such-folder/x"), drive, root);
  ASSERT_TRUE(missingFolder.error);
  EXPECT_EQ(missingFolder.error->title, "Error!");
  EXPECT_EQ(missingFolder.error->text, "Cannot create file at selected path");

  // A disk that fills up: the marker cannot be trusted, so the write must fail.
  std::filesystem::create_symlink("/dev/full", dir.file("full.qsn"));
  const auto full = saveScanInfo(dir.file("full"), drive, root);
  ASSERT_TRUE(full.error);
  EXPECT_NE(full.error->text.find("Cannot write the scan info file"), std::string::npos) << full.error->text;
}

TEST(ScanInfoLayout, DefaultNameCutsAtThePlusAndReplacesColons) {
  std::tm time{};
  time.tm_year = 109;
  time.tm_mon = 8;
  time.tm_mday = 10;
  time.tm_hour = 14;
  time.tm_min = 32;
  time.tm_sec = 11;
  time.tm_gmtoff = 2 * 3600;
  EXPECT_EQ(defaultScanInfoName(time), "Recovery Info 2009-09-10 14_32_11 ");
  time.tm_gmtoff = 0;
  EXPECT_EQ(defaultScanInfoName(time), "Recovery Info 2009-09-10 14_32_11 ");
  time.tm_gmtoff = -5 * 3600;
  EXPECT_EQ(defaultScanInfoName(time), "Recovery Info 2009-09-10 14_32_11 -0500");
  EXPECT_TRUE(defaultScanInfoName().starts_with("Recovery Info 20"));
}

}  // namespace
}  // namespace salvonix
