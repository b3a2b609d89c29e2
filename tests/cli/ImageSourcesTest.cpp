// Sources other than a plain image file: split raw and E01 images (split, ewfacquire)
// of one image, and a card with unreadable spots read through the kernel (nbdkit
// answers EIO for chosen ranges, nbdfuse shows it as a file).

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "checkers/ScanAndSave.h"
#include "scan/Device.h"
#include "support/SalvonixRun.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;

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

TEST_F(ImageSources, SplitAndE01ImagesGiveTheFilesOfTheRawImageAndTheDfxmlReportPointsAtThem) {
  const std::string e01 = makeE01("card"), split = splitRaw();
  const SavedScan fromRaw = scanAndSave(raw, {FileType::Jpg}, dir.file("raw-out"));
  ASSERT_EQ(fromRaw.found.size(), jpegs.size());  // where they lie: the report below
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
  EXPECT_EQ(std::tuple(splitDevice->kind(), splitDevice->fileCount()), std::tuple(DeviceKind::SplitRawImage, 4u));
  const Device& e = *e01Device;
  EXPECT_EQ(std::tuple(e.kind(), e.fileCount(), e.sizeInBytes(), e.logicalBlockSize()),
            std::tuple(DeviceKind::E01Image, 4u, kImageBytes, 512u));
  // The sector size is the one the image records.
  const auto bigSectors = Device::open(makeE01("big", "-P 4096"));
  ASSERT_TRUE(bigSectors);
  EXPECT_EQ(bigSectors->logicalBlockSize(), 4096u);

  // The report of the E01 scan names the image and points, run by run, at the photos laid into the raw image.
  const std::string report = dir.file("report.dfxml");
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

struct BadRange {
  uint64_t offset, length;
};

// An nbdkit sh plugin: the image's bytes, EIO for any request that touches a bad range.
std::string pluginScript(const std::string& image, const std::vector<BadRange>& bad) {
  std::string ranges;
  for (const auto& range : bad) ranges += fmt::format(" \"{} {}\"", range.offset, range.offset + range.length);
  return fmt::format(R"(#!/bin/sh
image='{}'
case "$1" in
  get_size) stat -L -c %s "$image" ;;
  pread)
    count=$3 offset=$4
    for range in{}; do
      set -- $range
      if [ "$offset" -lt "$2" ] && [ $((offset + count)) -gt "$1" ]; then echo EIO >&2; exit 1; fi
    done
    exec dd if="$image" skip="$offset" count="$count" iflag=skip_bytes,count_bytes status=none ;;
  *) exit 2 ;;
esac
)",
                     image, ranges);
}

// nbdfuse in the foreground; unmounted when this ends, however the test ends.
class FuseMount {
 public:
  FuseMount(const TempDir& dir, const std::string& script)
      : mountpoint_(dir.file("mnt")),
        nbdfuse_((std::filesystem::create_directory(mountpoint_),
                  std::vector<std::string>{"/usr/bin/nbdfuse", "-r", mountpoint_ + "/card.img", "--command", "nbdkit",
                                           "-s", "sh", script}),
                 dir.file("nbdfuse.out"), dir.file("nbdfuse.err")) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!std::filesystem::exists(file()) && std::chrono::steady_clock::now() < deadline && !nbdfuse_.wait(50ms)) {}
  }
  ~FuseMount() {
    commandSucceeds("fusermount3 -u -z '" + mountpoint_ + "'");
    nbdfuse_.wait(5s);
  }
  std::string file() const { return mountpoint_ + "/card.img"; }
  bool mounted() const { return std::filesystem::exists(file()); }

 private:
  std::string mountpoint_;
  ChildProcess nbdfuse_;
};

TEST(UnreadableCardTest, ScanThroughTheKernelGoesOnPastBadRangesAndReportsThem) {
  for (const char* tool : {"nbdkit", "nbdfuse", "fusermount3", "convert", "sox"})
    if (!commandSucceeds(fmt::format("command -v {}", tool))) GTEST_SKIP() << tool << " is not installed";
  if (!std::filesystem::exists("/dev/fuse") || !commandSucceeds("nbdkit sh --version"))
    GTEST_SKIP() << "no /dev/fuse or no nbdkit sh plugin";
  TempDir dir;
  const EncodedCard card(dir, 3, 11);
  ASSERT_EQ(card.files.size(), 3u) << "an encoder failed";
  const auto& [samples, content] = card;
  // Whole pages, because the kernel reads the file a page at a time: one in
  // the filler after the JPEG (inside its checker's read window), two inside
  // the WAV's samples, and two whole scan windows near the end.
  const std::vector<BadRange> bad = {{(samples[0].offset + samples[0].bytes.size() + 512 + 4095) / 4096 * 4096, 4096},
                                     {samples[2].offset + 8192, 8192},
                                     {6 << 20, 128 << 10}};
  ASSERT_LT(bad[0].offset + 4096, samples[1].offset);
  const std::string image = dir.file("card.img");
  TestImage(image, content.size()).put(0, content);
  const std::string script = dir.file("bad.sh");
  std::ofstream(script) << pluginScript(image, bad);
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);

  FuseMount mount(dir, script);
  if (!mount.mounted()) GTEST_SKIP() << "nbdfuse could not mount: " << readText(dir.file("nbdfuse.err"));
  const std::string out = dir.file("out"), json = dir.file("result.json"), map = dir.file("card.map");
  const RunResult run = runProgram(
      {SALVONIX_BINARY, "scan", mount.file(), "--out", out, "--json", json, "--bad-sectors", map}, dir.path());
  EXPECT_EQ(run.status.code, 4) << run.err;
  EXPECT_NE(run.err.find("280 sectors could not be read, in 3 ranges"), std::string::npos) << run.err;

  const nlohmann::json result = nlohmann::json::parse(readText(json));
  nlohmann::json expectedRanges = nlohmann::json::array();
  for (const auto& range : bad) expectedRanges.push_back({{"sector", range.offset / 512}, {"count", range.length / 512}});
  EXPECT_EQ(result.at("unreadable"), expectedRanges);
  ASSERT_EQ(result.at("files").size(), samples.size());
  for (const auto& file : result.at("files")) {
    const std::string name = file.at("name");
    SCOPED_TRACE(name);
    const uint64_t at = file.at("byteOffset"), size = file.at("size");
    const bool wav = name == "file1.wav";
    EXPECT_EQ(file.at("incomplete"), wav);
    Bytes expected(content.begin() + static_cast<long>(at), content.begin() + static_cast<long>(at + size));
    if (wav) std::fill_n(expected.begin() + 8192, 8192, 0);
    EXPECT_EQ(readFile(out + "/ROOT/" + file.at("folder").get<std::string>() + "/" + name), expected);
  }
  EXPECT_NE(run.err.find("incomplete: " + out + "/ROOT/WAV Files/file1.wav: 16 unreadable sectors"), std::string::npos)
      << run.err;

  std::string expectedMap = "0x00800000     +               1\n";
  uint64_t at = 0;
  for (const auto& range : bad) {
    expectedMap += fmt::format("0x{:08X}  0x{:08X}  +\n0x{:08X}  0x{:08X}  -\n", at, range.offset - at, range.offset,
                               range.length);
    at = range.offset + range.length;
  }
  expectedMap += fmt::format("0x{:08X}  0x{:08X}  +\n", at, content.size() - at);
  std::istringstream lines(readText(map));
  std::string withoutComments;
  for (std::string line; std::getline(lines, line);)
    if (!line.starts_with("#")) withoutComments += line + "\n";
  EXPECT_EQ(withoutComments, expectedMap);
}

}  // namespace
}  // namespace salvonix::test
