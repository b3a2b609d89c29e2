// A scan written to a scan information file and opened again gives the same
// tree, and saving from the opened tree gives the same bytes.

#include <gtest/gtest.h>

#include <filesystem>

#include "output/RecoveredFileSaver.h"
#include "output/ScanInfoReader.h"
#include "output/ScanInfoWriter.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

struct QuietSaveObserver : SaveObserver {
  int showAlert(const Alert& alert) override {
    alerts.push_back(alert.title + "|" + alert.text);
    return 0;
  }
  std::vector<std::string> alerts;
};

Bytes bmpFile(uint32_t size, uint32_t seed) {
  Bytes bytes = test::randomBytes(size, seed);
  bytes[0] = 'B';
  bytes[1] = 'M';
  test::putLE32(bytes, 2, size);
  for (int i = 6; i < 10; ++i) bytes[i] = 0;
  return bytes;
}

Bytes wavFile(uint32_t size, uint32_t seed) {
  Bytes bytes = test::randomBytes(size, seed);
  test::putBE32(bytes, 0, 0x52494646);
  test::putLE32(bytes, 4, size - 8);
  test::putBE32(bytes, 8, 0x57415645);
  return bytes;
}

void expectSameTree(const HDIR& written, const HDIR& opened, const HDIR* openedParent) {
  SCOPED_TRACE(written.fileName);
  EXPECT_EQ(opened.fileName, written.fileName);
  EXPECT_EQ(opened.pathName, written.pathName);
  EXPECT_EQ(opened.fileType, written.fileType);
  EXPECT_EQ(opened.parentID, written.parentID);
  EXPECT_EQ(opened.fileID, written.fileID);
  EXPECT_EQ(opened.fileCount, written.fileCount);
  EXPECT_EQ(opened.fileSize, written.fileSize);
  EXPECT_EQ(opened.sectorNumber, written.sectorNumber);
  EXPECT_EQ(opened.selected, written.selected);
  EXPECT_EQ(opened.fileCategory, -1);
  EXPECT_EQ(opened.childrenCount, written.childrenCount);
  EXPECT_EQ(opened.storedChildrenSelected, static_cast<int32_t>(written.childrenSelected()));
  EXPECT_EQ(opened.childrenSelected(), written.childrenSelected());
  EXPECT_EQ(opened.extraBytesToMove, written.extraBytesToMove);
  EXPECT_EQ(opened.parent, openedParent);
  ASSERT_EQ(opened.children.size(), written.children.size());
  for (std::size_t i = 0; i < written.children.size(); ++i)
    expectSameTree(*written.children[i], *opened.children[i], &opened);
}

class ScanInfoRoundTrip : public testing::TestWithParam<uint32_t> {};

TEST_P(ScanInfoRoundTrip, ScanWriteOpenAndSaveGiveTheSameTreeAndBytes) {
  const uint32_t bytesPerSector = GetParam();
  test::TempDir dir;
  test::TestImage image(dir.file("card.img"), 2 << 20);
  image.put(0, test::randomBytes(5 * 4096, 1));  // something to recognise the drive by
  const Bytes small = bmpFile(3000, 2), large = bmpFile(70000, 3), sound = wavFile(9008, 4);
  image.put(40960, small);
  image.put(163840, large);
  image.put(1228800, sound);

  test::ScanRun scan(image.path(), {FileType::Bmp, FileType::Wav}, bytesPerSector);
  scan.run();
  HDIR& root = *scan.engine.dirRoot();
  ASSERT_EQ(root.fileCount, 3u);
  HDIR& bmpFolder = *scan.engine.typeFolder(FileType::Bmp);
  HDIR& wavFolder = *scan.engine.typeFolder(FileType::Wav);
  CheckController(bmpFolder.childAtIndex(1), 1, scan.context.u64SelectedFileSize).run();
  CheckController(wavFolder.childAtIndex(0), 1, scan.context.u64SelectedFileSize).run();

  ScanInfoDrive drive;
  drive.bytesInSector = bytesPerSector;
  drive.numberOfFileSelected = 2;
  drive.driveSize = 2 << 20;
  drive.driveSectorNumber = scan.context.u64DriveSectorNumber;
  drive.selectedFileSize = scan.context.u64SelectedFileSize;
  drive.driveName = "Card Reader";
  drive.serial = "0042";
  drive.model = "Generic";
  drive.revision = "1.00";
  const Bytes imageBytes = test::readFile(image.path());
  drive.first5Sectors.assign(imageBytes.begin(), imageBytes.begin() + 5 * bytesPerSector);

  const ScanInfoWriteResult written = saveScanInfo(dir.file("card"), drive, root);
  ASSERT_FALSE(written.error);
  const ScanInfoOpenResult opened = openScanInfo(written.path);
  ASSERT_FALSE(opened.error) << opened.error->text;
  EXPECT_EQ(opened.scanInfoEntryCount, written.scanInfoEntryCount);
  EXPECT_EQ(opened.scanInfoEntryCount, 6u);

  EXPECT_EQ(opened.drive.bytesInSector, bytesPerSector);
  EXPECT_EQ(opened.drive.numberOfFileSelected, 2u);
  EXPECT_EQ(opened.drive.driveSize, drive.driveSize);
  EXPECT_EQ(opened.drive.driveSectorNumber, drive.driveSectorNumber);
  EXPECT_EQ(opened.drive.selectedFileSize, large.size() + sound.size());
  EXPECT_EQ(opened.drive.driveName, "Card Reader");
  EXPECT_EQ(opened.drive.serial, "0042");
  EXPECT_EQ(opened.drive.model, "Generic");
  EXPECT_EQ(opened.drive.revision, "1.00");
  EXPECT_EQ(opened.drive.first5Sectors, drive.first5Sectors);
  expectSameTree(root, *opened.root, nullptr);

  // Save what the opened file has marked, reading the image again.
  ScanContext context;
  context.u32BytesInSector = opened.drive.bytesInSector;
  context.selectedDriveMountPointForPreview = image.path();
  QuietSaveObserver observer;
  std::filesystem::create_directory(dir.file("out"));
  RecoveredFileSaver saver(context, observer);
  const SaveOutcome outcome = saver.save(*opened.root, dir.file("out"));
  for (const auto& failure : outcome.failures) ADD_FAILURE() << failure.path << ": " << failure.reason;
  EXPECT_EQ(outcome.filesSaved, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out/ROOT/BMP Files/file1.bmp")));
  EXPECT_EQ(test::readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), large);
  EXPECT_EQ(test::readFile(dir.file("out/ROOT/WAV Files/file1.wav")), sound);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, ScanInfoRoundTrip, testing::Values(512u, 4096u));

// A tree as a scan information file could describe it, written and opened.
struct OpenedTree {
  test::TempDir dir;
  std::shared_ptr<HDIR> root;
  HDIR* folder = nullptr;

  OpenedTree() {
    root = std::make_shared<HDIR>();
    root->fileName = "ROOT";
    root->fileType = kFolderType;
    root->fileID = 2;
    root->parentID = 1;
    auto bmp = std::make_shared<HDIR>();
    bmp->fileName = "BMP Files";
    bmp->pathName = "/ROOT";
    bmp->fileType = kFolderType;
    bmp->parentID = 2;
    bmp->fileID = 3;
    bmp->parent = root.get();
    folder = bmp.get();
    root->addChild(bmp);
    root->childrenCount = 1;
  }
  void addFile(const std::string& name, uint64_t sector, uint64_t size, int32_t childrenCount = 0,
               int32_t extraBytesToMove = 0) {
    auto file = std::make_shared<HDIR>();
    file->fileName = name;
    file->pathName = "BMP Files/ROOT";
    file->fileType = kFileType;
    file->parentID = 3;
    file->fileID = 4 + static_cast<uint32_t>(folder->children.size());
    file->sectorNumber = sector;
    file->fileSize = size;
    file->childrenCount = childrenCount;
    file->extraBytesToMove = extraBytesToMove;
    file->parent = folder;
    folder->addChild(file);
    folder->childrenCount += 1;
    root->childrenCount += 1;
  }
  std::shared_ptr<HDIR> writeAndOpen() {
    const auto written = saveScanInfo(dir.file("tree"), ScanInfoDrive{}, *root);
    auto opened = openScanInfo(written.path);
    EXPECT_FALSE(opened.error);
    return opened.root;
  }
};

TEST(OpenedTreeSaving, FilesBeyondTheDriveEndFailByNameAndTheOthersAreSaved) {
  OpenedTree tree;
  test::TestImage image(tree.dir.file("card.img"), 64 * 512);
  const Bytes picture = bmpFile(1000, 9);
  image.putAtSector(3, picture);
  tree.addFile("file1.bmp", 64, 1000);  // first sector past the end
  tree.addFile("file2.bmp", 3, 1000);
  tree.addFile("file3.bmp", ~uint64_t{0} / 8, 1000);  // byte offset would wrap around
  tree.addFile("file4.bmp", 3, ~uint64_t{0} - 10, 0, 100);  // size plus offset would wrap around
  auto root = tree.writeAndOpen();
  ASSERT_TRUE(root);

  ScanContext context;
  context.selectedDriveMountPointForPreview = image.path();
  CheckController(root.get(), 1, context.u64SelectedFileSize).run();
  QuietSaveObserver observer;
  std::filesystem::create_directory(tree.dir.file("out"));
  const SaveOutcome outcome = RecoveredFileSaver(context, observer).save(*root, tree.dir.file("out"));
  ASSERT_EQ(outcome.failures.size(), 3u);
  EXPECT_EQ(outcome.failures[0].path, tree.dir.file("out/ROOT/BMP Files/file1.bmp"));
  EXPECT_EQ(outcome.failures[1].path, tree.dir.file("out/ROOT/BMP Files/file3.bmp"));
  EXPECT_EQ(outcome.failures[2].path, tree.dir.file("out/ROOT/BMP Files/file4.bmp"));
  EXPECT_EQ(test::readFile(tree.dir.file("out/ROOT/BMP Files/file2.bmp")), picture);
  EXPECT_FALSE(std::filesystem::exists(tree.dir.file("out/ROOT/BMP Files/file1.bmp")));
}

TEST(OpenedTreeSaving, FileEntriesClaimingChildrenAreNotWalkedAsFolders) {
  OpenedTree tree;
  test::TestImage image(tree.dir.file("card.img"), 64 * 512);
  tree.addFile("file1.bmp", 3, 600, 7);
  auto root = tree.writeAndOpen();
  ASSERT_TRUE(root);
  // The folder the file's path would give when taken as a folder, beside the destination.
  std::filesystem::create_directories(tree.dir.file("outBMP Files/ROOT"));

  ScanContext context;
  context.selectedDriveMountPointForPreview = image.path();
  CheckController(root.get(), 1, context.u64SelectedFileSize).run();
  QuietSaveObserver observer;
  std::filesystem::create_directory(tree.dir.file("out"));
  const SaveOutcome outcome = RecoveredFileSaver(context, observer).save(*root, tree.dir.file("out"));
  for (const auto& failure : outcome.failures) ADD_FAILURE() << failure.path << ": " << failure.reason;
  EXPECT_TRUE(std::filesystem::is_regular_file(tree.dir.file("out/ROOT/BMP Files/file1.bmp")));
  EXPECT_TRUE(std::filesystem::is_empty(tree.dir.file("outBMP Files/ROOT")));
}

}  // namespace
}  // namespace salvonix
