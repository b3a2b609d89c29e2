// The scan information file: its bytes built apart from the writer, the round trip of a
// scan, the refusal of every file that cannot be trusted, what an opened file sets.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include "output/RecoveredFileSaver.h"
#include "output/ScanInfoContext.h"
#include "output/ScanInfoReader.h"
#include "output/ScanInfoWriter.h"
#include "support/FileSizeLimit.h"
#include "support/SalvonixRun.h"

namespace salvonix {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

struct Entry {
  uint64_t fileSize, sectorNumber;
  uint32_t parentID, fileID, fileCount;
  std::string fileName, pathName;
  uint32_t fileType;
  uint8_t selected;
  int32_t childrenCount, childrenSelected, extraBytesToMove;
};
using Entries = std::vector<Entry>;

void appendBE(Bytes& out, std::initializer_list<std::pair<uint64_t, int>> fields) {  // value, width in bytes
  for (const auto& [value, width] : fields)
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The whole file as the layout describes it; the first sectors padded with zeros.
Bytes layoutOf(const ScanInfoDrive& d, const Entries& entries) {
  Bytes out{'C', 'o', 'm', 'p', 'l', 'e', 't', 'e'};
  appendBE(out, {{d.bytesInSector, 4}, {d.numberOfFileSelected, 4}, {d.driveName.size(), 4}, {d.model.size(), 4},
                 {d.revision.size(), 4}, {d.serial.size(), 4}, {d.driveSize, 8}, {d.driveSectorNumber, 8},
                 {d.selectedFileSize, 8}});
  Bytes sectors = d.first5Sectors;
  sectors.resize(5 * d.bytesInSector);
  const std::string strings = d.driveName + d.serial + d.model + d.revision;
  out.insert(out.end(), sectors.begin(), sectors.end());
  out.insert(out.end(), strings.begin(), strings.end());
  for (const Entry& e : entries) {
    appendBE(out, {{0, 8}, {e.fileSize, 8}, {0, 8}, {e.sectorNumber, 8}, {e.parentID, 4}, {e.fileID, 4},
                   {e.fileCount, 4}, {e.fileName.size(), 2}, {e.pathName.size(), 2}, {e.fileType, 2},
                   {e.selected, 1}, {static_cast<uint32_t>(e.childrenCount), 4},
                   {static_cast<uint32_t>(e.childrenSelected), 4}, {static_cast<uint32_t>(e.extraBytesToMove), 4},
                   {0, 8}});
    const std::string names = e.fileName + e.pathName;
    out.insert(out.end(), names.begin(), names.end());
  }
  out.insert(out.end(), 71, 0);
  return out;
}

// The tree the entries describe, linked by their IDs.
std::shared_ptr<HDIR> treeOf(const Entries& entries) {
  std::map<uint32_t, HDIR*> byID;
  std::shared_ptr<HDIR> root;
  for (const Entry& e : entries) {
    auto node = std::make_shared<HDIR>();
    std::tie(node->fileSize, node->sectorNumber, node->parentID, node->fileID, node->fileCount, node->fileName,
             node->pathName, node->fileType, node->selected, node->childrenCount, node->extraBytesToMove) =
        std::tie(e.fileSize, e.sectorNumber, e.parentID, e.fileID, e.fileCount, e.fileName, e.pathName, e.fileType,
                 e.selected, e.childrenCount, e.extraBytesToMove);
    byID[e.fileID] = node.get();
    if (!root) root = node;
    else (node->parent = byID.at(e.parentID))->addChild(node);
  }
  return root;
}

ScanInfoOpenResult openBytes(const Bytes& bytes, const std::string& name = "case.qsn") {
  static const test::TempDir dir;
  test::TestImage(dir.file(name), bytes.size()).put(0, bytes);
  return openScanInfo(dir.file(name));
}

SaveOutcome saveAll(HDIR& root, const std::string& source, const std::string& out, uint32_t bytesPerSector = 512) {
  ScanContext context;
  context.u32BytesInSector = bytesPerSector;
  context.selectedDriveMountPointForPreview = source;
  test::RecordingObserver observer;
  fs::create_directory(out);
  return RecoveredFileSaver(context, observer).save(root, out);
}

TEST(ScanInfoLayout, WrittenFileMatchesTheTabledLayoutByteForByte) {
  // A JPEG folder with a marked and an unmarked file, and a preview starting 200 bytes into its sector.
  const Entries entries{{30000, 0, 1, 2, 3, "ROOT", "", 1, 1, 5, 2, 0},
                        {25000, 0, 2, 3, 2, "JPG Files", "/ROOT", 1, 1, 2, 1, 0},
                        {10000, 100, 3, 5, 0, "file1.jpg", "JPG Files/ROOT", 2, 1, 0, 0, 0},
                        {15000, 0x1'0000'0001ULL, 3, 6, 0, "file2.jpg", "JPG Files/ROOT", 2, 0, 0, 0, 0},
                        {5000, 0, 2, 4, 1, "RAW Jpg Files", "/ROOT", 1, 0, 1, 0, 0},
                        {5000, 7, 4, 7, 0, "file - Raw Jpg1.jpg", "RAW Jpg Files/ROOT", 2, 0, 0, 0, 200}};
  // Lengths all differ, so a swapped field shows.
  const ScanInfoDrive drive{1024, 1, 8'000'000'000ULL, 7'812'500, 10000, "Card", "SN-12345", "Reader XY", "1.0a0",
                            test::randomBytes(5 * 1024, 7)};
  const Bytes expected = layoutOf(drive, entries);
  ASSERT_EQ(std::string(expected.begin() + 56 + 5120, expected.begin() + 56 + 5120 + 26), "CardSN-12345Reader XY1.0a0");
  test::TempDir dir;
  const ScanInfoWriteResult written = saveScanInfo(dir.file("card"), drive, *treeOf(entries));
  ASSERT_FALSE(written.error) << written.error->text;
  EXPECT_EQ(written.path, dir.file("card.qsn"));
  EXPECT_EQ(written.scanInfoEntryCount, 6u);
  EXPECT_EQ(test::readFile(written.path), expected);

  // A root alone, with fewer first sectors than five: zeros stored for the rest; opened, an empty root.
  const Entries rootAlone{{0, 0, 1, 2, 0, "ROOT", "", 1, 0, 0, 0, 0}};
  ScanInfoDrive unread;
  unread.first5Sectors = {1, 2, 3};
  const ScanInfoWriteResult empty = saveScanInfo(dir.file("empty.qsn"), unread, *treeOf(rootAlone));
  EXPECT_EQ(empty.path, dir.file("empty.qsn"));  // not appended twice
  EXPECT_EQ(test::readFile(empty.path), layoutOf(unread, rootAlone));
  const ScanInfoOpenResult opened = openScanInfo(empty.path);
  ASSERT_FALSE(opened.error);
  EXPECT_EQ(opened.root->fileName, "ROOT");
  EXPECT_TRUE(opened.root->children.empty());
}

TEST(ScanInfoLayout, WriteFailuresAreReportedAndKeepThePreviousFile) {
  HDIR root;
  root.fileName = "ROOT";
  test::TempDir dir;
  const auto missingFolder = saveScanInfo(dir.file("no-such-folder/x"), {}, root);
  ASSERT_TRUE(missingFolder.error);
  EXPECT_EQ(missingFolder.error->title + "|" + missingFolder.error->text, "Error!|Cannot create file at selected path");
  // A disk that fills up in the middle of a save: the file saved before stays as it was, and nothing is left beside it.
  ScanInfoDrive drive;
  drive.first5Sectors = test::randomBytes(5 * 512, 3);
  ASSERT_FALSE(saveScanInfo(dir.file("card"), drive, root).error);
  const Bytes previous = test::readFile(dir.file("card.qsn"));
  drive.first5Sectors = test::randomBytes(5 * 512, 4);
  ScanInfoWriteResult full;
  {
    test::FileSizeLimit limit(1000);
    full = saveScanInfo(dir.file("card"), drive, root);
  }
  ASSERT_TRUE(full.error);
  EXPECT_NE(full.error->text.find("Cannot write the scan info file"), std::string::npos) << full.error->text;
  EXPECT_EQ(test::readFile(dir.file("card.qsn")), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ScanInfoLayout, DefaultNameCutsAtThePlusAndReplacesColons) {
  std::tm time{};
  std::tie(time.tm_year, time.tm_mon, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec) =
      std::tuple(109, 8, 10, 14, 32, 11);
  for (const auto& [offset, name] : {std::pair{2 * 3600, "Recovery Info 2009-09-10 14_32_11"},
                                     {0, "Recovery Info 2009-09-10 14_32_11"},
                                     {-5 * 3600, "Recovery Info 2009-09-10 14_32_11 -0500"}}) {
    time.tm_gmtoff = offset;
    EXPECT_EQ(defaultScanInfoName(time), name) << offset;
  }
}

void expectSameTree(const HDIR& written, const HDIR& opened, const HDIR* openedParent) {
  SCOPED_TRACE(written.fileName);
  auto fields = [](const HDIR& n) {
    return std::tuple(n.fileName, n.pathName, n.fileType, n.parentID, n.fileID, n.fileCount, n.fileSize,
                      n.sectorNumber, n.selected, n.childrenCount, n.childrenSelected(), n.extraBytesToMove,
                      n.children.size());
  };
  ASSERT_EQ(fields(opened), fields(written));
  EXPECT_EQ(opened.fileCategory, -1);
  EXPECT_EQ(opened.storedChildrenSelected, static_cast<int32_t>(written.childrenSelected()));
  EXPECT_EQ(opened.parent, openedParent);
  for (std::size_t i = 0; i < written.children.size(); ++i)
    expectSameTree(*written.children[i], *opened.children[i], &opened);
}

class ScanInfoRoundTrip : public testing::TestWithParam<uint32_t> {};

TEST_P(ScanInfoRoundTrip, ScanWriteOpenAndSaveGiveTheSameTreeAndBytes) {
  const uint32_t bytesPerSector = GetParam();
  test::TempDir dir;
  const test::Card card(dir);
  const test::TestImage& image = card.image;
  Bytes sound = test::randomBytes(9008, 4);
  test::putBE32(sound, 0, 0x52494646);  // "RIFF"
  test::putLE32(sound, 4, 9000);
  test::putBE32(sound, 8, 0x57415645);  // "WAVE"
  image.put(1228800, sound);

  test::ScanRun scan(image.path(), {FileType::Bmp, FileType::Wav}, bytesPerSector);
  scan.run();
  HDIR& root = *scan.engine.dirRoot();
  ASSERT_EQ(root.fileCount, 3u);
  CheckController(scan.engine.typeFolder(FileType::Bmp)->childAtIndex(1), 1, scan.context.u64SelectedFileSize).run();
  CheckController(scan.engine.typeFolder(FileType::Wav)->childAtIndex(0), 1, scan.context.u64SelectedFileSize).run();
  const Bytes imageBytes = test::readFile(image.path());
  const ScanInfoDrive drive{bytesPerSector, 2, 2 << 20, scan.context.u64DriveSectorNumber,
                            scan.context.u64SelectedFileSize, "Card Reader", "0042", "Generic", "1.00",
                            Bytes(imageBytes.begin(), imageBytes.begin() + 5 * bytesPerSector)};

  const ScanInfoWriteResult written = saveScanInfo(dir.file("card"), drive, root);
  ASSERT_FALSE(written.error);
  const ScanInfoOpenResult opened = openScanInfo(written.path);
  ASSERT_FALSE(opened.error) << opened.error->text;
  EXPECT_EQ(std::pair(opened.scanInfoEntryCount, written.scanInfoEntryCount), std::pair(6u, 6u));
  auto fields = [](const ScanInfoDrive& d) {
    return std::tuple(d.bytesInSector, d.numberOfFileSelected, d.driveSize, d.driveSectorNumber, d.selectedFileSize,
                      d.driveName, d.serial, d.model, d.revision, d.first5Sectors);
  };
  EXPECT_EQ(fields(opened.drive), fields(drive));
  expectSameTree(root, *opened.root, nullptr);

  // Save what the opened file has marked, reading the image again.
  const SaveOutcome outcome = saveAll(*opened.root, image.path(), dir.file("out"), opened.drive.bytesInSector);
  for (const auto& failure : outcome.failures) ADD_FAILURE() << failure.path << ": " << failure.reason;
  EXPECT_EQ(outcome.filesSaved, 2);
  EXPECT_FALSE(fs::exists(dir.file("out/ROOT/BMP Files/file1.bmp")));
  EXPECT_EQ(test::readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);
  EXPECT_EQ(test::readFile(dir.file("out/ROOT/WAV Files/file1.wav")), sound);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, ScanInfoRoundTrip, testing::Values(512u, 4096u));

// Files past the drive's end fail by name while the others are saved; a file
// entry claiming children is saved as a file, never walked as a folder.
TEST(OpenedTreeSaving, BadEntriesFailAloneAndStayInsideTheDestination) {
  const std::string path = "BMP Files/ROOT";
  const auto opened = openBytes(layoutOf({}, {{0, 0, 1, 2, 0, "ROOT", "", 1, 1, 5, 4, 0},
                                              {0, 0, 2, 3, 4, "BMP Files", "/ROOT", 1, 1, 4, 4, 0},
                                              {1000, 64, 3, 4, 0, "file1.bmp", path, 2, 1, 0, 0, 0},  // past the end
                                              {1000, 3, 3, 5, 0, "file2.bmp", path, 2, 1, 7, 0, 0},
                                              {1000, ~uint64_t{0} / 8, 3, 6, 0, "file3.bmp", path, 2, 1, 0, 0, 0},
                                              {~uint64_t{0} - 10, 3, 3, 7, 0, "file4.bmp", path, 2, 1, 0, 0, 100}}));
  ASSERT_FALSE(opened.error) << opened.error->text;
  test::TempDir dir;
  test::TestImage image(dir.file("card.img"), 64 * 512);
  const Bytes picture = test::bmpFile(1000, 9);
  image.putAtSector(3, picture);
  // The folder the file's path would give when taken as a folder, beside the destination.
  fs::create_directories(dir.file("outBMP Files/ROOT"));
  const SaveOutcome outcome = saveAll(*opened.root, image.path(), dir.file("out"));
  ASSERT_EQ(outcome.failures.size(), 3u);
  for (int i : {0, 1, 2})  // the sector past the end, then the offset and the end that would wrap around
    EXPECT_EQ(outcome.failures[i].path, dir.file("out/ROOT/BMP Files/file" + std::to_string(i ? i + 2 : 1) + ".bmp"));
  EXPECT_EQ(test::readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), picture);
  EXPECT_FALSE(fs::exists(dir.file("out/ROOT/BMP Files/file1.bmp")));
  EXPECT_TRUE(fs::is_empty(dir.file("outBMP Files/ROOT")));
}

// A valid file: root, one folder, one file; 512-byte sectors; strings "N", "S", "M", "R".
constexpr std::size_t kStrings = 56 + 5 * 512;
constexpr std::size_t kRoot = kStrings + 4;
constexpr std::size_t kFolder = kRoot + 71 + 4;      // after "ROOT"
constexpr std::size_t kFile = kFolder + 71 + 9 + 5;  // after "BMP Files", "/ROOT"
constexpr std::size_t kFileName = kFile + 71;        // "file1.bmp"
constexpr std::size_t kFilePath = kFileName + 9;     // "BMP Files/ROOT"

const Bytes& validFile() {
  static const Bytes bytes = layoutOf({512, 0, 0, 0, 0, "N", "S", "M", "R", {}},
                                      {{0, 0, 1, 2, 0, "ROOT", "", 1, 0, 1, 0, 0},
                                       {0, 0, 2, 3, 1, "BMP Files", "/ROOT", 1, 0, 1, 0, 0},
                                       {0, 0, 3, 4, 0, "file1.bmp", "BMP Files/ROOT", 2, 0, 0, 0, 0}});
  return bytes;
}

Bytes be32(Bytes bytes, std::size_t at, uint32_t value) {
  test::putBE32(bytes, at, value);
  return bytes;
}
Bytes text(Bytes bytes, std::size_t at, const std::string& text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<long>(at));
  return bytes;
}
Bytes cut(Bytes bytes, std::size_t length) {
  bytes.resize(length);
  return bytes;
}
Bytes fileNamed(Bytes bytes, const std::string& name) {
  test::putBE16(bytes, kFile + 44, static_cast<uint32_t>(name.size()));
  bytes.erase(bytes.begin() + kFileName, bytes.begin() + kFilePath);
  bytes.insert(bytes.begin() + kFileName, name.begin(), name.end());
  return bytes;
}

TEST(ScanInfoRefusal, DamagedFilesAreRefusedWithTheirMessage) {
  const Bytes& v = validFile();
  const auto valid = openBytes(v);
  ASSERT_FALSE(valid.error) << valid.error->text;
  EXPECT_EQ(valid.root->children.at(0)->children.at(0)->fileName, "file1.bmp");

  const std::string incomplete = "! Error|This scan info file is incomplete.";
  const std::string badName = "has a name that is empty", badPath = "has a path with a";
  std::vector<std::pair<Bytes, std::string>> cases{
      {text(v, 0, "UnComple"), incomplete},
      {Bytes{}, incomplete},
      {cut(v, 7), incomplete},
      {be32(v, 8, 4096), "ends inside the first sectors"},  // the count comes from the record
      {text(v, kFile + 44, "\xFF\xFF"), "names of node entry 3 run past"},
      {cut(v, kFilePath + 14), "ends before the end record"},
      {cut(v, kRoot), "ends before the tree"},
      {be32(v, kRoot + 32, 0), "holds no tree"},  // the end record where the root should be
      {text(v, kFileName, "ab/cd.bmp"), badName},
      {text(v, kFileName, std::string("file1\0bmp", 9)), badName},
      {fileNamed(v, "."), badName},
      {fileNamed(v, ".."), badName},
      {fileNamed(v, ""), badName},
      {text(v, kFilePath, "BMP Files/../R"), badPath},
      {text(v, kFilePath, "../Files/ROOT."), badPath},
      {text(v, kFilePath, "BMP Files/./RT"), badPath},
      {text(v, kFilePath, std::string("BMP Files/RO\0T", 14)), badPath},
      {text(v, kFolder + 80, "/../x"), badPath},
      {text(v, kFolder + 80, "xROOT"), "does not begin with \"/\""},
      {text(v, kFilePath, "BMP..Files/ROO"), "(opened)"},  // dots inside a component are fine
  };
  for (uint32_t bytesPerSector : {0u, 256u, 513u, 8192u, 0xFFFFFFFFu})
    cases.push_back({be32(v, 8, bytesPerSector), "bytes per sector"});
  for (std::size_t field : {16u, 20u, 24u, 28u})  // name, model, revision, serial lengths
    cases.push_back({be32(v, field, 0xFFFFFFF0u), "runs past the end"});
  for (std::size_t length = 8; length < v.size(); ++length)
    if (length <= 80 || length >= kStrings - 8)  // cuts inside the stored sectors are all alike
      cases.push_back({cut(v, length), "This scan info file is damaged"});

  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto result = openBytes(cases[i].first);
    EXPECT_EQ(bool(result.root), !result.error) << "case " << i;
    const std::string refusal = result.error ? result.error->title + "|" + result.error->text : "(opened)";
    EXPECT_NE(refusal.find(cases[i].second), std::string::npos) << "case " << i << ": " << refusal;
  }
}

TEST(ScanInfoRefusal, WrongExtensionAndNonRegularFiles) {
  const std::string wrong = "Error|Wrong file selected. Please select an appropriate scan info file and continue.";
  for (const char* name : {"case", "case.qsn.txt", "case.QSN", "qsn"}) {
    const auto result = openBytes(validFile(), name);
    EXPECT_EQ(result.error ? result.error->title + "|" + result.error->text : "(opened)", wrong) << name;
  }
  test::TempDir dir;
  fs::create_directory(dir.file("folder.qsn"));
  ASSERT_EQ(mkfifo(dir.file("pipe.qsn").c_str(), 0600), 0);  // opening must not wait for a writer
  for (const auto& [name, refusal] : {std::pair{"folder.qsn", "is a folder"}, {"pipe.qsn", "not a regular file"},
                                      {"missing.qsn", "Cannot open the scan info file"}}) {
    const auto result = openScanInfo(dir.file(name));
    EXPECT_NE((result.error ? result.error->text : "(opened)").find(refusal), std::string::npos) << name;
  }
}

// Damage anywhere: the file opens with sound names, or is refused; it never
// crashes or reads past its end (the sanitizer build checks the latter).
TEST(ScanInfoRefusal, RandomDamageIsOpenedSoundlyOrRefused) {
  std::mt19937 random(2024);
  for (int round = 0; round < 400; ++round) {
    Bytes bytes = validFile();
    for (int i = 0, changes = 1 + static_cast<int>(random() % 4); i < changes; ++i) {
      // Mostly inside the records, where lengths and counts live.
      const std::size_t at = random() % 2 ? kStrings + random() % (bytes.size() - kStrings) : random() % bytes.size();
      bytes[at] = static_cast<uint8_t>(random());
    }
    if (random() % 8 == 0) bytes.resize(random() % bytes.size());
    const auto result = openBytes(bytes);
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

DriveIdentity identity(const std::string& path, const std::string& serial, uint64_t size, uint8_t firstBytes = 0) {
  return {{"Reader", serial, "1.0"}, 2048, path, size, firstBytes ? Bytes(10240, firstBytes) : Bytes{}};
}

// Of two identical drives the first is taken, unless a later one has the same first sectors.
TEST(OpenedScanInfo, TakesOverTheDriveValuesAndFindsItsDrive) {
  ScanInfoOpenResult opened;
  opened.drive = {2048, 3, 1 << 30, (1 << 30) / 2048, 12345, "Reader Card", "77", "Reader", "1.0", Bytes(10240, 9)};
  for (const auto& [identities, found] :
       {std::pair{std::vector{identity("/dev/sdb", "78", 1 << 30), identity("/dev/sdc", "77", 1 << 30),
                              identity("/dev/sdd", "77", 1 << 30)}, "/dev/sdc"},
        {std::vector{identity("/dev/sdb", "77", 1 << 30, 8), identity("/dev/sdc", "77", 1 << 30, 9)}, "/dev/sdc"}}) {
    ScanContext context;
    EXPECT_EQ(applyOpenedScanInfo(context, opened, identities), 1u);
    EXPECT_EQ(context.selectedDriveMountPointForPreview, found);
    EXPECT_TRUE(context.bOpenInfoDriveConnected && context.bDirectFromOpenScanInfo);
    EXPECT_EQ(std::tuple(context.u32BytesInSector, context.iNumberOfFileSelected.load(), context.selectedDriveSize,
                         context.u64DriveSectorNumber, context.u64SelectedFileSize.load(), context.selectedDrive,
                         context.serial),
              std::tuple(2048u, 3, uint64_t{1} << 30, uint64_t{1} << 19, uint64_t{12345}, "Reader Card", "77"));
    // Written again, the file keeps the first sectors it came with.
    context.first5SectorToSave.assign(10240, 1);
    EXPECT_EQ(scanInfoDriveOf(context).first5Sectors, Bytes(10240, 9));
    context.bDirectFromOpenScanInfo = false;
    EXPECT_EQ(scanInfoDriveOf(context).first5Sectors, Bytes(10240, 1));
  }
  // A drive that is not attached leaves the path as it was.
  ScanContext context;
  context.selectedDriveMountPointForPreview = "/dev/previous";
  EXPECT_FALSE(applyOpenedScanInfo(context, opened, {identity("/dev/sdb", "77", 1 << 29)}));
  EXPECT_EQ(context.selectedDriveMountPointForPreview, "/dev/previous");
  EXPECT_FALSE(context.bOpenInfoDriveConnected);
  EXPECT_TRUE(context.bRecoveredFileFromOpenScanInfo);
}

}  // namespace
}  // namespace salvonix
