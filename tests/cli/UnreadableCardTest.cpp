// A card with unreadable spots, read through the kernel: nbdkit serves the
// image and answers EIO for chosen byte ranges, nbdfuse shows it as a file.
// The scan goes on past them, saves every file byte for byte (the one that
// covers a bad range with zeros there), lists the ranges in the JSON and the
// ddrescue mapfile, and exits 4.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;

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
  struct Sample {
    std::string folder, name;
    uint64_t offset, size;  // the size of the original file
  };
  std::vector<Sample> samples;
  Bytes content = randomBytes(8 << 20, 11);
  for (uint64_t at = 0; at < content.size(); at += 512) content[at] = 'Z';  // no signature starts by chance
  uint64_t offset = 3 * 4096;
  for (auto [folder, name, command] : std::vector<std::array<std::string, 3>>{
           {"JPG Files", "file1.jpg", "convert -seed 7 -size 500x400 plasma: -quality 90 OUT"},
           {"BMP Files", "file1.bmp", "convert -size 120x90 gradient:red-blue BMP3:OUT"},
           {"WAV Files", "file1.wav", "sox -R -n -r 8000 -c 1 -b 16 OUT synth 1.5 sine 440 gain -3"}}) {
    ASSERT_TRUE(commandSucceeds(command.replace(command.find("OUT"), 3, "'" + dir.file(name) + "'"))) << command;
    const Bytes bytes = readFile(dir.file(name));
    ASSERT_GE(bytes.size(), 64u);
    std::copy(bytes.begin(), bytes.end(), content.begin() + static_cast<long>(offset));
    samples.push_back({folder, name, offset, bytes.size()});
    offset = (offset + bytes.size() + 9000 + 4095) / 4096 * 4096;
  }
  // Whole pages, because the kernel reads the file a page at a time: one in
  // the filler after the JPEG (inside its checker's read window), two inside
  // the WAV's samples, and two whole scan windows near the end.
  const std::vector<BadRange> bad = {{(samples[0].offset + samples[0].size + 512 + 4095) / 4096 * 4096, 4096},
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
