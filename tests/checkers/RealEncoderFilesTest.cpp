// Files made by real encoders (ImageMagick, lame, sox, ffmpeg), laid on an
// image at known sectors with random data between them, then found by a scan
// with every built type: each at its start sector, with the size that covers
// the whole file plus its type's slack.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "support/TestImage.h"

namespace salvonix {
namespace {

using test::Bytes;

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

struct MadeFile {
  std::string name;
  FileType type;
  Bytes bytes;
  uint64_t low, high;  // the sizes the scan may give it when random bytes follow
  uint64_t gapAfter;   // random bytes to put after it
};

class RealEncoderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string tool : {"convert", "lame", "sox", "ffmpeg"})
      if (!run("command -v " + tool)) GTEST_SKIP() << tool << " is not installed";
    const std::string d = dir.path().string() + "/";
    const std::string ff = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
    const std::string video = "-f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i sine=frequency=440 -t 2 ";
    const std::string phone = "-f lavfi -i testsrc=size=176x144:rate=10 -f lavfi -i sine=sample_rate=8000 -t 2 "
                              "-c:v h263 -c:a aac -ac 1 -ar 8000 ";
    ASSERT_TRUE(run("sox -n -r 44100 -c 1 " + d + "tone.wav synth 3 sine 440"));

    // Walks that end exactly: the whole file + 512 (AIFF: without its 12-byte form header).
    add("photo.png", FileType::Png, "convert -seed 7 -size 320x240 plasma:fractal " + d + "photo.png", 512, 512);
    add("logo.gif", FileType::Gif, "convert -size 160x120 gradient:red-blue -colors 32 " + d + "logo.gif", 512, 512);
    add("voice.aiff", FileType::Aif, "sox -n -r 22050 -c 1 -b 16 " + d + "voice.aiff synth 1.5 sine 330", 500, 500);
    add("clip.mp4", FileType::Mp4, ff + video + "-c:v mpeg4 -c:a aac " + d + "clip.mp4", 512, 512);
    add("clip.mov", FileType::Mov, ff + video + "-c:v mpeg4 -c:a aac " + d + "clip.mov", 512, 512);
    add("song.m4a", FileType::M4a, ff + "-f lavfi -i sine=frequency=523 -t 2 -c:a aac " + d + "song.m4a", 512, 512);
    add("phone.3gp", FileType::ThreeGP, ff + phone + d + "phone.3gp", 512, 512);
    add("phone.3g2", FileType::ThreeGTwo, ff + phone + d + "phone.3g2", 512, 512);
    // Walks that end in the random data after the file, within the gap left there.
    const std::string tone = d + "tone.wav " + d;
    add("plain.mp3", FileType::Mp3, "lame --quiet " + tone + "plain.mp3", 0, kMp3Gap, kMp3Gap);
    add("tagged.mp3", FileType::Mp3, "lame --quiet --add-id3v2 --tt Salvonix " + tone + "tagged.mp3", 0, kMp3Gap,
        kMp3Gap);
    // The resync steps over at most 101 bytes after the last pack.
    add("movie.mpg", FileType::Mpg,
        ff + "-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine -t 2 -c:v mpeg1video -c:a mp2 -f mpeg " + d +
            "movie.mpg",
        0, 101, 20000);
  }

  void add(const std::string& name, FileType type, const std::string& command, uint64_t lowExtra, uint64_t highExtra,
           uint64_t gapAfter = 0) {
    ASSERT_TRUE(run(command)) << "could not make " << name << " with: " << command;
    Bytes bytes = test::readFile(dir.file(name));
    const uint64_t length = bytes.size();
    files.push_back({name, type, std::move(bytes), length + lowExtra, length + highExtra, gapAfter});
  }

  void scanAt(uint64_t firstSector) {
    std::vector<uint64_t> starts;
    uint64_t sector = firstSector;
    uint32_t seed = static_cast<uint32_t>(firstSector);
    for (const MadeFile& file : files) {
      starts.push_back(sector);
      const uint64_t gap = std::max<uint64_t>(file.gapAfter, 3000 + (seed++ * 7919u) % 20000);
      sector = (sector * 512 + file.bytes.size() + gap + 511) / 512;
    }
    test::TestImage image(dir.file("card.img"), sector * 512 + (1u << 20));
    image.put(0, test::randomBytes(sector * 512 + (1u << 20), seed));
    for (std::size_t i = 0; i < files.size(); ++i) image.putAtSector(starts[i], files[i].bytes);

    test::ScanRun scan(image.path(), {});
    for (const FileTypeRow& row : fileTypeTable()) scan.observer.selected[rowIndex(row.type)] = row.create != nullptr;
    scan.run();
    // Each file found once at its start sector (the count rules out any other find).
    const std::vector<test::FoundFile> found = scan.found();
    EXPECT_EQ(found.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      const MadeFile& file = files[i];
      const auto f = std::find_if(found.begin(), found.end(), [&](const auto& x) { return x.sector == starts[i]; });
      ASSERT_NE(f, found.end()) << file.name << " at sector " << starts[i];
      EXPECT_EQ(f->folder, fileTypeRow(file.type).folderName) << file.name;
      EXPECT_GE(f->size, file.low) << file.name << " of " << file.bytes.size() << " bytes";
      EXPECT_LE(f->size, file.high) << file.name << " of " << file.bytes.size() << " bytes";
    }
  }

  static constexpr uint64_t kMp3Gap = 400000;
  test::TempDir dir;
  std::vector<MadeFile> files;
};

TEST_F(RealEncoderFiles, FoundAtTheirSectorsWithTheirWholeLength) {
  scanAt(100);
  scanAt(100 + 77);  // moved by a number of sectors that is no multiple of 64 KiB
}

}  // namespace
}  // namespace salvonix
