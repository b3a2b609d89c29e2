// The salvonix binary end to end: files made by real encoders (ImageMagick,
// sox) laid on a disk image between random data, scanned, saved and compared
// with the originals; the JSON result; bad input; and Ctrl-C.

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include <nlohmann/json.hpp>

#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;

const std::string kSalvonix = SALVONIX_BINARY;
constexpr uint64_t kSector = 512;
constexpr uint64_t kLargeImageSize = 64ull << 30;  // sparse; takes long enough to scan that Ctrl-C comes first

bool haveEncoders() { return commandSucceeds("command -v convert") && commandSucceeds("command -v sox"); }

// Runs an encoder command in which "OUT" stands for the output file; returns the file (empty on failure).
Bytes encode(const TempDir& dir, const std::string& name, std::string command) {
  const std::string path = dir.file(name);
  command.replace(command.find("OUT"), 3, "'" + path + "'");
  if (!commandSucceeds(command)) return {};
  return readFile(path);
}

uint64_t alignUp(uint64_t value, uint64_t step) { return (value + step - 1) / step * step; }

uint32_t le32At(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// Random sectors whose first byte is 'Z': no signature can begin there by
// chance, not even a short one such as an MPEG audio frame sync.
Bytes fillerSectors(uint64_t bytes, uint32_t seed) {
  Bytes filler = randomBytes(bytes, seed);
  for (uint64_t at = 0; at < bytes; at += kSector) filler[at] = 'Z';
  return filler;
}

struct Sample {
  std::string key;
  std::string folder;
  std::string name;
  Bytes bytes;
  uint64_t offset = 0;
  uint64_t recoveredSize = 0;  // what the checker's size rule gives
};

// An image whose first head.size() bytes are random filler with the samples
// laid on it at 4,096-byte boundaries; the rest reads as zeros.
struct SampleImage {
  std::string path;
  Bytes head;
  std::vector<Sample> samples;
};

SampleImage makeSampleImage(const TempDir& dir, uint64_t imageSize) {
  std::vector<Sample> samples = {
      {"jpg", "JPG Files", "file1.jpg",
       encode(dir, "photo.jpg", "convert -seed 7 -size 500x400 plasma: -quality 90 OUT")},
      {"bmp", "BMP Files", "file1.bmp", encode(dir, "bitmap.bmp", "convert -size 120x90 gradient:red-blue BMP3:OUT")},
      {"wav", "WAV Files", "file1.wav",
       encode(dir, "tone.wav", "sox -R -n -r 8000 -c 1 -b 16 OUT synth 1.5 sine 440 gain -3")},
      {"jpg", "JPG Files", "file2.jpg",
       encode(dir, "small.jpg", "convert -size 64x48 gradient:white-black -quality 80 OUT")},
  };
  uint64_t offset = 3 * 4096;
  for (auto& sample : samples) {
    if (sample.bytes.size() < 64) throw std::runtime_error("the encoder made no " + sample.name);
    sample.offset = offset;
    if (sample.key == "jpg") {
      // The checker ends a JPEG 512 bytes past its end-of-image marker.
      const std::size_t n = sample.bytes.size();
      if (sample.bytes[n - 2] != 0xFF || sample.bytes[n - 1] != 0xD9) throw std::runtime_error("no EOI at the end");
      sample.recoveredSize = n + 512;
    } else if (sample.key == "bmp") {
      sample.recoveredSize = le32At(sample.bytes, 2);  // the file-size field
    } else {
      sample.recoveredSize = le32At(sample.bytes, 4) + 8ull;  // RIFF chunk size + its header
    }
    offset = alignUp(offset + sample.recoveredSize + 9000, 4096);
  }

  SampleImage image{dir.file("card.img"), fillerSectors(offset, 2024), samples};
  for (const auto& sample : samples)
    std::copy(sample.bytes.begin(), sample.bytes.end(), image.head.begin() + static_cast<std::ptrdiff_t>(sample.offset));
  TestImage(image.path, imageSize).put(0, image.head);
  return image;
}

std::vector<std::string> scanArguments(const std::string& image, std::vector<std::string> options) {
  std::vector<std::string> argv = {kSalvonix, "scan", image};
  argv.insert(argv.end(), options.begin(), options.end());
  return argv;
}

nlohmann::json readJson(const std::string& path) { return nlohmann::json::parse(readText(path)); }

const nlohmann::json* entryAt(const nlohmann::json& result, uint64_t startSector) {
  for (const auto& file : result.at("files"))
    if (file.at("startSector").get<uint64_t>() == startSector) return &file;
  return nullptr;
}

// Every sample is in the JSON result at its sector with the checker's size,
// and, when saved, its recovered file begins with the original bytes and
// continues with the bytes that followed it on the image.
void expectSamplesRecovered(const SampleImage& image, const nlohmann::json& result, uint32_t sectorSize,
                            const std::string& outDirectory) {
  for (const auto& sample : image.samples) {
    SCOPED_TRACE(sample.name);
    const nlohmann::json* entry = entryAt(result, sample.offset / sectorSize);
    ASSERT_NE(entry, nullptr) << "not found at sector " << sample.offset / sectorSize;
    EXPECT_EQ(entry->at("type"), sample.key);
    EXPECT_EQ(entry->at("folder"), sample.folder);
    EXPECT_EQ(entry->at("name"), sample.name);
    EXPECT_EQ(entry->at("byteOffset"), sample.offset);
    EXPECT_EQ(entry->at("size"), sample.recoveredSize);
    EXPECT_EQ(entry->at("leadingOffset"), 0);
    if (outDirectory.empty()) continue;

    const Bytes recovered = readFile(outDirectory + "/ROOT/" + sample.folder + "/" + sample.name);
    ASSERT_EQ(recovered.size(), sample.recoveredSize);
    const auto begin = image.head.begin() + static_cast<std::ptrdiff_t>(sample.offset);
    EXPECT_TRUE(std::equal(sample.bytes.begin(), sample.bytes.end(), recovered.begin())) << "original bytes differ";
    EXPECT_TRUE(std::equal(recovered.begin(), recovered.end(), begin)) << "bytes after the original differ";
  }
}

std::size_t filesInFolder(const nlohmann::json& result, const std::string& folder) {
  std::size_t count = 0;
  for (const auto& file : result.at("files")) count += file.at("folder") == folder;
  return count;
}

TEST(EndToEndTest, RecoversRealFilesLaidBetweenRandomData) {
  if (!haveEncoders()) GTEST_SKIP() << "ImageMagick (convert) or sox is not installed";
  TempDir dir;
  const SampleImage image = makeSampleImage(dir, 8 << 20);
  const std::string out = dir.file("recovered");
  const std::string json = dir.file("result.json");

  const RunResult run = runProgram(scanArguments(image.path, {"--out", out, "--json", json}), dir.path());
  ASSERT_FALSE(run.timedOut);
  ASSERT_FALSE(run.status.signalled) << run.err;
  ASSERT_EQ(run.status.code, 0) << run.err;

  const nlohmann::json result = readJson(json);
  EXPECT_EQ(result.at("source"), image.path);
  EXPECT_EQ(result.at("sourceSize"), 8 << 20);
  EXPECT_EQ(result.at("sectorSize"), 512);
  EXPECT_EQ(result.at("stopped"), false);
  expectSamplesRecovered(image, result, 512, out);
  // Nothing else of these types: the filler cannot hold a signature.
  EXPECT_EQ(filesInFolder(result, "JPG Files"), 2u);
  EXPECT_EQ(filesInFolder(result, "BMP Files"), 1u);
  EXPECT_EQ(filesInFolder(result, "WAV Files"), 1u);
  for (const auto& sample : image.samples) EXPECT_NE(run.out.find(sample.name), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("JPG Files"), std::string::npos) << run.out;

  // With 4,096-byte sectors the same files sit at an eighth of the sector numbers.
  const std::string json4k = dir.file("result-4096.json");
  const RunResult run4k = runProgram(scanArguments(image.path, {"--sector-size", "4096", "--json", json4k}), dir.path());
  ASSERT_FALSE(run4k.status.signalled);
  ASSERT_EQ(run4k.status.code, 0) << run4k.err;
  const nlohmann::json result4k = readJson(json4k);
  EXPECT_EQ(result4k.at("sectorSize"), 4096);
  expectSamplesRecovered(image, result4k, 4096, "");
}

TEST(EndToEndTest, BadInputIsRefusedWithAClearMessage) {
  TempDir dir;
  TestImage image(dir.file("disk.img"), 1 << 20);
  const std::string regularFile = dir.file("plain-file");
  TestImage(regularFile, 10);

  struct Case {
    std::vector<std::string> argv;
    std::string messagePart;
  };
  const std::vector<Case> cases = {
      {scanArguments(dir.file("no-such.img"), {}), "no-such.img"},
      {scanArguments(image.path(), {"--sector-size", "1000"}), "sector size 1000"},
      {scanArguments(image.path(), {"--types", "jpg,foo"}), "foo"},
      {scanArguments(image.path(), {"--group", "pictures"}), "pictures"},
      {scanArguments(image.path(), {"--out", regularFile + "/saved"}), regularFile},
      {scanArguments(image.path(), {"--json", regularFile + "/result.json"}), regularFile},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.argv.back());
    const RunResult run = runProgram(testCase.argv, dir.path(), 60s);
    ASSERT_FALSE(run.timedOut);
    EXPECT_FALSE(run.status.signalled);
    EXPECT_NE(run.status.code, 0);
    EXPECT_NE(run.err.find(testCase.messagePart), std::string::npos) << run.err;
  }
}

TEST(EndToEndTest, CtrlCStopsTheScanAndKeepsWhatWasFound) {
  if (!haveEncoders()) GTEST_SKIP() << "ImageMagick (convert) or sox is not installed";
  TempDir dir;
  const SampleImage image = makeSampleImage(dir, kLargeImageSize);
  const std::string out = dir.file("recovered");
  const std::string json = dir.file("result.json");

  ChildProcess scan(scanArguments(image.path, {"--out", out, "--json", json}), dir.file("scan.out"),
                    dir.file("scan.err"));
  ASSERT_TRUE(waitForText(dir.file("scan.err"), "Scanning ", 30s)) << readText(dir.file("scan.err"));
  std::this_thread::sleep_for(300ms);
  scan.signal(SIGINT);
  const auto status = scan.wait(120s);
  const std::string err = readText(dir.file("scan.err"));
  const std::string listing = readText(dir.file("scan.out"));
  ASSERT_TRUE(status) << "still running after Ctrl-C: " << err;
  EXPECT_FALSE(status->signalled) << err;
  EXPECT_EQ(status->code, 130) << err;

  for (const auto& sample : image.samples) EXPECT_NE(listing.find(sample.name), std::string::npos) << listing;
  const nlohmann::json result = readJson(json);
  EXPECT_EQ(result.at("stopped"), true);
  expectSamplesRecovered(image, result, 512, out);
  const auto lastSector = listing.find("number of the sectors is ");
  ASSERT_NE(lastSector, std::string::npos) << listing;
  EXPECT_LT(std::stoull(listing.substr(lastSector + 25)), kLargeImageSize / kSector) << "the scan was not stopped";
}

TEST(EndToEndTest, ASecondCtrlCQuitsAtOnce) {
  TempDir dir;
  // Thousands of small bitmaps: after the first Ctrl-C the program has a lot to list and save.
  constexpr uint64_t kBitmaps = 10000;
  Bytes head(kBitmaps * kSector, 0);
  for (uint64_t i = 0; i < kBitmaps; ++i) {
    head[i * kSector] = 'B';
    head[i * kSector + 1] = 'M';
    putLE32(head, i * kSector + 2, kSector);
  }
  TestImage image(dir.file("many.img"), kLargeImageSize);
  image.put(0, head);
  const std::string out = dir.file("recovered");

  ChildProcess scan(scanArguments(image.path(), {"--types", "bmp", "--out", out, "--json", dir.file("result.json")}),
                    dir.file("scan.out"), dir.file("scan.err"));
  ASSERT_TRUE(waitForText(dir.file("scan.err"), "Scanning ", 30s)) << readText(dir.file("scan.err"));
  std::this_thread::sleep_for(300ms);
  scan.signal(SIGINT);
  ASSERT_TRUE(waitForText(dir.file("scan.err"), "Ctrl-C again", 30s)) << readText(dir.file("scan.err"));
  scan.signal(SIGINT);
  const auto status = scan.wait(30s);
  const std::string err = readText(dir.file("scan.err"));
  ASSERT_TRUE(status) << "still running after the second Ctrl-C: " << err;
  EXPECT_FALSE(status->signalled) << err;
  EXPECT_EQ(status->code, 130) << err;
  // It quit in the middle: neither the end of the save nor the orderly stop of a save was reached.
  EXPECT_EQ(err.find("Files saved below"), std::string::npos) << err;
  EXPECT_EQ(err.find("saving stopped"), std::string::npos) << err;
}

}  // namespace
}  // namespace salvonix::test
