// Marking what to save, reading a found file's bytes and saving them: folder layout,
// lengths around the chunk and block sizes, stopping, failing reads, and a destination
// on the device being read.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "output/DestinationCheck.h"
#include "output/RecoveredFileReader.h"
#include "output/RecoveredFileSaver.h"
#include "support/ChildProcess.h"
#include "support/ResultsTree.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

TEST(Marking, EachFileIsAddedOnceAndUnmarkingTakesBackOnlyWhatWasMarked) {
  test::ResultsTree t;
  std::atomic<uint64_t> total{0};
  HDIR& jpg = t.folder("JPG Files");
  HDIR& wav = t.folder("WAV Files");
  HDIR& a = t.file(jpg, "file1.jpg", 0, 100);
  HDIR& b = t.file(jpg, "file2.jpg", 0, 200);
  t.file(jpg, "file3.jpg", 0, 400);
  HDIR& w = t.file(wav, "file1.wav", 0, 1000);
  const struct {
    HDIR* node;
    uint8_t flag;
    uint64_t total;
    uint8_t jpgMark, rootMark;
    int rootChildren;  // marked nodes below the root; -1: not checked
  } steps[] = {
      {&a, 1, 100, 1, 1, -1},
      {&a, 1, 100, 1, 1, -1},  // already marked: not counted twice
      {&jpg, 1, 700, 1, 1, 4},  // only the files not yet marked are added; the folder and its three files
      {&a, 7, 700, 1, 1, 4},    // any other flag changes nothing
      {&b, 0, 500, 1, 1, -1},
      {&b, 0, 500, 1, 1, -1},     // no longer marked
      {&w, 1, 1500, 1, 1, -1},
      {&jpg, 0, 1000, 0, 1, -1},  // partly marked folder; the root stays marked for the WAV
      {&w, 0, 0, 0, 0, -1},
      {t.root.get(), 1, 1700, 1, 1, -1},
      {t.root.get(), 0, 0, 0, 0, 0},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    CheckController(steps[i].node, steps[i].flag, total).run();
    EXPECT_EQ(total, steps[i].total) << "step " << i;
    EXPECT_EQ(std::pair(jpg.selected, t.root->selected), std::pair(steps[i].jpgMark, steps[i].rootMark)) << "step " << i;
    if (steps[i].rootChildren >= 0) {
      EXPECT_EQ(t.root->childrenSelected(), uint32_t(steps[i].rootChildren)) << "step " << i;
    }
  }
  EXPECT_EQ(a.selected, 0);
}

struct Observer : test::RecordingObserver {
  // Answers "Yes" unless the test planned other answers.
  bool confirmStopSaving() override {
    const auto question = static_cast<std::size_t>(questions++);
    return question < answers.size() ? answers[question] : true;
  }
  void updateTreeProgress(uint64_t, uint64_t) override {
    if (onProgress) onProgress();
  }
  std::vector<bool> answers;
  int questions = 0;
  std::function<void()> onProgress;
};

struct SaveFixture : ::testing::Test {
  SaveFixture() : image(dir.file("d.img"), kImageBytes) {
    image.put(0, test::randomBytes(kImageBytes, 5));
    device = test::useTestDevice(context, image.path());
    context.selectedDriveMountPointForPreview = image.path();
    destination = dir.file("out");
    fs::create_directory(destination);
  }
  SaveOutcome save(HDIR& node) {
    CheckController(&node, 1, context.u64SelectedFileSize).run();
    RecoveredFileSaver saver(context, observer, std::chrono::milliseconds(0));
    saverInUse = &saver;
    return saver.save(*results.root, destination);
  }
  Bytes deviceBytes(uint64_t offset, uint64_t length) const {
    const Bytes all = test::readFile(image.path());
    return Bytes(all.begin() + static_cast<long>(offset), all.begin() + static_cast<long>(offset + length));
  }
  std::string saved(const std::string& folder, const std::string& name) const {
    return destination + "/ROOT/" + folder + "/" + name;
  }

  static constexpr uint64_t kImageBytes = 4u << 20;
  test::TempDir dir;
  test::TestImage image;
  ScanContext context;
  std::shared_ptr<test::TestDevice> device;
  Observer observer;
  test::ResultsTree results;
  std::string destination;
  RecoveredFileSaver* saverInUse = nullptr;
};

HDIR fileAt(uint64_t sector, int32_t extra, uint64_t size) {
  HDIR file;
  file.fileType = kFileType;
  std::tie(file.sectorNumber, file.extraBytesToMove, file.fileSize) = std::tuple(sector, extra, size);
  return file;
}

// The whole file read in pieces of the given size.
Bytes readInPieces(RecoveredFileReader& reader, const HDIR& file, std::size_t piece) {
  Bytes whole, buffer(piece);
  for (;;) {
    const int64_t got = reader.read(file, whole.size(), buffer.data(), piece);
    EXPECT_GE(got, 0);
    if (got <= 0) return whole;
    whole.insert(whole.end(), buffer.begin(), buffer.begin() + got);
  }
}

TEST_F(SaveFixture, ReadPiecesOfAnySizeMakeUpTheFileFromItsLeadingOffset) {
  RecoveredFileReader reader(device, 512);
  const HDIR file = fileAt(3, 500, 10000);  // starts 12 bytes before sector 4
  for (std::size_t piece : {1, 7, 4096, 65536})
    EXPECT_EQ(readInPieces(reader, file, piece), deviceBytes(3 * 512 + 500, 10000)) << piece;
  uint8_t byte = 0;
  EXPECT_EQ(reader.read(file, 10000, &byte, 1), 0);
  EXPECT_EQ(reader.read(file, UINT64_MAX, &byte, 1), 0);
}

TEST_F(SaveFixture, ReadBeyondTheDriveEndGivesZerosWithoutReadingThere) {
  RecoveredFileReader reader(device, 512);
  constexpr uint64_t kSectors = kImageBytes / 512;
  // 924 bytes lie on the drive, the rest of the 2,000 beyond its end.
  Bytes expected = deviceBytes(kImageBytes - 924, 924);
  expected.resize(2000, 0);
  EXPECT_EQ(readInPieces(reader, fileAt(kSectors - 2, 100, 2000), 4096), expected);
  EXPECT_EQ(readInPieces(reader, fileAt(kSectors, 0, 700), 4096), Bytes(700, 0));
  // A size and an offset near the largest number do not wrap around.
  Bytes buffer(5, 1);
  EXPECT_EQ(reader.read(fileAt(kSectors - 8, 0, UINT64_MAX), UINT64_MAX - 5, buffer.data(), 10), 5);
  EXPECT_EQ(buffer, Bytes(5, 0));
  for (auto [offset, length] : device->reads()) EXPECT_LE(offset + length, kImageBytes);
}

// A drive that has gone, none, or a bad leading offset gives -1.
TEST_F(SaveFixture, ReadOfAGoneDriveOrABadStartGivesMinusOne) {
  device->failBetween(100 * 512, 101 * 512, ENODEV);
  RecoveredFileReader reader(device, 512);
  Bytes buffer(16);
  RecoveredFileReader noDevice(nullptr, 512);
  EXPECT_EQ(noDevice.read(fileAt(1, 0, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(reader.read(fileAt(1, -1, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(reader.read(fileAt(1, 512, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(reader.read(fileAt(1, 511, 100), 0, buffer.data(), 16), 16);
  // Gone is gone: later reads fail without trying the device.
  EXPECT_EQ(reader.read(fileAt(100, 0, 100), 0, buffer.data(), 16), -1);
  const std::size_t reads = device->reads().size();
  EXPECT_EQ(reader.read(fileAt(1, 0, 100), 0, buffer.data(), 16), -1);
  EXPECT_EQ(device->reads().size(), reads);
}

// Lengths around the chunk, block and sector sizes, with and without a leading offset: every saved file holds the
// device's bytes, and is created as a document, not a program (0644 less the umask).
TEST_F(SaveFixture, EveryLengthAndLeadingOffsetSavesTheDeviceBytes) {
  HDIR& jpg = results.folder("JPG Files");
  const struct {
    uint64_t sector, size;
    int32_t leading;
  } files[] = {{10, 1, 0}, {100, 2 * 64 * 512, 0}, {7, 9 * 4096 - 100, 0}, {33, 5000, 200}, {40, 4096 - 200, 200}};
  for (std::size_t i = 0; i < std::size(files); ++i)
    results.file(jpg, "file" + std::to_string(i) + ".jpg", files[i].sector, files[i].size, files[i].leading);
  const mode_t mask = ::umask(022);
  const auto outcome = save(*results.root);
  ::umask(mask);
  EXPECT_TRUE(outcome.succeeded());
  for (std::size_t i = 0; i < std::size(files); ++i)
    EXPECT_EQ(test::readFile(saved("JPG Files", "file" + std::to_string(i) + ".jpg")),
              deviceBytes(files[i].sector * 512 + files[i].leading, files[i].size))
        << i;
  EXPECT_EQ(fs::status(saved("JPG Files", "file0.jpg")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(SaveFixture, OnlyMarkedNodesAreSavedAndEmptyFilesAreCountedNotCreated) {
  HDIR& jpg = results.folder("JPG Files");
  HDIR& wav = results.folder("WAV Files");
  results.folder("AVI Files");
  HDIR& keep = results.file(jpg, "file1.jpg", 1, 600);
  results.file(jpg, "file2.jpg", 5, 600);
  HDIR& empty = results.file(wav, "file1.wav", 9, 0);

  // Nothing marked: nothing created.
  RecoveredFileSaver idle(context, observer);
  idle.save(*results.root, destination);
  EXPECT_FALSE(fs::exists(destination + "/ROOT"));

  CheckController(&keep, 1, context.u64SelectedFileSize).run();
  const auto outcome = save(empty);
  EXPECT_EQ(outcome.filesSaved, 2);
  EXPECT_TRUE(fs::exists(saved("JPG Files", "file1.jpg")));
  EXPECT_FALSE(fs::exists(saved("JPG Files", "file2.jpg")));
  EXPECT_TRUE(fs::is_directory(destination + "/ROOT/WAV Files"));
  EXPECT_FALSE(fs::exists(saved("WAV Files", "file1.wav")));
  EXPECT_FALSE(fs::exists(destination + "/ROOT/AVI Files"));

  // A marked folder without files is created empty; a second run replaces files.
  CheckController(results.root->children[2].get(), 1, context.u64SelectedFileSize).run();
  fs::resize_file(saved("JPG Files", "file1.jpg"), 3);
  save(*results.root);
  EXPECT_TRUE(fs::is_directory(destination + "/ROOT/AVI Files"));
  EXPECT_EQ(fs::file_size(saved("JPG Files", "file1.jpg")), 600u);
}

TEST_F(SaveFixture, StopNoGoesOnWithoutLossAndYesKeepsThePartialFileUnderItsOwnNameAndEndsTheWalk) {
  HDIR& mov = results.folder("MOV Files");
  HDIR& wav = results.folder("WAV Files");
  results.file(mov, "file1.mov", 0, 200000);
  results.file(wav, "file1.wav", 1000, 5000);
  int writes = 0;
  observer.onProgress = [&] {
    if (++writes == 1 || writes == 3) saverInUse->stopSaving();
  };
  observer.answers = {false, false};  // asked again the next time
  EXPECT_TRUE(save(*results.root).succeeded());
  EXPECT_EQ(observer.questions, 2);
  EXPECT_EQ(test::readFile(saved("MOV Files", "file1.mov")), deviceBytes(0, 200000));

  fs::remove_all(destination + "/ROOT");
  observer.onProgress = [&] { saverInUse->stopSaving(); };
  const auto outcome = save(*results.root);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(observer.questions, 3);
  EXPECT_EQ(std::pair(outcome.filesSaved, outcome.filesNotSaved), std::pair(0, 2));
  EXPECT_FALSE(fs::exists(saved("MOV Files", "file1.mov")));
  EXPECT_EQ(fs::file_size(saved("MOV Files", "file1.mov.partial")), 64u * 512);
  EXPECT_FALSE(fs::exists(saved("WAV Files", "file1.wav")));
}

// Each further folder meets the gone drive once; one alert tells of them all.
TEST_F(SaveFixture, AGoneDriveEndsEachFolderAtItsFirstFile) {
  HDIR& jpg = results.folder("JPG Files");
  HDIR& wav = results.folder("WAV Files");
  results.file(jpg, "file1.jpg", 100, 1000);
  results.file(jpg, "file2.jpg", 200, 1000);
  results.file(wav, "file1.wav", 300, 1000);
  device->failBetween(100 * 512, 101 * 512, ENODEV);
  const auto outcome = save(*results.root);
  EXPECT_FALSE(outcome.succeeded());
  ASSERT_EQ(outcome.failures.size(), 2u);
  EXPECT_EQ(outcome.failures[0].path, saved("JPG Files", "file1.jpg"));
  EXPECT_EQ(outcome.failures[1].path, saved("WAV Files", "file1.wav"));
  EXPECT_EQ(observer.alerts,
            (std::vector<std::string>{"Some files were not saved|" + saved("JPG Files", "file1.jpg") +
                                      ": Drive cannot open or not found; 3 of 3 files were not saved."}));
  EXPECT_FALSE(fs::exists(saved("JPG Files", "file1.jpg")));  // nothing was written: nothing is kept
  EXPECT_FALSE(fs::exists(saved("JPG Files", "file1.jpg.partial")));
  EXPECT_FALSE(fs::exists(saved("JPG Files", "file2.jpg")));
}

TEST_F(SaveFixture, UnreadableSectorsAreSavedAsZerosAndTheFileIsIncomplete) {
  HDIR& jpg = results.folder("JPG Files");
  results.file(jpg, "file1.jpg", 100, 100 * 512, 7);
  results.file(jpg, "file2.jpg", 300, 1000);
  device->failBetween(120 * 512, 122 * 512);
  device->failBetween(202 * 512, 203 * 512);  // read with the last block, past the file's end
  const auto outcome = save(*results.root);
  EXPECT_TRUE(outcome.succeeded());
  EXPECT_TRUE(observer.alerts.empty());
  ASSERT_EQ(outcome.incomplete.size(), 1u);
  EXPECT_EQ(outcome.incomplete[0].path, saved("JPG Files", "file1.jpg"));
  EXPECT_EQ(outcome.incomplete[0].unreadableSectors, 2u);
  Bytes expected = deviceBytes(100 * 512 + 7, 100 * 512);
  std::fill(expected.begin() + 20 * 512 - 7, expected.begin() + 22 * 512 - 7, 0);
  EXPECT_EQ(test::readFile(saved("JPG Files", "file1.jpg")), expected);
  EXPECT_EQ(test::readFile(saved("JPG Files", "file2.jpg")), deviceBytes(300 * 512, 1000));
}

TEST(DestinationCheck, FolderOnAMountedLoopDeviceIsRefused) {
  test::TempDir dir;
  test::TestImage image(dir.file("disk.img"), 32 << 20);
  const test::RunResult attach = test::runProgram({"/sbin/losetup", "-f", "--show", image.path()}, dir.path());
  const std::string loop = attach.out.substr(0, attach.out.find('\n'));
  if (attach.status.code != 0 || attach.status.signalled || loop.empty()) GTEST_SKIP() << "no loop devices here";
  const std::string mountPoint = dir.file("mnt");
  std::filesystem::create_directory(mountPoint);
  const bool mounted = test::commandSucceeds("mkfs.ext4 -q " + loop) &&
                       mount(loop.c_str(), mountPoint.c_str(), "ext4", 0, nullptr) == 0;
  if (mounted) {
    auto device = Device::open(loop);
    ASSERT_TRUE(device);
    EXPECT_TRUE(destinationOnDevice(mountPoint + "/recovered/deeper", *device));
    EXPECT_FALSE(destinationOnDevice(dir.file("elsewhere"), *device));
    umount(mountPoint.c_str());
  }
  test::commandSucceeds("losetup -d " + loop);
  if (!mounted) GTEST_SKIP() << "cannot mount a file system here";
}

}  // namespace
}  // namespace salvonix
