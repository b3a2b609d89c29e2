// The salvonix binary end to end: real encoders' files found and saved, bad input and
// exit codes, what goes to which stream, no lost recovery, Ctrl-C; drives, scan
// --save-info and open.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "drives/SysfsBlockDeviceTree.h"
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

// Each file is found with its checker's size and saved with the image's bytes from its offset on.
TEST(EndToEndTest, RecoversRealFilesLaidBetweenRandomData) {
  if (!commandSucceeds("command -v convert") || !commandSucceeds("command -v sox"))
    GTEST_SKIP() << "ImageMagick (convert) or sox is not installed";
  TempDir dir;
  const EncodedCard card(dir, 4, 2024);
  ASSERT_EQ(card.files.size(), 4u) << "an encoder failed";
  const std::string image = dir.file("card.img");
  TestImage(image, card.content.size()).put(0, card.content);

  for (const uint64_t sectorSize : {512, 4096}) {  // 512 is the default for an image file
    SCOPED_TRACE(sectorSize);
    const std::string out = dir.file("recovered" + std::to_string(sectorSize)), json = dir.file("result.json");
    std::vector<std::string> argv = {SALVONIX_BINARY, "scan", image, "--out", out, "--json", json};
    if (sectorSize != 512) argv.insert(argv.end(), {"--sector-size", std::to_string(sectorSize)});
    const RunResult run = runProgram(argv, dir.path());
    ASSERT_EQ(run.status.code, 0) << run.err;
    const nlohmann::json result = nlohmann::json::parse(readText(json));
    EXPECT_EQ(std::tuple(result.at("source"), result.at("sourceSize"), result.at("sectorSize"), result.at("stopped")),
              std::tuple(image, 8 << 20, sectorSize, false));
    EXPECT_EQ(result.at("files").size(), card.files.size()) << "found something in the filler";
    EXPECT_NE(run.out.find("JPG Files"), std::string::npos) << run.out;
    for (const auto& sample : card.files) {
      SCOPED_TRACE(sample.name);
      const Bytes& b = sample.bytes;
      ASSERT_TRUE(sample.key != "jpg" || (b[b.size() - 2] == 0xFF && b.back() == 0xD9)) << "no end-of-image marker";
      const auto le32 = [&b](std::size_t at) {
        return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
      };
      // A JPEG ends 512 bytes past its end-of-image marker; BMP and WAV by their file-size fields.
      const uint64_t size = sample.key == "jpg" ? b.size() + 512 : sample.key == "bmp" ? le32(2) : le32(4) + 8ull;
      EXPECT_NE(run.out.find(sample.name), std::string::npos) << run.out;
      const auto& files = result.at("files");
      const auto entry = std::find_if(files.begin(), files.end(), [&](const nlohmann::json& file) {
        return file.at("startSector") == sample.offset / sectorSize;
      });
      ASSERT_NE(entry, files.end()) << "not found at sector " << sample.offset / sectorSize;
      EXPECT_EQ(std::tuple(entry->at("type"), entry->at("folder"), entry->at("name"), entry->at("byteOffset"),
                           entry->at("size"), entry->at("leadingOffset")),
                std::tuple(sample.key, sample.folder, sample.name, sample.offset, size, 0));
      const Bytes recovered = readFile(out + "/ROOT/" + sample.folder + "/" + sample.name);
      ASSERT_EQ(recovered.size(), size);
      // The image holds the original bytes at the offset, and then those that followed them.
      const auto there = card.content.begin() + static_cast<long>(sample.offset);
      EXPECT_TRUE(std::equal(recovered.begin(), recovered.end(), there)) << "bytes differ";
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

// Here the result file cannot be written because the disk is full.
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

// A destination that fills up: the file cut short keeps a name that says so, the files after it are not tried, only
// complete files are counted, and one message names the file and how many are missing. Saved files are documents.
TEST(EndToEndTest, AFullDestinationKeepsThePartialFileStopsCountsOnlyCompleteFilesAndSaysSoOnce) {
  TempDir dir;
  Card card(dir);
  card.image.putAtSector(600, bmpFile(2000, 4));
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
                         ".partial); 2 of 3 files were not saved."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(occurrences(run.err, "not saved"), 2u) << run.err;  // in that one message
  EXPECT_NE(run.err.find("Saved 1 of 3 files"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(large));
  const Bytes part = readFile(large + ".partial");  // all that was written, 64 blocks
  EXPECT_TRUE(part.size() >= 32768 && std::equal(part.begin(), part.end(), card.large.begin())) << part.size();
  EXPECT_FALSE(fs::exists(dir.file("out/ROOT/BMP Files/file3.bmp")));
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

  // The version, the types table, a type named in any case, and JSON on standard output.
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

// The first Ctrl-C stops the scan as "Yes, stop" does; a second, while there is much to list and save, quits at once.
TEST(EndToEndTest, CtrlCStopsTheScanKeepingWhatWasFoundAndASecondQuitsAtOnce) {
  TempDir dir;
  const Bytes bitmap = bmpFile(512, 6);
  Bytes head;  // ten thousand small bitmaps
  for (int i = 0; i < 10000; ++i) head.insert(head.end(), bitmap.begin(), bitmap.end());
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
  TestImage(dir.file("wrong.img"), other.size()).put(0, other);
  const RunResult wrong = salvonix(dir, {"open", "@card.qsn", "--out", "@wrong", "--all", "--source", "@wrong.img"});
  EXPECT_EQ(wrong.status.code, 2);
  EXPECT_NE(wrong.err.find("salvonix: the first sectors of " + dir.file("wrong.img") +
                           " differ from those of the scanned drive; add --force to save from it all the same"),
            std::string::npos)
      << wrong.err;
  EXPECT_FALSE(fs::exists(dir.file("wrong")));
  const RunResult forced =
      salvonix(dir, {"open", "@card.qsn", "--out", "@wrong", "--all", "--source", "@wrong.img", "--force"});
  EXPECT_EQ(forced.status.code, 0) << forced.err;
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
  }

  // Refusals, the file's with its message as it stands.
  fs::copy_file(dir.file("card.qsn"), dir.file("card.txt"));
  using Arguments = std::vector<std::string>;
  for (const auto& [arguments, code, message] :
       {std::tuple{Arguments{"open", "@card.qsn", "--out", "@none", "--all"}, 1, "--source"},
        {Arguments{"open", "@card.qsn", "--out", "@none", "--source", "@moved.img"}, 1, "--all"},
        {Arguments{"open", "@card.txt"}, 2,
         "Wrong file selected. Please select an appropriate scan info file and continue."}}) {
    const RunResult refused = salvonix(dir, arguments);
    EXPECT_EQ(refused.status.code, code);
    EXPECT_NE(refused.err.find(message), std::string::npos) << refused.err;
  }
}

// A loop device with 4,096-byte sectors, listed with its sector size.
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
