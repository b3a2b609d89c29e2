// Saving: the folder layout, lengths around the chunk and block sizes with the
// leading offset, stopping, and what happens when reads or writes fail.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "output/RecoveredFileSaver.h"
#include "support/FileSizeLimit.h"
#include "support/ResultsTree.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

class Observer : public SaveObserver {
 public:
  int showAlert(const Alert& alert) override {
    alerts.push_back(alert.title + "|" + alert.text);
    return 0;
  }
  // Answers "Yes" unless the test planned other answers.
  bool confirmStopSaving() override {
    const auto question = static_cast<std::size_t>(questions++);
    return question < answers.size() ? answers[question] : true;
  }
  void updateTreeProgress(uint64_t, uint64_t) override {
    if (onProgress) onProgress();
  }
  std::vector<std::string> alerts;
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

TEST_F(SaveFixture, StopYesKeepsThePartialFileUnderItsOwnNameAndEndsTheWalk) {
  HDIR& mov = results.folder("MOV Files");
  HDIR& wav = results.folder("WAV Files");
  results.file(mov, "file1.mov", 0, 200000);
  results.file(wav, "file1.wav", 1000, 5000);
  observer.onProgress = [&] { saverInUse->stopSaving(); };
  const auto outcome = save(*results.root);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(observer.questions, 1);
  EXPECT_EQ(outcome.filesSaved, 0);
  EXPECT_EQ(outcome.filesNotSaved, 2);
  EXPECT_FALSE(fs::exists(saved("MOV Files", "file1.mov")));
  EXPECT_EQ(fs::file_size(saved("MOV Files", "file1.mov.partial")), 64u * 512);
  EXPECT_FALSE(fs::exists(saved("WAV Files", "file1.wav")));
}

TEST_F(SaveFixture, StopNoGoesOnWithoutLossAndAsksAgainNextTime) {
  HDIR& mov = results.folder("MOV Files");
  results.file(mov, "file1.mov", 0, 200000);
  int writes = 0;
  observer.onProgress = [&] {
    if (++writes == 1 || writes == 3) saverInUse->stopSaving();
  };
  observer.answers = {false, false};
  const auto outcome = save(*results.root);
  EXPECT_EQ(observer.questions, 2);
  EXPECT_TRUE(outcome.succeeded());
  EXPECT_EQ(test::readFile(saved("MOV Files", "file1.mov")), deviceBytes(0, 200000));
}

// Each further folder meets the gone drive once: one alert each.
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

// A full disk: the file cut short is kept under a name that says so, it is not counted, and one alert says how many
// files are missing.
TEST_F(SaveFixture, WriteFailureStopsTheRunKeepsThePartAsPartialAndReportsOnce) {
  HDIR& jpg = results.folder("JPG Files");
  results.file(jpg, "file0.jpg", 2000, 1000);
  results.file(jpg, "file1.jpg", 0, 300000);
  results.file(jpg, "file2.jpg", 1000, 1000);
  SaveOutcome outcome;
  {
    test::FileSizeLimit limit(100000);
    outcome = save(*results.root);
  }
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(outcome.filesSaved, 1);
  EXPECT_EQ(outcome.filesNotSaved, 2);
  ASSERT_EQ(outcome.failures.size(), 1u);
  EXPECT_EQ(outcome.failures[0].path, saved("JPG Files", "file1.jpg"));
  EXPECT_FALSE(fs::exists(saved("JPG Files", "file1.jpg")));
  EXPECT_EQ(fs::file_size(saved("JPG Files", "file1.jpg.partial")), 100000u);
  EXPECT_FALSE(fs::exists(saved("JPG Files", "file2.jpg")));
  ASSERT_EQ(observer.alerts.size(), 1u);
  EXPECT_EQ(observer.alerts[0], "Some files were not saved|" + saved("JPG Files", "file1.jpg") + ": " +
                                    std::strerror(EFBIG) + " (the part written is kept as " +
                                    saved("JPG Files", "file1.jpg.partial") + "); 2 of 3 files were not saved.");
}

}  // namespace
}  // namespace salvonix
