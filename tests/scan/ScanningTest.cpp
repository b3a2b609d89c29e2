// The engine's own rules, observed through spy checkers (which checkers are asked, hits, skips,
// pause, cancel, failures), and devices that are not whole under the real checkers.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "checkers/JpegBuilder.h"
#include "output/RecoveredFileSaver.h"
#include "scan/ReadDisk.h"
#include "scan/SpyChecker.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;
using test::PlannedFile;
using test::SpyLog;

// An image whose every sector starts with its own number (little-endian), so
// a wrong window shows up as a wrong stamp.
test::TestImage stampedImage(const test::TempDir& dir, uint64_t sectors, uint32_t bytesPerSector = 512) {
  test::TestImage image(dir.file("stamped.img"), sectors * bytesPerSector);
  Bytes bytes(sectors * bytesPerSector, 0);
  for (uint64_t s = 0; s < sectors; ++s)
    for (int i = 0; i < 8; ++i) bytes[s * bytesPerSector + i] = static_cast<uint8_t>(s >> (8 * i));
  image.put(0, bytes);
  return image;
}

struct SpyScan {
  SpyScan(const std::string& path, const std::vector<FileType>& types, uint32_t bytesPerSector = 512)
      : run(path, {}, bytesPerSector) {
    for (FileType type : types) run.observer.selected[rowIndex(type)] = true;
    test::useSpies(run.engine, log);
  }
  SpyLog log;
  test::ScanRun run;
};

TEST(ScanningEngine, EmptyDeviceBuildsFoldersAndCompletes) {
  test::TempDir dir;
  test::TestImage image(dir.file("empty.img"), 0);
  SpyScan scan(image.path(), {FileType::Jpg, FileType::Wav});
  scan.run.run();
  EXPECT_TRUE(scan.log.asked.empty());
  EXPECT_EQ(scan.run.observer.events, (std::vector<std::string>{"reconstructAfterRescan", "scanningCompleted"}));
  // Folders of the chosen types only, none a child before its first file.
  EXPECT_TRUE(scan.run.engine.dirRoot()->children.empty());
  EXPECT_NE(scan.run.engine.typeFolder(FileType::Jpg), nullptr);
  EXPECT_EQ(scan.run.engine.typeFolder(FileType::Bmp), nullptr);
}

TEST(ScanningEngine, EarlyStopByFirstByteAndTheQuickTimeException) {
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 4 * 512);
  image.putAtSector(0, Bytes{0x47, 0, 0, 0, 0x20});
  image.putAtSector(1, Bytes{0, 0, 0, 0x20, 'm', 'o', 'o', 'v'});
  image.putAtSector(2, Bytes{0x4A});
  image.putAtSector(3, Bytes{0xFF});
  std::vector<FileType> types;
  for (const auto& row : fileTypeTable()) types.push_back(row.type);
  const auto prefix = [&](std::size_t n) { return std::vector<FileType>(types.begin(), types.begin() + n); };

  SpyScan all(image.path(), types);
  all.run.run();
  EXPECT_EQ(all.log.askedAt(0), prefix(8));   // up to MP3, whose first byte exceeds 0x47
  EXPECT_EQ(all.log.askedAt(1), prefix(35));  // "moov": every checker
  EXPECT_EQ(all.log.askedAt(2), prefix(24));  // up to MIDI (0x4D)
  EXPECT_EQ(all.log.askedAt(3), prefix(35));

  std::vector<FileType> noQuickTime(types.begin(), types.begin() + 28);
  SpyScan still(image.path(), noQuickTime);
  still.run.run();
  EXPECT_EQ(still.log.askedAt(1), prefix(3));  // byte 0 stops at BMP
}

TEST(ScanningEngine, HitsBecomeNumberedNodesAndFoldersJoinOnFirstFind) {
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 20 * 512);
  for (uint64_t sector : {3, 5, 9, 12}) image.putAtSector(sector, Bytes{0xFF});  // every checker is asked
  SpyScan scan(image.path(), {FileType::Wav, FileType::Jpg, FileType::Bmp});
  scan.log.plan[{FileType::Jpg, 3}] = PlannedFile{1000};
  scan.log.plan[{FileType::Wav, 5}] = PlannedFile{5000};
  scan.log.plan[{FileType::Jpg, 9}] = PlannedFile{700};
  scan.log.plan[{FileType::Bmp, 12}] = PlannedFile{0};  // size 0: nothing recorded
  scan.run.run();

  EXPECT_EQ(scan.log.askedAt(12), (std::vector<FileType>{FileType::Bmp}));
  std::vector<std::string> found;
  for (const auto& f : scan.run.found()) found.push_back(f.folder + "/" + f.name + "@" + std::to_string(f.sector));
  EXPECT_EQ(found, (std::vector<std::string>{"JPG Files/file1.jpg@3", "JPG Files/file2.jpg@9",
                                             "WAV Files/file1.wav@5"}));
  const auto root = scan.run.engine.dirRoot();
  // Two folders and three files.
  EXPECT_EQ(std::tuple(root->childrenCount, root->fileCount, root->fileSize), std::tuple(5, 3u, 6700u));
  const auto jpg = scan.run.engine.typeFolder(FileType::Jpg);
  EXPECT_EQ(jpg->fileSize, 1700u);
  EXPECT_EQ(jpg->children[0]->pathName, "JPG Files/ROOT");
  EXPECT_EQ(jpg->children[0]->parentID, jpg->fileID);
  EXPECT_EQ(std::pair(root->fileID, jpg->children[0]->fileID), std::pair(2u, 6u));  // after folders 3, 4, 5
  EXPECT_EQ(scan.run.context.u64TotalNumberOfFileFound, 3u);
  EXPECT_EQ(scan.run.observer.events,
            (std::vector<std::string>{"reconstructAfterRescan", "refreshRecoveredFiles", "expandRecoveredFilesTree",
                                      "refreshRecoveredFiles", "refreshRecoveredFiles", "scanningCompleted"}));
}

// 512-byte sectors: windows of 128 refilled after a skip; 4,096-byte ones: windows of 16.
TEST(ScanningEngine, SkipJumpsOverTheFileAndRefillsAcrossWindows) {
  test::TempDir dir;
  auto image = stampedImage(dir, 4096);
  SpyScan scan(image.path(), {FileType::Mp3});
  scan.log.plan[{FileType::Mp3, 100}] = PlannedFile{1 << 20, true};
  scan.log.plan[{FileType::Mp3, 2200}] = PlannedFile{600, true};  // one sector and a bit: jumps 0
  scan.log.plan[{FileType::Mp3, 3000}] = PlannedFile{5000, false};  // no skip asked
  scan.run.run();
  const auto sectors = scan.log.sectorsAsked();
  for (auto [sector, examined] : {std::pair{100, true}, {101, false}, {2147, false}, {2148, true}, {2201, true},
                                  {3001, true}})
    EXPECT_EQ(std::find(sectors.begin(), sectors.end(), sector) != sectors.end(), examined) << sector;
  EXPECT_EQ(sectors.back(), 4095u);
  // Every sector examined saw its own bytes.
  for (auto [sector, stamp] : scan.log.stamps) ASSERT_EQ(stamp, sector) << "sector " << sector;

  auto large = stampedImage(dir, 600, 4096);
  SpyScan big(large.path(), {FileType::Mp3}, 4096);
  big.log.plan[{FileType::Mp3, 10}] = PlannedFile{1 << 20, true};
  big.run.run();
  const auto bigSectors = big.log.sectorsAsked();
  ASSERT_GE(bigSectors.size(), 12u);
  EXPECT_EQ(std::vector(bigSectors.begin() + 10, bigSectors.begin() + 12), (std::vector<uint64_t>{10, 266}));
  for (auto [sector, stamp] : big.log.stamps) ASSERT_EQ(stamp, sector) << "sector " << sector;
}

TEST(ScanningEngine, AStoppedScanDoesNotHoldBackTheNextOnTheSameContext) {
  test::TempDir dir;
  test::TestImage image(dir.file("d.img"), 64 * 512);
  SpyScan scan(image.path(), {FileType::Jpg});
  for (uint64_t sector : {3, 20, 40}) {
    image.putAtSector(sector, Bytes{0xFF});
    scan.log.plan[{FileType::Jpg, sector}] = PlannedFile{600};
  }
  scan.run.observer.onFind = [&] { scan.run.context.bCancelScanning = true; };
  scan.run.run();
  ASSERT_EQ(scan.run.found().size(), 1u);

  scan.run.observer.onFind = nullptr;
  scan.run.run();
  EXPECT_EQ(scan.run.found().size(), 3u);
  EXPECT_EQ(scan.run.context.u64TotalNumberOfFileFound, 3u);
}

TEST(ScanningEngine, PauseHoldsTheScanAndCancelEndsItKeepingWhatWasFound) {
  test::TempDir dir;
  test::TestImage image(dir.file("big.img"), uint64_t{1} << 30);
  SpyScan scan(image.path(), {FileType::Mpg});
  scan.log.plan[{FileType::Mpg, 5}] = PlannedFile{4096};
  auto device = test::useTestDevice(scan.run.context, image.path());
  auto asked = [&] {
    std::lock_guard lock(scan.log.mutex);
    return scan.log.asked.size();
  };
  std::thread worker([&] { scan.run.run(); });
  while (asked() < 1000) std::this_thread::yield();

  scan.run.context.bPauseScanning = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto askedWhilePaused = asked();
  const auto readsWhilePaused = device->reads().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(asked(), askedWhilePaused);
  EXPECT_EQ(device->reads().size(), readsWhilePaused);

  scan.run.context.bPauseScanning = false;
  while (asked() < askedWhilePaused + 1000) std::this_thread::yield();
  // Cancelling during a pause ends the scan.
  scan.run.context.bPauseScanning = true;
  scan.run.context.bCancelScanning = true;
  worker.join();
  EXPECT_LT(asked(), (uint64_t{1} << 30) / 512);
  EXPECT_EQ(scan.run.observer.events.back(), "scanningCompleted");
  ASSERT_EQ(scan.run.found().size(), 1u);
  EXPECT_EQ(scan.run.found()[0].sector, 5u);
}

// A lone sector, a whole window and the sector after it, and a sector in the
// window a skip refills: each reads as zeros, its neighbours as themselves,
// and one alert at the end counts them.
TEST(ScanningEngine, UnreadableSectorsReadAsZerosAndTheScanGoesOn) {
  test::TempDir dir;
  auto image = stampedImage(dir, 8192);
  SpyScan scan(image.path(), {FileType::Mpg});
  scan.log.plan[{FileType::Mpg, 10}] = PlannedFile{4096};
  scan.log.plan[{FileType::Mpg, 3000}] = PlannedFile{1 << 20, true};  // next examined: 5048, in the window from 4992
  scan.log.plan[{FileType::Mpg, 6000}] = PlannedFile{4096};
  auto device = test::useTestDevice(scan.run.context, image.path());
  device->failBetween(300 * 512, 301 * 512);
  device->failBetween(1024 * 512 + 7, 1153 * 512 - 7);
  device->failBetween(5050 * 512, 5051 * 512);
  scan.run.run();
  EXPECT_EQ(scan.run.engine.lastSectorNumber(), 8191);
  EXPECT_EQ(scan.run.found().size(), 3u);
  EXPECT_EQ(scan.run.context.unreadableSectors.ranges(),
            (std::vector<SectorRange>{{300, 1}, {1024, 129}, {5050, 1}}));
  for (uint64_t sector : {300, 1024, 1100, 1152, 5050}) EXPECT_EQ(scan.log.stamps.at(sector), 0u) << sector;
  for (uint64_t sector : {299, 301, 1023, 1153, 5048, 5049, 5051, 5120}) EXPECT_EQ(scan.log.stamps.at(sector), sector);
  EXPECT_EQ(scan.log.stamps.count(5047), 0u);
  EXPECT_EQ(scan.run.observer.alerts,
            (std::vector<std::string>{"Some sectors could not be read|131 sectors could not be read, in 3 ranges. They "
                                      "were read as zeros: files that cover them are incomplete."}));
  EXPECT_EQ(scan.run.observer.events.back(), "scanningCompleted");
}

TEST(ScanningEngine, ADriveThatHasGoneEndsTheScanKeepingWhatWasFound) {
  const std::vector<std::string> readFailure{"Drive cannot open or not found|", "Error!|Drive cannot open or not found"};
  test::TempDir dir;
  auto image = stampedImage(dir, 8192);
  for (int error : {ENODEV, ENXIO}) {
    SpyScan scan(image.path(), {FileType::Mpg});
    scan.log.plan[{FileType::Mpg, 10}] = PlannedFile{4096};
    test::useTestDevice(scan.run.context, image.path())->failBetween(uint64_t{1} << 20, UINT64_MAX, error);
    scan.run.run();
    EXPECT_EQ(scan.log.sectorsAsked().back(), 2047u);
    EXPECT_EQ(scan.run.engine.lastSectorNumber(), 2047);
    EXPECT_EQ(scan.run.observer.alerts, readFailure);
    EXPECT_EQ(scan.run.observer.events.back(), "scanningCompleted");
    EXPECT_EQ(scan.run.found().size(), 1u);
  }

  // Every read failing for 64 MiB in a row: gone too, after counting those sectors.
  test::TestImage large(dir.file("large.img"), 80u << 20);
  SpyScan scan(large.path(), {FileType::Mpg});
  test::useTestDevice(scan.run.context, large.path())->failBetween(8u << 20, UINT64_MAX);
  scan.run.run();
  const uint64_t goneAt = (72u << 20) / 512;
  EXPECT_EQ(scan.run.engine.lastSectorNumber(), static_cast<int64_t>(goneAt - 128 - 1));
  EXPECT_EQ(scan.run.context.unreadableSectors.ranges(), (std::vector<SectorRange>{{(8u << 20) / 512, (64u << 20) / 512}}));
  ASSERT_EQ(scan.run.observer.alerts.size(), 3u);
  EXPECT_EQ(scan.run.observer.alerts[2].rfind("Some sectors could not be read|131072 sectors", 0), 0u);
}

// For every type that reports previews.
TEST(ScanningEngine, RawPreviewsAboveOneKiBBecomeEntriesOfTheirOwn) {
  test::TempDir dir;
  auto image = stampedImage(dir, 100);
  for (FileType type : {FileType::Cr2, FileType::Leica, FileType::RawPanasonic, FileType::Crw, FileType::X3f}) {
    SCOPED_TRACE(fileTypeRow(type).key);
    SpyScan scan(image.path(), {type, FileType::Jpg});
    scan.log.plan[{type, 50}] = PlannedFile{20000, false, 1024, 52, 0};
    scan.log.plan[{type, 60}] = PlannedFile{30000, false, 1025, 70, 200};
    scan.run.run();
    const auto root = scan.run.engine.dirRoot();
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[1]->fileName, "RAW Jpg Files");
    ASSERT_EQ(scan.run.engine.dirRawJpg()->children.size(), 1u);
    const HDIR& preview = *scan.run.engine.dirRawJpg()->children[0];
    EXPECT_EQ(std::tuple(preview.fileName, preview.sectorNumber, preview.extraBytesToMove, preview.fileSize),
              std::tuple("file - Raw Jpg1.jpg", 70u, 200, 1025u));
    EXPECT_EQ(root->fileSize, 50000u);  // previews lie inside the raw files
    EXPECT_EQ(scan.run.context.u64RawJpgFileSize, 0u);
  }
}

TEST(UnreadableSectors, RangesStaySortedAndMerged) {
  UnreadableSectors record;
  for (uint64_t sector : {12, 10, 11, 50}) record.add(sector);
  record.add(100, 5);
  record.add(103, 4);
  record.add(7, 0);
  EXPECT_EQ(record.ranges(), (std::vector<SectorRange>{{10, 3}, {50, 1}, {100, 7}}));
  EXPECT_EQ(record.sectorCount(), 11u);
  EXPECT_EQ(record.countIn(11, 95), 9u);
  EXPECT_TRUE(record.contains(106));
  EXPECT_FALSE(record.contains(107));
  record.add(13, 37);  // bridges two ranges
  EXPECT_EQ(record.ranges(), (std::vector<SectorRange>{{10, 41}, {100, 7}}));
}

// JPEGs whose walk reads past a bad sector, holds one, starts on one, or
// follows a wholly unreadable window.
TEST(UnreadableSectors, CheckersWalkOnAsPastTheEndOfData) {
  test::TempDir dir;
  const uint64_t starts[] = {100, 400, 1000, 2000};
  Bytes content(2u << 20, 0);
  std::vector<uint64_t> sizes;
  for (uint32_t i = 0; i < 4; ++i) {
    const Bytes jpeg = test::buildJpeg({.entropyBytes = 20000 + 5000 * i, .seed = i + 1});
    std::copy(jpeg.begin(), jpeg.end(), content.begin() + static_cast<long>(starts[i] * 512));
    sizes.push_back(test::jpegSize(jpeg));
  }
  test::TestImage image(dir.file("card.img"), content.size());
  image.put(0, content);
  test::ScanRun scan(image.path(), {FileType::Jpg});
  auto device = test::useTestDevice(scan.context, image.path());
  for (uint64_t bad : {200, 420, 1000}) device->failBetween(bad * 512, bad * 512 + 1);
  device->failBetween(1536 * 512, 1664 * 512);
  scan.run();

  EXPECT_EQ(scan.context.unreadableSectors.ranges(),
            (std::vector<SectorRange>{{200, 1}, {420, 1}, {1000, 1}, {1536, 128}}));
  EXPECT_EQ(scan.observer.alerts.size(), 1u);
  const auto found = scan.found();
  ASSERT_EQ(found.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t planted = i < 2 ? i : 3;  // the one starting on a bad sector is lost
    EXPECT_EQ(found[i].sector, starts[planted]);
    EXPECT_EQ(found[i].size, sizes[planted]);
  }

}

// A BMP in the last, partial sector of an image, and one in an image smaller
// than a sector: both found, both saved without reading past the end.
TEST(PartialLastSector, IsScannedZeroPaddedAndSavedWithoutReadingPastTheEnd) {
  test::TempDir dir;
  const Bytes bmp = test::bmpFile(60, 3);
  for (const uint64_t imageBytes : {3 * 512 + 100, 60}) {
    SCOPED_TRACE(imageBytes);
    const uint64_t start = imageBytes > 512 ? 3 * 512 : 0;
    const std::string path = dir.file("card" + std::to_string(imageBytes) + ".img");
    test::TestImage image(path, imageBytes);
    image.put(start, bmp);
    test::ScanRun scan(path, {FileType::Bmp});
    auto device = test::useTestDevice(scan.context, path);
    scan.run();
    const auto found = scan.found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].sector, start / 512);
    EXPECT_EQ(found[0].size, 60u);
    const std::size_t readsOfTheScan = device->reads().size();
    const std::string out = dir.file("out" + std::to_string(imageBytes));
    CheckController(scan.engine.dirRoot().get(), 1, scan.context.u64SelectedFileSize).run();
    std::filesystem::create_directory(out);
    EXPECT_TRUE(RecoveredFileSaver(scan.context, scan.observer).save(*scan.engine.dirRoot(), out).succeeded());
    EXPECT_EQ(test::readFile(out + "/ROOT/BMP Files/file1.bmp"), bmp);
    const auto reads = device->reads();
    for (std::size_t i = readsOfTheScan; i < reads.size(); ++i) EXPECT_LE(reads[i].first + reads[i].second, imageBytes);
  }
}

}  // namespace
}  // namespace salvonix
