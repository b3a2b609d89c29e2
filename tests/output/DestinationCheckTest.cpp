// A destination on the device being read is recognised, also before the
// folder exists; other places and image files are not refused.

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cstdio>
#include <filesystem>

#include "output/DestinationCheck.h"
#include "scan/Device.h"
#include "support/TestImage.h"

namespace salvonix {
namespace {

std::string run(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    if (pclose(pipe) != 0) return {};
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

TEST(DestinationCheck, ImageFilesAreNeverRefused) {
  test::TempDir dir;
  test::TestImage image(dir.file("card.img"), 1 << 20);
  auto device = Device::open(image.path());
  ASSERT_TRUE(device);
  EXPECT_FALSE(destinationOnDevice(dir.file("out"), *device));
}

TEST(DestinationCheck, FolderOnAMountedLoopDeviceIsRefused) {
  test::TempDir dir;
  test::TestImage image(dir.file("disk.img"), 32 << 20);
  const std::string loop = run("losetup -f --show " + image.path() + " 2>/dev/null");
  if (loop.empty()) GTEST_SKIP() << "no loop devices here";
  const std::string mountPoint = dir.file("mnt");
  std::filesystem::create_directory(mountPoint);
  const bool mounted = !run("mkfs.ext4 -q " + loop + " 2>&1 && echo ok").empty() &&
                       mount(loop.c_str(), mountPoint.c_str(), "ext4", 0, nullptr) == 0;
  if (mounted) {
    auto device = Device::open(loop);
    ASSERT_TRUE(device);
    EXPECT_TRUE(destinationOnDevice(mountPoint + "/recovered/deeper", *device));
    EXPECT_FALSE(destinationOnDevice(dir.file("elsewhere"), *device));
    umount(mountPoint.c_str());
  }
  run("losetup -d " + loop);
  if (!mounted) GTEST_SKIP() << "cannot mount a file system here";
}

}  // namespace
}  // namespace salvonix
