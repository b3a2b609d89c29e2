// Split raw and E01 images made from one sample image by split and
// ewfacquire: the same files, byte for byte, as the raw image; parts that
// are missing or cut short; damaged E01 segments read as read errors; the
// DFXML report of a scan.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <regex>

#include "checkers/ScanAndSave.h"
#include "scan/Device.h"
#include "support/ChildProcess.h"

namespace salvonix::test {
namespace {

constexpr uint64_t kImageBytes = 3 << 20;
constexpr uint64_t kPartBytes = 1000001;  // not a whole number of sectors: files straddle the cuts

class ImageSources : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string tool : {"ewfacquire", "split", "convert"})
      if (!commandSucceeds("command -v " + tool)) GTEST_SKIP() << tool << " is not installed";
    TestImage image(raw, kImageBytes);
    image.put(0, randomBytes(kImageBytes, 5));
    // Photos across each cut between parts and E01 segments, and a small one near the end.
    for (uint64_t sector : {1930u, 3880u, 3960u, 5830u, 5930u, 6100u}) {
      const std::string photo = dir.file(std::to_string(sector) + ".jpg");
      ASSERT_TRUE(commandSucceeds("convert -seed " + std::to_string(sector) + " -size " +
                                  (sector == 6100 ? "120x90" : "320x240") + " plasma: -quality 90 '" + photo + "'"));
      jpegs.push_back(readFile(photo));
      image.putAtSector(sector, jpegs.back());
    }
  }

  // ewfacquire without questions, in 1 MiB segments (four for this image).
  std::string makeE01(const std::string& name, const std::string& options = "") const {
    const std::string target = dir.file(name);
    const bool made = commandSucceeds("ewfacquire -u -q -C case -D sample -e tester -E 1 -N none -c none -S 1048576 " +
                                      options + " -t '" + target + "' '" + raw + "'");
    EXPECT_TRUE(made) << "ewfacquire failed";
    return target + ".E01";
  }
  std::string splitRaw() const {
    EXPECT_TRUE(commandSucceeds("split -b " + std::to_string(kPartBytes) + " -a 3 --numeric-suffixes=1 '" + raw +
                                "' '" + dir.file("card.") + "'"));
    return dir.file("card.001");
  }

  TempDir dir;
  std::string raw = dir.file("card.img");
  std::vector<Bytes> jpegs;
};

TEST_F(ImageSources, SplitAndE01ImagesGiveTheFilesOfTheRawImage) {
  const std::string e01 = makeE01("card"), split = splitRaw();
  const SavedScan fromRaw = scanAndSave(raw, {FileType::Jpg}, dir.file("raw-out"));
  ASSERT_EQ(fromRaw.found.size(), jpegs.size());
  for (std::size_t i = 0; i < jpegs.size(); ++i) {
    const Bytes& saved = fromRaw.saved.at("JPG Files/" + fromRaw.found[i].name);
    ASSERT_GE(saved.size(), jpegs[i].size());
    EXPECT_TRUE(std::equal(jpegs[i].begin(), jpegs[i].end(), saved.begin())) << i;
  }
  for (const std::string& source : {split, e01}) {
    SCOPED_TRACE(source);
    const SavedScan scan = scanAndSave(source, {FileType::Jpg}, dir.file(source + "-out"));
    EXPECT_TRUE(scan.alerts.empty());
    ASSERT_EQ(scan.found.size(), fromRaw.found.size());
    for (std::size_t i = 0; i < scan.found.size(); ++i) {
      EXPECT_EQ(scan.found[i].sector, fromRaw.found[i].sector);
      EXPECT_EQ(scan.found[i].size, fromRaw.found[i].size);
    }
    EXPECT_EQ(scan.saved, fromRaw.saved);
  }

  const auto splitDevice = Device::open(split), e01Device = Device::open(e01);
  ASSERT_TRUE(splitDevice && e01Device);
  EXPECT_EQ(splitDevice->kind(), DeviceKind::SplitRawImage);
  EXPECT_EQ(splitDevice->fileCount(), 4u);
  EXPECT_EQ(e01Device->kind(), DeviceKind::E01Image);
  EXPECT_EQ(e01Device->fileCount(), 4u);
  EXPECT_EQ(e01Device->sizeInBytes(), kImageBytes);
  EXPECT_EQ(e01Device->logicalBlockSize(), 512u);
  // The sector size is the one the image records.
  const auto bigSectors = Device::open(makeE01("big", "-P 4096"));
  ASSERT_TRUE(bigSectors);
  EXPECT_EQ(bigSectors->logicalBlockSize(), 4096u);
}

TEST_F(ImageSources, SplitImageRefusesAMissingOrShortPartBeforeTheLast) {
  const std::string first = splitRaw();
  std::string reason;
  ASSERT_EQ(truncate(dir.file("card.004").c_str(), 1000), 0);
  const auto shortLast = Device::open(first, &reason);
  ASSERT_TRUE(shortLast) << reason;
  EXPECT_EQ(shortLast->sizeInBytes(), 3 * kPartBytes + 1000);
  Bytes tail(5000), expected(4000);
  EXPECT_EQ(shortLast->readAt(3 * kPartBytes - 3000, tail.data(), tail.size()), 4000);
  Device::open(raw)->readAt(3 * kPartBytes - 3000, expected.data(), expected.size());
  EXPECT_EQ(Bytes(tail.begin(), tail.begin() + 4000), expected);

  ASSERT_EQ(truncate(dir.file("card.002").c_str(), kPartBytes - 512), 0);
  EXPECT_FALSE(Device::open(first, &reason));
  EXPECT_NE(reason.find("card.002 has"), std::string::npos) << reason;

  std::filesystem::remove(dir.file("card.002"));
  EXPECT_FALSE(Device::open(first, &reason));
  EXPECT_NE(reason.find("card.002 is missing"), std::string::npos) << reason;
}

// A last segment cut short: the chunks it no longer holds fail every read
// that touches them, again when read a second time; the rest reads as the raw image.
TEST_F(ImageSources, TruncatedLastE01SegmentFailsOnlyTheMissingChunks) {
  const std::string e01 = makeE01("card");
  const std::string last = dir.file("card.E04");
  ASSERT_EQ(truncate(last.c_str(), static_cast<off_t>(std::filesystem::file_size(last) / 2)), 0);
  std::string reason;
  const auto device = Device::open(e01, &reason);
  ASSERT_TRUE(device) << reason;
  const auto rawDevice = Device::open(raw);
  constexpr std::size_t kChunk = 64 * 512;  // ewfacquire's chunk
  Bytes got(kChunk), expected(kChunk);
  uint64_t firstFailure = kImageBytes;
  for (int pass = 0; pass < 2; ++pass) {
    for (uint64_t offset = 0; offset < kImageBytes; offset += kChunk) {
      if (device->readAt(offset, got.data(), kChunk) < 0) {
        firstFailure = std::min(firstFailure, offset);
        continue;
      }
      rawDevice->readAt(offset, expected.data(), kChunk);
      ASSERT_EQ(got, expected) << "wrong bytes at " << offset;
      EXPECT_LT(offset, firstFailure) << "a chunk after a missing one read";
    }
  }
  EXPECT_GT(firstFailure, kImageBytes - 200 * 1024) << "chunks the last segment still holds failed";
  EXPECT_LT(firstFailure, kImageBytes) << "no read failed";
  // A read from a good chunk into a missing one fails as a whole.
  Bytes across(2 * kChunk);
  EXPECT_EQ(device->readAt(firstFailure - kChunk, across.data(), across.size()), -EIO);
  EXPECT_EQ(device->readAt(firstFailure - kChunk, across.data(), kChunk), static_cast<int64_t>(kChunk));
}

// The report names the E01 image and points, run by run, at the photos laid
// into the raw image it was made from.
TEST_F(ImageSources, DfxmlReportPointsAtTheFilesAndMeetsTheSchema) {
  const std::string e01 = makeE01("card"), report = dir.file("report.dfxml");
  const RunResult run = runProgram({SALVONIX_BINARY, "scan", e01, "--types", "jpg", "--dfxml", report}, dir.path());
  ASSERT_EQ(run.status.code, 0) << run.err;
  EXPECT_NE(run.err.find("Opened E01 image " + e01 + " (4 segments, 512-byte sectors, 3.00 MB)"), std::string::npos)
      << run.err;
  const std::string xml = readText(report);
  EXPECT_NE(xml.find("<salvonix:image_kind>E01 image</salvonix:image_kind>"), std::string::npos);
  EXPECT_NE(xml.find("--dfxml"), std::string::npos) << "no command line";

  const std::regex runPattern(R"re(<byte_run file_offset="0" img_offset="(\d+)" len="(\d+)"/>)re");
  const auto rawDevice = Device::open(raw);
  std::size_t runs = 0;
  for (auto match = std::sregex_iterator(xml.begin(), xml.end(), runPattern); match != std::sregex_iterator();
       ++match) {
    const uint64_t offset = std::stoull((*match)[1]), length = std::stoull((*match)[2]);
    const Bytes& photo = jpegs.at(runs++);
    ASSERT_GE(length, photo.size());
    Bytes there(photo.size());
    rawDevice->readAt(offset, there.data(), there.size());
    EXPECT_EQ(there, photo) << "the run at " << offset << " holds other bytes";
  }
  EXPECT_EQ(runs, jpegs.size());

  const std::string schema = std::string(SALVONIX_SOURCE_DIR) + "/../shared/dfxml/dfxml.xsd";
  if (!std::filesystem::exists(schema) || !commandSucceeds("command -v xmllint"))
    GTEST_SKIP() << "not checked against the DFXML schema: " << schema << " or xmllint (libxml2-utils) is missing";
  EXPECT_TRUE(commandSucceeds("xmllint --noout --schema '" + schema + "' '" + report + "'"))
      << "the report does not meet the DFXML schema:\n" << xml;
}

}  // namespace
}  // namespace salvonix::test
