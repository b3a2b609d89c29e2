// The drives of this machine: the real sysfs through libudev, and a loop
// device where losetup is permitted.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "drives/DriveFinder.h"
#include "drives/DriveIdentity.h"
#include "drives/SysfsBlockDeviceTree.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

namespace k = drivekey;

std::string commandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    if (pclose(pipe) != 0) return {};
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  return output;
}

// A read-only loop device over an image, detached at the end.
class LoopDevice {
 public:
  LoopDevice(const std::string& image, uint32_t sectorSize)
      : path_(commandOutput("losetup -r -f --show -b " + std::to_string(sectorSize) + " '" + image + "' 2>/dev/null")) {}
  ~LoopDevice() {
    if (!path_.empty()) std::system(("losetup -d " + path_ + " 2>/dev/null").c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<DriveRecord> systemDrives() {
  SystemDriveFinder system;
  std::vector<DriveRecord> records;
  system.finder().findMediaMain(records, system.finder().volumeList());
  return records;
}

const DriveRecord* recordOf(const std::vector<DriveRecord>& records, const std::string& path) {
  for (const auto& record : records)
    if (record.text(k::kDevicePath) == path) return &record;
  return nullptr;
}

TEST(SystemDrives, ListsTheBlockDevicesOfThisMachine) {
  const auto records = systemDrives();
  // Every whole disk with a size shows, whether or not it can be opened.
  for (const auto& entry : SysfsBlockDeviceTree().blockDevices()) {
    // Loop devices come and go with other tests running beside this one.
    if (entry.partition || entry.sysName.starts_with("loop")) continue;
    std::ifstream size(entry.sysPath + "/size");
    uint64_t sectors = 0;
    if (!(size >> sectors) || sectors == 0) continue;
    const DriveRecord* record = recordOf(records, entry.devNode);
    ASSERT_NE(record, nullptr) << entry.devNode;
    EXPECT_EQ(record->number(k::kDeviceSize), sectors * 512) << entry.devNode;
    EXPECT_TRUE(record->has(k::kPreferredBlockSize)) << entry.devNode;
  }
}

TEST(SystemDrives, LoopDeviceWith4096ByteSectors) {
  test::TempDir dir;
  test::TestImage image(dir.file("card.img"), 8 << 20);
  const auto start = test::randomBytes(5 * 4096, 11);
  image.put(0, start);
  LoopDevice loop(image.path(), 4096);
  if (loop.path().empty()) GTEST_SKIP() << "losetup is not permitted here";

  const auto records = systemDrives();
  const DriveRecord* record = recordOf(records, loop.path());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->number(k::kPreferredBlockSize), 4096u);
  EXPECT_EQ(record->number(k::kDeviceSize), uint64_t{8} << 20);
  EXPECT_FALSE(record->has(k::kWhetherVolume));

  const auto identities = retriveAllDriveDetails({*record}, readFirstFiveSectors);
  ASSERT_EQ(identities.size(), 1u);
  EXPECT_EQ(identities[0].bytesInSector, 4096u);
  EXPECT_EQ(identities[0].first5Sectors, start);
}

}  // namespace
}  // namespace salvonix
