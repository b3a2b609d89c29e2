// salvonix drives, scan --save-info and open, run as the real binary.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "drives/SysfsBlockDeviceTree.h"
#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

namespace fs = std::filesystem;
const std::string kSalvonix = SALVONIX_BINARY;

// Runs the binary; arguments starting with "@" name files in dir.
RunResult salvonix(const TempDir& dir, std::vector<std::string> arguments) {
  for (auto& argument : arguments)
    if (argument.starts_with("@")) argument = dir.file(argument.substr(1));
  arguments.insert(arguments.begin(), kSalvonix);
  return runProgram(arguments, dir.path().string());
}

Bytes bmpFile(uint32_t size, uint32_t seed) {
  Bytes bytes = randomBytes(size, seed);
  bytes[0] = 'B';
  bytes[1] = 'M';
  putLE32(bytes, 2, size);
  for (int i = 6; i < 10; ++i) bytes[i] = 0;
  return bytes;
}

// A card image with two bitmaps between zeros.
struct Card {
  explicit Card(const TempDir& dir) : image(dir.file("card.img"), 2 << 20) {
    image.put(0, randomBytes(4096, 3));
    image.put(40960, small);
    image.put(163840, large);
  }
  TestImage image;
  Bytes small = bmpFile(3000, 1);
  Bytes large = bmpFile(70000, 2);
};

std::string loopDevice(const TempDir& dir, const std::string& image) {
  const RunResult result = runProgram({"/bin/sh", "-c", "losetup -r -f --show '" + image + "'"}, dir.path().string());
  if (result.status.code != 0 || result.status.signalled) return {};
  std::string path = result.out;
  while (!path.empty() && path.back() == '\n') path.pop_back();
  return path;
}

TEST(DrivesCommand, ListsTheBlockDevicesOfThisMachine) {
  TempDir dir;
  const RunResult table = salvonix(dir, {"drives"});
  ASSERT_EQ(table.status.code, 0) << table.err;
  EXPECT_TRUE(table.out.starts_with("NAME")) << table.out;
  const RunResult json = salvonix(dir, {"drives", "--json"});
  ASSERT_EQ(json.status.code, 0) << json.err;
  const auto parsed = nlohmann::json::parse(json.out);
  std::vector<std::string> listed;
  for (const auto& drive : parsed.at("drives")) listed.push_back(drive.at("device path"));
  ASSERT_TRUE(parsed.at("volumes").is_array());

  for (const auto& entry : SysfsBlockDeviceTree().blockDevices()) {
    std::ifstream size(entry.sysPath + "/size");
    uint64_t sectors = 0;
    // Loop devices come and go with other tests running beside this one.
    if (entry.partition || entry.sysName.starts_with("loop") || !(size >> sectors) || sectors == 0) continue;
    EXPECT_NE(table.out.find(entry.devNode), std::string::npos) << entry.devNode;
    EXPECT_NE(std::find(listed.begin(), listed.end(), entry.devNode), listed.end()) << entry.devNode;
  }
}

TEST(ScanInfoCommand, ScanSavesTheFileAndOpenShowsAndSavesIt) {
  TempDir dir;
  Card card(dir);
  const RunResult scan = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--save-info", "@card"});
  ASSERT_EQ(scan.status.code, 0) << scan.err;
  ASSERT_TRUE(fs::is_regular_file(dir.file("card.qsn")));

  const RunResult shown = salvonix(dir, {"open", "@card.qsn", "--json", "@open.json"});
  ASSERT_EQ(shown.status.code, 0) << shown.err;
  EXPECT_NE(shown.out.find("Drive: " + dir.file("card.img")), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("Attached: no"), std::string::npos);
  EXPECT_NE(shown.out.find("file2.bmp"), std::string::npos);
  const auto json = nlohmann::json::parse(readText(dir.file("open.json")));
  EXPECT_EQ(json.at("files").size(), 2u);
  EXPECT_EQ(json.at("files")[1].at("startSector"), 320);
  EXPECT_FALSE(json.at("drive").at("attached"));

  const RunResult noSource = salvonix(dir, {"open", "@card.qsn", "--out", "@out", "--all"});
  EXPECT_EQ(noSource.status.code, 1);
  EXPECT_NE(noSource.err.find("--source"), std::string::npos) << noSource.err;
  const RunResult nothingMarked = salvonix(dir, {"open", "@card.qsn", "--out", "@out", "--source", "@card.img"});
  EXPECT_EQ(nothingMarked.status.code, 1);
  EXPECT_NE(nothingMarked.err.find("--all"), std::string::npos) << nothingMarked.err;

  const RunResult saved = salvonix(dir, {"open", "@card.qsn", "--out", "@out", "--all", "--source", "@card.img"});
  ASSERT_EQ(saved.status.code, 0) << saved.err;
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file1.bmp")), card.small);
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);

  // Into a folder: the default name.
  fs::create_directory(dir.file("infos"));
  ASSERT_EQ(salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--save-info", "@infos"}).status.code, 0);
  ASSERT_EQ(std::distance(fs::directory_iterator(dir.file("infos")), fs::directory_iterator()), 1);
  const std::string name = fs::directory_iterator(dir.file("infos"))->path().filename().string();
  EXPECT_TRUE(name.starts_with("Recovery Info ") && name.ends_with(".qsn")) << name;
  EXPECT_EQ(name.find(':'), std::string::npos);
}

TEST(ScanInfoCommand, RefusedFilesShowTheirMessages) {
  TempDir dir;
  Card card(dir);
  ASSERT_EQ(salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--save-info", "@card.qsn"}).status.code, 0);
  ASSERT_TRUE(fs::is_regular_file(dir.file("card.qsn")));

  fs::copy_file(dir.file("card.qsn"), dir.file("card.txt"));
  const RunResult wrong = salvonix(dir, {"open", "@card.txt"});
  EXPECT_EQ(wrong.status.code, 2);
  EXPECT_NE(wrong.err.find("Wrong file selected. Please select an appropriate scan info file and continue."),
            std::string::npos)
      << wrong.err;

  Bytes bytes = readFile(dir.file("card.qsn"));
  std::copy_n("UnComple", 8, bytes.begin());
  std::ofstream(dir.file("cut.qsn"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const RunResult incomplete = salvonix(dir, {"open", "@cut.qsn"});
  EXPECT_EQ(incomplete.status.code, 2);
  EXPECT_NE(incomplete.err.find("This scan info file is incomplete."), std::string::npos) << incomplete.err;

  fs::create_directory(dir.file("folder.qsn"));
  const RunResult folder = salvonix(dir, {"open", "@folder.qsn"});
  EXPECT_EQ(folder.status.code, 2);
  EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
}

TEST(ScanInfoCommand, OpenFindsTheScannedLoopDeviceByItsIdentity) {
  TempDir dir;
  Card card(dir);
  const std::string loop = loopDevice(dir, card.image.path());
  if (loop.empty()) GTEST_SKIP() << "losetup is not permitted here";
  struct Detach {
    std::string path;
    ~Detach() { commandSucceeds("losetup -d " + path); }
  } detach{loop};

  ASSERT_EQ(salvonix(dir, {"scan", loop, "--types", "bmp", "--save-info", "@loop"}).status.code, 0);
  const RunResult shown = salvonix(dir, {"open", "@loop.qsn"});
  ASSERT_EQ(shown.status.code, 0) << shown.err;
  EXPECT_NE(shown.out.find("Attached: yes, " + loop), std::string::npos) << shown.out;
  const RunResult saved = salvonix(dir, {"open", "@loop.qsn", "--out", "@out", "--all"});
  ASSERT_EQ(saved.status.code, 0) << saved.err;
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);
}

}  // namespace
}  // namespace salvonix::test
