// salvonix drives, scan --save-info and open, run as the real binary.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "drives/SysfsBlockDeviceTree.h"
#include "support/SalvonixRun.h"

namespace salvonix::test {
namespace {

namespace fs = std::filesystem;

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

// An image is a drive too: found again at its absolute path, by its size and first sectors; another image in its
// place, or one named with --source, whose first sectors differ is not read unless --force.
TEST(ScanInfoCommand, ScanSavesTheFileAndOpenFindsTheImageAgainAndSavesFromIt) {
  TempDir dir;
  Card card(dir);
  // Named relative to the folder it is scanned from; opened from another.
  const RunResult scan = runProgram(
      {"/bin/sh", "-c", "cd \"$0\" && exec '" SALVONIX_BINARY "' scan card.img --types bmp --save-info card",
       dir.path()},
      dir.path());
  ASSERT_EQ(scan.status.code, 0) << scan.err;

  const RunResult shown = salvonix(dir, {"open", "@card.qsn", "--json", "@open.json"});
  ASSERT_EQ(shown.status.code, 0) << shown.err;
  EXPECT_NE(shown.out.find("Drive: " + dir.file("card.img")), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("Attached: yes, " + dir.file("card.img")), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("file2.bmp"), std::string::npos);
  const auto json = nlohmann::json::parse(readText(dir.file("open.json")));
  EXPECT_EQ(json.at("files").size(), 2u);
  EXPECT_EQ(json.at("files")[1].at("startSector"), 320);
  EXPECT_TRUE(json.at("drive").at("attached"));

  const RunResult saved = salvonix(dir, {"open", "@card.qsn", "--out", "@out", "--all"});
  ASSERT_EQ(saved.status.code, 0) << saved.err;
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file1.bmp")), card.small);
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);

  // Moved away, it is no longer attached; a copy with other first sectors is refused as a source.
  fs::rename(dir.file("card.img"), dir.file("moved.img"));
  Bytes other = readFile(dir.file("moved.img"));
  other[0] ^= 0xFF;
  std::ofstream(dir.file("wrong.img"), std::ios::binary)
      .write(reinterpret_cast<const char*>(other.data()), static_cast<std::streamsize>(other.size()));
  const RunResult wrong = salvonix(dir, {"open", "@card.qsn", "--out", "@wrong", "--all", "--source", "@wrong.img"});
  EXPECT_EQ(wrong.status.code, 2);
  EXPECT_NE(wrong.err.find("salvonix: the first sectors of " + dir.file("wrong.img") +
                           " differ from those of the scanned drive; add --force to save from it all the same"),
            std::string::npos)
      << wrong.err;
  EXPECT_FALSE(fs::exists(dir.file("wrong")));
  EXPECT_EQ(salvonix(dir, {"open", "@card.qsn", "--out", "@wrong", "--all", "--source", "@wrong.img", "--force"})
                .status.code,
            0);
  EXPECT_EQ(salvonix(dir, {"open", "@card.qsn", "--out", "@moved", "--all", "--source", "@moved.img"}).status.code, 0);
  EXPECT_EQ(readFile(dir.file("moved/ROOT/BMP Files/file2.bmp")), card.large);

  // Into a folder: a default name with no blank before ".qsn", and a second one in the same second beside it.
  fs::create_directory(dir.file("infos"));
  for (int run = 0; run < 2; ++run)
    ASSERT_EQ(salvonix(dir, {"scan", "@moved.img", "--types", "bmp", "--save-info", "@infos"}).status.code, 0);
  ASSERT_EQ(std::distance(fs::directory_iterator(dir.file("infos")), fs::directory_iterator()), 2);
  for (const auto& entry : fs::directory_iterator(dir.file("infos"))) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.starts_with("Recovery Info ") && name.ends_with(".qsn")) << name;
    EXPECT_FALSE(name.ends_with(" .qsn")) << name;
    EXPECT_EQ(name.find(':'), std::string::npos);
  }

  // Refusals, the file's with their messages as they stand.
  fs::copy_file(dir.file("card.qsn"), dir.file("card.txt"));
  Bytes bytes = readFile(dir.file("card.qsn"));
  std::copy_n("UnComple", 8, bytes.begin());
  std::ofstream(dir.file("cut.qsn"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  using Arguments = std::vector<std::string>;
  for (const auto& [arguments, code, message] :
       {std::tuple{Arguments{"open", "@card.qsn", "--out", "@none", "--all"}, 1, "--source"},
        {Arguments{"open", "@card.qsn", "--out", "@none", "--source", "@moved.img"}, 1, "--all"},
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
