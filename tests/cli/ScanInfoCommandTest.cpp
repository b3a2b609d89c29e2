// salvonix drives, scan --save-info and open, run as the real binary.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "drives/SysfsBlockDeviceTree.h"
#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

namespace fs = std::filesystem;

// Runs the binary; arguments starting with "@" name files in dir.
RunResult salvonix(const TempDir& dir, std::vector<std::string> arguments) {
  for (auto& argument : arguments)
    if (argument.starts_with("@")) argument = dir.file(argument.substr(1));
  arguments.insert(arguments.begin(), SALVONIX_BINARY);
  return runProgram(arguments, dir.path().string());
}

Bytes bmpFile(uint32_t size, uint32_t seed) {
  Bytes bytes = randomBytes(size, seed);
  bytes[0] = 'B';
  bytes[1] = 'M';
  putLE32(bytes, 2, size);
  std::fill(bytes.begin() + 6, bytes.begin() + 10, 0);
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

const nlohmann::json* driveListed(const nlohmann::json& drives, const std::string& path) {
  for (const auto& drive : drives)
    if (drive.at("device path") == path) return &drive;
  return nullptr;
}

TEST(DrivesCommand, ListsTheBlockDevicesOfThisMachine) {
  TempDir dir;
  const RunResult table = salvonix(dir, {"drives"});
  ASSERT_EQ(table.status.code, 0) << table.err;
  EXPECT_TRUE(table.out.starts_with("NAME")) << table.out;
  const RunResult json = salvonix(dir, {"drives", "--json"});
  ASSERT_EQ(json.status.code, 0) << json.err;
  const auto parsed = nlohmann::json::parse(json.out);
  ASSERT_TRUE(parsed.at("volumes").is_array());

  // Every whole disk with a size shows, whether or not it can be opened.
  for (const auto& entry : SysfsBlockDeviceTree().blockDevices()) {
    std::ifstream size(entry.sysPath + "/size");
    uint64_t sectors = 0;
    // Loop devices come and go with other tests running beside this one.
    if (entry.partition || entry.sysName.starts_with("loop") || !(size >> sectors) || sectors == 0) continue;
    EXPECT_NE(table.out.find(entry.devNode), std::string::npos) << entry.devNode;
    const nlohmann::json* drive = driveListed(parsed.at("drives"), entry.devNode);
    ASSERT_TRUE(drive) << entry.devNode;
    EXPECT_EQ(drive->at("device size"), sectors * 512) << entry.devNode;
    EXPECT_TRUE(drive->contains("Preferred Block Size")) << entry.devNode;
  }
}

TEST(ScanInfoCommand, ScanSavesTheFileAndOpenShowsAndSavesIt) {
  TempDir dir;
  Card card(dir);
  const RunResult scan = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--save-info", "@card"});
  ASSERT_EQ(scan.status.code, 0) << scan.err;

  const RunResult shown = salvonix(dir, {"open", "@card.qsn", "--json", "@open.json"});
  ASSERT_EQ(shown.status.code, 0) << shown.err;
  EXPECT_NE(shown.out.find("Drive: " + dir.file("card.img")), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("Attached: no"), std::string::npos);
  EXPECT_NE(shown.out.find("file2.bmp"), std::string::npos);
  const auto json = nlohmann::json::parse(readText(dir.file("open.json")));
  EXPECT_EQ(json.at("files").size(), 2u);
  EXPECT_EQ(json.at("files")[1].at("startSector"), 320);
  EXPECT_FALSE(json.at("drive").at("attached"));

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

  // Refusals, the file's with their messages as they stand.
  fs::copy_file(dir.file("card.qsn"), dir.file("card.txt"));
  Bytes bytes = readFile(dir.file("card.qsn"));
  std::copy_n("UnComple", 8, bytes.begin());
  std::ofstream(dir.file("cut.qsn"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  using Arguments = std::vector<std::string>;
  for (const auto& [arguments, code, message] :
       {std::tuple{Arguments{"open", "@card.qsn", "--out", "@none", "--all"}, 1, "--source"},
        {Arguments{"open", "@card.qsn", "--out", "@none", "--source", "@card.img"}, 1, "--all"},
        {Arguments{"open", "@card.txt"}, 2,
         "Wrong file selected. Please select an appropriate scan info file and continue."},
        {Arguments{"open", "@cut.qsn"}, 2, "This scan info file is incomplete."}}) {
    const RunResult refused = salvonix(dir, arguments);
    EXPECT_EQ(refused.status.code, code);
    EXPECT_NE(refused.err.find(message), std::string::npos) << refused.err;
  }
}

// A loop device with 4,096-byte sectors: listed with its sector size, scanned,
// and found again by its identity when the file is opened.
TEST(ScanInfoCommand, OpenFindsTheScannedLoopDeviceByItsIdentity) {
  TempDir dir;
  Card card(dir);
  const RunResult attach = runProgram({"/bin/sh", "-c", "losetup -r -f --show -b 4096 '" + card.image.path() + "'"},
                                      dir.path().string());
  std::string loop = attach.out.substr(0, attach.out.find('\n'));
  if (attach.status.code != 0 || attach.status.signalled || loop.empty()) GTEST_SKIP() << "losetup is not permitted";
  struct Detach {
    std::string path;
    ~Detach() { commandSucceeds("losetup -d " + path); }
  } detach{loop};

  const auto drives = nlohmann::json::parse(salvonix(dir, {"drives", "--json"}).out);
  const nlohmann::json* drive = driveListed(drives.at("drives"), loop);
  ASSERT_TRUE(drive);
  EXPECT_EQ(drive->at("Preferred Block Size"), 4096);
  EXPECT_EQ(drive->at("device size"), 2 << 20);
  EXPECT_FALSE(drive->contains("WhetherVolume"));

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
