// The salvonix binary end to end: files made by real encoders (ImageMagick,
// sox) laid between random data, scanned, saved and compared with the
// originals; the JSON result; bad input and the exit codes; what is said on
// which stream; never losing a scan or a recovery; and Ctrl-C.

#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "scan/FileTypes.h"
#include "support/SalvonixRun.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

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

// Refused before the scan starts, so that no long scan ends in a path that cannot be written.
TEST(EndToEndTest, BadInputIsRefusedBeforeTheScanWithAClearMessage) {
  TempDir dir;
  const std::string image = TestImage(dir.file("disk.img"), 1 << 20).path(), plainFile = dir.file("plain-file");
  TestImage(plainFile, 10);
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{dir.file("no-such.img")}, 1, "no-such.img"},
      {{image, "--sector-size", "1000"}, 2, "sector size of 1000 bytes is not supported"},
      {{image, "--sector-size", "8192"}, 2, "use 512, 1024, 2048 or 4096 (the scan reads 64 KiB plus one sector"},
      {{image, "--types", "jpg,foo"}, 2, "foo"},
      {{image, "--types", ""}, 2, "no file type given"},
      {{image, "--group", "pictures"}, 2, "pictures"},
      {{image, "--first-sector", "3000"}, 2, "sector 3000 lies beyond the end"},
      {{image, "--min-size", "2M", "--max-size", "1M"}, 2, "--min-size"},
      {{image, "--out", plainFile + "/saved"}, 2, plainFile},
      {{image, "--json", dir.file("no-such-dir/result.json")}, 2, "no-such-dir"},
      {{image, "--save-info", dir.file("no-such-dir/x.qsn")}, 2, "no-such-dir"},
      {{image, "--no-such-option"}, 2, "--no-such-option"},
  };
  for (const auto& [arguments, code, messagePart] : cases) {
    SCOPED_TRACE(arguments.back());
    std::vector<std::string> argv = {SALVONIX_BINARY, "scan"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const RunResult run = runProgram(argv, dir.path());
    EXPECT_FALSE(run.status.signalled);
    EXPECT_EQ(run.status.code, code);
    EXPECT_NE(run.err.find(messagePart), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Scanning"), std::string::npos) << run.err;
  }
}

// A result file that cannot be written when the scan ends (a full disk here) goes beside the saved files, and the
// files are saved all the same.
TEST(EndToEndTest, AResultThatCannotBeWrittenAtTheEndIsWrittenElsewhereAndTheFilesAreSaved) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  TempDir dir;
  Card card(dir);
  const RunResult run = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--out", "@out", "--json", "/dev/full"});
  EXPECT_EQ(run.status.code, 1) << run.err;
  EXPECT_NE(run.err.find("the JSON result is written at " + dir.file("out/full") + " instead"), std::string::npos)
      << run.err;
  EXPECT_EQ(nlohmann::json::parse(readText(dir.file("out/full"))).at("files").size(), 2u);
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);
}

TEST(EndToEndTest, ASecondRecoveryIntoTheSameFolderIsRefusedUnlessForced) {
  TempDir dir;
  Card card(dir);
  ASSERT_EQ(salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--out", "@out"}).status.code, 0);
  std::fstream(dir.file("card.img"), std::ios::in | std::ios::out | std::ios::binary).seekp(170000).put('X');
  const RunResult again = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--out", "@out"});
  EXPECT_EQ(again.status.code, 2);
  EXPECT_NE(again.err.find("salvonix: " + dir.file("out") + " already holds a recovery (" + dir.file("out/ROOT") +
                           "); choose another --out folder, or add --force to save into it"),
            std::string::npos)
      << again.err;
  EXPECT_EQ(again.err.find("Scanning"), std::string::npos) << "refused only after the scan";
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);
  EXPECT_EQ(salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--out", "@out", "--force"}).status.code, 0);
  EXPECT_NE(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);
}

// A destination that fills up: the file cut short keeps a name that says so, only complete files are counted, and
// one message names the file and how many are missing. Saved files are documents, not programs.
TEST(EndToEndTest, AFullDestinationKeepsThePartialFileCountsOnlyCompleteFilesAndSaysSoOnce) {
  TempDir dir;
  Card card(dir);
  // 64 blocks of 512 or 1024 bytes (dash or bash): room for the small bitmap, not for the large one.
  const RunResult run = runProgram({"/bin/sh", "-c",
                                    "trap '' XFSZ; ulimit -f 64; exec '" SALVONIX_BINARY "' scan \"$0\" --types bmp "
                                    "--out \"$1\"",
                                    card.image.path(), dir.file("out")},
                                   dir.path().string());
  EXPECT_EQ(run.status.code, 3) << run.err;
  const std::string large = dir.file("out/ROOT/BMP Files/file2.bmp");
  EXPECT_NE(run.err.find("salvonix: Some files were not saved: " + large +
                         ": File too large (the part written is kept as " + large +
                         ".partial); 1 of 2 files were not saved."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(occurrences(run.err, "not saved"), 2u) << run.err;  // in that one message
  EXPECT_NE(run.err.find("Saved 1 of 2 files"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(large));
  EXPECT_TRUE(fs::exists(large + ".partial"));
  const std::string small = dir.file("out/ROOT/BMP Files/file1.bmp");
  EXPECT_EQ(readFile(small), card.small);
  const auto execute = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  EXPECT_EQ(fs::status(small).permissions() & execute, fs::perms::none);
  EXPECT_NE(readText(dir.file("out/report.txt")).find("partial  ROOT/BMP Files/file2.bmp"), std::string::npos);
}

// Standard output carries the listing alone; standard error says what happened, in words that count right; --quiet
// leaves it empty when all goes well.
TEST(EndToEndTest, StandardOutputCarriesResultsAndStandardErrorSaysWhatHappenedOnce) {
  TempDir dir;
  Card card(dir);
  const RunResult run = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--last-sector", "200", "--out", "@out"});
  ASSERT_EQ(run.status.code, 0) << run.err;
  EXPECT_TRUE(run.out.ends_with("Total: 1 file in 1 type folder, 2.93 KB\n")) << run.out;
  EXPECT_EQ(run.out.find("number of the sectors"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("1 file found"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Saved 1 file,"), std::string::npos) << run.err;
  EXPECT_LE(occurrences(run.err, "the machine may sleep during the scan"), 1u) << run.err;
  EXPECT_EQ(run.err.find("cannot keep the machine awake"), std::string::npos) << run.err;

  const RunResult quiet = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--quiet", "--verbose"});
  ASSERT_EQ(quiet.status.code, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "number of the sectors is 4095\n");
}

TEST(EndToEndTest, VersionTypesAnyCaseAndJsonOnStandardOutput) {
  TempDir dir;
  Card card(dir);
  const RunResult version = salvonix(dir, {"--version"});
  EXPECT_EQ(version.status.code, 0);
  EXPECT_TRUE(version.out.starts_with("salvonix ")) << version.out;

  const RunResult types = salvonix(dir, {"types"});
  EXPECT_EQ(types.status.code, 0);
  for (const FileTypeRow& row : fileTypeTable()) {
    const std::string line = fmt::format("\n{:<6} {:<18} {:<10} ", row.key, row.folderName, row.extension);
    EXPECT_EQ(types.out.find(line) != std::string::npos, row.create != nullptr) << line;
  }
  EXPECT_NE(types.out.find("jpg    JPG Files          .jpg       image\n"), std::string::npos) << types.out;

  const RunResult json = salvonix(dir, {"scan", "@card.img", "--types", "BMP", "--json", "-"});
  ASSERT_EQ(json.status.code, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out).at("files").size(), 2u);
  EXPECT_FALSE(fs::exists(dir.file("-")));
}

// A region is scanned with its files still numbered from the device start; the size filters choose what is listed
// and saved, while the scan information file keeps every file; report.txt tells where each saved file came from.
TEST(EndToEndTest, RegionAndSizeFiltersWithAReportOfWhereEachFileCameFrom) {
  TempDir dir;
  Card card(dir);
  const RunResult region =
      salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--first-sector", "81", "--last-sector", "320", "--json",
                     "@region.json"});
  ASSERT_EQ(region.status.code, 0) << region.err;
  const auto files = nlohmann::json::parse(readText(dir.file("region.json"))).at("files");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].at("startSector"), 320);

  const RunResult filtered = salvonix(dir, {"scan", "@card.img", "--types", "bmp", "--min-size", "10k", "--out",
                                            "@out", "--save-info", "@all"});
  ASSERT_EQ(filtered.status.code, 0) << filtered.err;
  EXPECT_EQ(filtered.out.find("file1.bmp"), std::string::npos) << filtered.out;
  EXPECT_FALSE(fs::exists(dir.file("out/ROOT/BMP Files/file1.bmp")));
  EXPECT_EQ(readFile(dir.file("out/ROOT/BMP Files/file2.bmp")), card.large);
  EXPECT_EQ(readText(dir.file("out/report.txt")),
            fmt::format("Files saved by salvonix from {} (512-byte sectors) below {}\n", dir.file("card.img"),
                        dir.file("out")) +
                "TYPE       START SECTOR      BYTE OFFSET           SIZE  STATUS   FILE\n"
                "bmp                 320           163840          70000  saved    ROOT/BMP Files/file2.bmp\n");
  const RunResult opened = salvonix(dir, {"open", "@all.qsn"});
  EXPECT_NE(opened.out.find("Total: 2 files"), std::string::npos) << opened.out;
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
    ChildProcess scan(
        {SALVONIX_BINARY, "scan", image.path(), "--types", "bmp", "--out", out, "--json", json, "--verbose"},
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
    const auto lastSector = err.find("number of the sectors is ");
    ASSERT_NE(lastSector, std::string::npos) << err;
    EXPECT_LT(std::stoull(err.substr(lastSector + 25)), kLargeImageSize / 512) << "the scan was not stopped";
  }
}

}  // namespace
}  // namespace salvonix::test
