// The salvonix binary end to end: files made by real encoders (ImageMagick,
// sox) laid between random data, scanned, saved and compared with the
// originals; the JSON result; bad input; and Ctrl-C.

#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <nlohmann/json.hpp>
#include <thread>

#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;

constexpr uint64_t kLargeImageSize = 64ull << 30;  // sparse; scanning it takes long enough for Ctrl-C to come first

// Files from real encoders laid at 4,096-byte boundaries on random sectors whose first byte is 'Z' (no signature, not
// even an MPEG frame sync, begins there by chance); each is found with its checker's size and saved with the original
// bytes followed by those that came after it on the image.
TEST(EndToEndTest, RecoversRealFilesLaidBetweenRandomData) {
  if (!commandSucceeds("command -v convert") || !commandSucceeds("command -v sox"))
    GTEST_SKIP() << "ImageMagick (convert) or sox is not installed";
  TempDir dir;
  struct Sample {
    std::string key, folder, name;
    Bytes bytes;
    uint64_t offset, size;
  };
  std::vector<Sample> samples;
  uint64_t offset = 3 * 4096;
  for (auto [key, folder, name, command] : std::vector<std::array<std::string, 4>>{
           {"jpg", "JPG Files", "file1.jpg", "convert -seed 7 -size 500x400 plasma: -quality 90 OUT"},
           {"bmp", "BMP Files", "file1.bmp", "convert -size 120x90 gradient:red-blue BMP3:OUT"},
           {"wav", "WAV Files", "file1.wav", "sox -R -n -r 8000 -c 1 -b 16 OUT synth 1.5 sine 440 gain -3"},
           {"jpg", "JPG Files", "file2.jpg", "convert -size 64x48 gradient:white-black -quality 80 OUT"}}) {
    ASSERT_TRUE(commandSucceeds(command.replace(command.find("OUT"), 3, "'" + dir.file(name) + "'"))) << command;
    const Bytes b = readFile(dir.file(name));
    ASSERT_GE(b.size(), 64u) << command;
    ASSERT_TRUE(key != "jpg" || (b[b.size() - 2] == 0xFF && b.back() == 0xD9)) << "no end-of-image marker at the end";
    const auto le32 = [&b](std::size_t at) {
      return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
    };
    // A JPEG ends 512 bytes past its end-of-image marker; BMP and WAV by their file-size fields.
    const uint64_t size = key == "jpg" ? b.size() + 512 : key == "bmp" ? le32(2) : le32(4) + 8ull;
    samples.push_back({key, folder, name, b, offset, size});
    offset = (offset + size + 9000 + 4095) / 4096 * 4096;
  }
  Bytes head = randomBytes(offset, 2024);
  for (uint64_t at = 0; at < offset; at += 512) head[at] = 'Z';
  for (const auto& s : samples) std::copy(s.bytes.begin(), s.bytes.end(), head.begin() + s.offset);
  const std::string image = dir.file("card.img");
  TestImage(image, 8 << 20).put(0, head);

  for (const uint64_t sectorSize : {512, 4096}) {  // 512 is the default for an image file
    SCOPED_TRACE(sectorSize);
    const std::string out = dir.file("recovered" + std::to_string(sectorSize)), json = dir.file("result.json");
    std::vector<std::string> argv = {SALVONIX_BINARY, "scan", image, "--out", out, "--json", json};
    if (sectorSize != 512) argv.insert(argv.end(), {"--sector-size", std::to_string(sectorSize)});
    const RunResult run = runProgram(argv, dir.path());
    ASSERT_EQ(run.status.code, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(readText(json));
    EXPECT_EQ(result.at("source"), image);
    EXPECT_EQ(result.at("sourceSize"), 8 << 20);
    EXPECT_EQ(result.at("sectorSize"), sectorSize);
    EXPECT_EQ(result.at("stopped"), false);
    EXPECT_EQ(result.at("files").size(), samples.size()) << "found something in the filler";
    EXPECT_NE(run.out.find("JPG Files"), std::string::npos) << run.out;
    for (const auto& sample : samples) {
      SCOPED_TRACE(sample.name);
      EXPECT_NE(run.out.find(sample.name), std::string::npos) << run.out;
      const auto& files = result.at("files");
      const auto entry = std::find_if(files.begin(), files.end(), [&](const nlohmann::json& file) {
        return file.at("startSector") == sample.offset / sectorSize;
      });
      ASSERT_NE(entry, files.end()) << "not found at sector " << sample.offset / sectorSize;
      EXPECT_EQ(entry->at("type"), sample.key);
      EXPECT_EQ(entry->at("folder"), sample.folder);
      EXPECT_EQ(entry->at("name"), sample.name);
      EXPECT_EQ(entry->at("byteOffset"), sample.offset);
      EXPECT_EQ(entry->at("size"), sample.size);
      EXPECT_EQ(entry->at("leadingOffset"), 0);
      const Bytes recovered = readFile(out + "/ROOT/" + sample.folder + "/" + sample.name);
      ASSERT_EQ(recovered.size(), sample.size);
      // The image holds the original bytes at the offset, and then those that followed them.
      EXPECT_TRUE(std::equal(recovered.begin(), recovered.end(), head.begin() + sample.offset)) << "bytes differ";
    }
  }
}

TEST(EndToEndTest, BadInputIsRefusedWithAClearMessage) {
  TempDir dir;
  const std::string image = TestImage(dir.file("disk.img"), 1 << 20).path(), plainFile = dir.file("plain-file");
  TestImage(plainFile, 10);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{dir.file("no-such.img")}, "no-such.img"},
      {{image, "--sector-size", "1000"}, "sector size 1000"},
      {{image, "--types", "jpg,foo"}, "foo"},
      {{image, "--group", "pictures"}, "pictures"},
      {{image, "--out", plainFile + "/saved"}, plainFile},
      {{image, "--json", plainFile + "/result.json"}, plainFile},
  };
  for (const auto& [arguments, messagePart] : cases) {
    SCOPED_TRACE(arguments.back());
    std::vector<std::string> argv = {SALVONIX_BINARY, "scan"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const RunResult run = runProgram(argv, dir.path());
    EXPECT_FALSE(run.status.signalled);
    EXPECT_NE(run.status.code, 0);
    EXPECT_NE(run.err.find(messagePart), std::string::npos) << run.err;
  }
}

// The first Ctrl-C stops the scan as "Yes, stop" does: what was found is kept, listed and saved. A second one, given
// while there is much to list and save, quits at once.
TEST(EndToEndTest, CtrlCStopsTheScanKeepingWhatWasFoundAndASecondQuitsAtOnce) {
  TempDir dir;
  Bytes head(10000 * 512, 0);  // ten thousand small bitmaps
  for (std::size_t at = 0; at < head.size(); at += 512) {
    head[at] = 'B';
    head[at + 1] = 'M';
    putLE32(head, at + 2, 512);
  }
  TestImage image(dir.file("many.img"), kLargeImageSize);
  image.put(0, head);
  for (const int presses : {1, 2}) {
    SCOPED_TRACE(presses);
    const std::string out = dir.file("recovered" + std::to_string(presses)), json = dir.file("result.json");
    ChildProcess scan({SALVONIX_BINARY, "scan", image.path(), "--types", "bmp", "--out", out, "--json", json},
                      dir.file("scan.out"), dir.file("scan.err"));
    ASSERT_TRUE(waitForText(dir.file("scan.err"), "Scanning ", 30s)) << readText(dir.file("scan.err"));
    std::this_thread::sleep_for(300ms);
    scan.signal(SIGINT);
    if (presses == 2) {
      ASSERT_TRUE(waitForText(dir.file("scan.err"), "Ctrl-C again", 30s)) << readText(dir.file("scan.err"));
      scan.signal(SIGINT);
    }
    const auto status = scan.wait(120s);
    const std::string err = readText(dir.file("scan.err")), listing = readText(dir.file("scan.out"));
    ASSERT_TRUE(status) << "still running after Ctrl-C: " << err;
    EXPECT_EQ(status->code, 130) << err;
    if (presses == 2) {  // it quit in the middle: neither the end of the save nor the orderly stop of a save came
      EXPECT_EQ(err.find("Files saved below"), std::string::npos) << err;
      EXPECT_EQ(err.find("saving stopped"), std::string::npos) << err;
      continue;
    }
    EXPECT_NE(err.find("Files saved below"), std::string::npos) << err;
    const nlohmann::json result = nlohmann::json::parse(readText(json));
    EXPECT_EQ(result.at("stopped"), true);
    EXPECT_EQ(result.at("files").size(), 10000u);
    EXPECT_NE(listing.find("file10000.bmp"), std::string::npos) << listing;
    EXPECT_EQ(readFile(out + "/ROOT/BMP Files/file10000.bmp"), Bytes(head.end() - 512, head.end()));
    const auto lastSector = listing.find("number of the sectors is ");
    ASSERT_NE(lastSector, std::string::npos) << listing;
    EXPECT_LT(std::stoull(listing.substr(lastSector + 25)), kLargeImageSize / 512) << "the scan was not stopped";
  }
}

}  // namespace
}  // namespace salvonix::test
