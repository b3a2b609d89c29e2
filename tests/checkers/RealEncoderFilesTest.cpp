// Files made by real encoders, laid between random data and found by a scan with every
// built type: each at its start sector, sized to cover the whole file plus its type's slack.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "checkers/ByteBuilder.h"
#include "support/ChildProcess.h"

namespace salvonix {
namespace {

using test::Bytes;
using test::commandSucceeds;

uint32_t be32At(const Bytes& b, std::size_t at) {
  return at + 4 <= b.size() ? uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3] : 0;
}
bool typeAt(const Bytes& file, std::size_t at, const char* type) {
  return at + 8 <= file.size() && std::memcmp(file.data() + at + 4, type, 4) == 0;
}

// Rewrites ffmpeg's "free" + "mdat" headers as one 64-bit-size mdat whose payload is extraPayload bytes
// longer, a hole to be laid at the returned offset where the payload ends.
std::size_t largeMdat(Bytes& mp4, uint64_t extraPayload) {
  const std::size_t free = be32At(mp4, 0);  // after ftyp
  EXPECT_TRUE(typeAt(mp4, free, "free") && typeAt(mp4, free + 8, "mdat")) << "ffmpeg wrote another layout";
  const std::size_t mdatEnd = free + 8 + be32At(mp4, free + 8);
  const Bytes header = test::ByteBuilder().be32(1).text("mdat").be64(mdatEnd - free + extraPayload).bytes;
  std::copy(header.begin(), header.end(), mp4.begin() + static_cast<long>(free));
  return mdatEnd;
}

Bytes withLargeMdat(Bytes mp4) {
  largeMdat(mp4, 0);
  return mp4;
}

// Screenshots of one widespread desktop system carry an iDOT chunk after IHDR.
Bytes withIdot(Bytes png) {
  test::ByteBuilder idot;
  idot.be32(28).text("iDOT").fill(28, 0x01);
  idot.be32(static_cast<uint32_t>(crc32(0, idot.bytes.data() + 4, 4 + 28)));
  png.insert(png.begin() + 33, idot.bytes.begin(), idot.bytes.end());
  return png;
}

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
    for (const std::string tool : {"convert", "lame", "sox", "ffmpeg", "exiftool", "abc2midi"})
      if (!commandSucceeds("command -v " + tool)) GTEST_SKIP() << tool << " is not installed";
    const std::string d = dir.path().string() + "/";
    const std::string ff = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
    const std::string video = "-f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i sine=frequency=440 -t 2 ";
    const std::string phone = "-f lavfi -i testsrc=size=176x144:rate=10 -f lavfi -i sine=sample_rate=8000 -t 2 "
                              "-c:v h263 -c:a aac -ac 1 -ar 8000 ";
    ASSERT_TRUE(commandSucceeds("sox -n -r 44100 -c 1 " + d + "tone.wav synth 3 sine 440"));

    // Walks that end exactly: the whole file + 512 (AIFF: without its 12-byte form header).
    add("photo.png", FileType::Png, "convert -seed 7 -size 320x240 plasma:fractal " + d + "photo.png", 512, 512);
    add("little.tiff", FileType::Tiff, "convert -size 64x64 xc:red -define tiff:endian=lsb " + d + "little.tiff", 512,
        512);
    add("big.tiff", FileType::Tiff, "convert -size 64x64 xc:red -define tiff:endian=msb " + d + "big.tiff", 512, 512);
    add("logo.gif", FileType::Gif, "convert -size 160x120 gradient:red-blue -colors 32 " + d + "logo.gif", 512, 512);
    add("voice.aiff", FileType::Aif, "sox -n -r 22050 -c 1 -b 16 " + d + "voice.aiff synth 1.5 sine 330", 500, 500);
    add("clip.mp4", FileType::Mp4, ff + video + "-c:v mpeg4 -c:a aac " + d + "clip.mp4", 512, 512);
    add("clip.mov", FileType::Mov, ff + video + "-c:v mpeg4 -c:a aac " + d + "clip.mov", 512, 512);
    add("song.m4a", FileType::M4a, ff + "-f lavfi -i sine=frequency=523 -t 2 -c:a aac " + d + "song.m4a", 512, 512);
    add("phone.3gp", FileType::ThreeGP, ff + phone + d + "phone.3gp", 512, 512);
    add("phone.3g2", FileType::ThreeGTwo, ff + phone + d + "phone.3g2", 512, 512);
    // Today's writers: 64-bit atom sizes, fragments, more brands, PNG chunks
    // outside the standard list, JPEG files that open with another APPn
    // segment, and a ring tone shorter than 4 KiB (measured exactly).
    const std::string mpeg4 = "-c:v mpeg4 -c:a aac ";
    add("large-atom.mp4", FileType::Mp4, ff + video + mpeg4 + d + "large-atom.mp4", 512, 512, 0, withLargeMdat);
    add("fragmented.mp4", FileType::Mp4,
        ff + video + mpeg4 + "-movflags frag_keyframe+empty_moov " + d + "fragmented.mp4", 512, 512);
    add("mp42.mp4", FileType::Mp4, ff + video + mpeg4 + "-brand mp42 " + d + "mp42.mp4", 512, 512);
    add("movie.m4v", FileType::M4v, ff + video + mpeg4 + "-brand 'M4V ' -f mp4 " + d + "movie.m4v", 512, 512);
    const std::string png = "convert -seed 8 -size 200x150 plasma:fractal " + d;
    add("screenshot.png", FileType::Png, png + "screenshot.png", 512, 512, 0, withIdot);
    const std::string exiftool = "exiftool -q -overwrite_original ";
    add("exif.png", FileType::Png, png + "exif.png && " + exiftool + "-EXIF:Artist=Salvonix " + d + "exif.png", 512,
        512);
    add("animated.png", FileType::Png, ff + "-f lavfi -i testsrc=size=96x64:rate=5 -t 1 -plays 0 -f apng " + d +
        "animated.png", 512, 512);
    const auto jpegWith = [&](const std::string& name, const std::string& tag) {
      const std::string file = d + name;
      return "convert -seed 9 -size 320x240 plasma: -strip " + file + " && " + exiftool + "-JFIF:all= " + file +
             " && " + exiftool + tag + " " + file;
    };
    add("iptc.jpg", FileType::Jpg, jpegWith("iptc.jpg", "-IPTC:Keywords=Salvonix"), 512, 512);  // APP13 first
    add("ducky.jpg", FileType::Jpg, jpegWith("ducky.jpg", "-Ducky:Quality=80"), 512, 512);       // APP12 first
    add("ring.mid", FileType::Mid,
        "printf 'X:1\\nT:Ring\\nM:4/4\\nL:1/8\\nK:C\\nCDEF GABc|cBAG FEDC|C8|]\\n' > " + d +
            "ring.abc && abc2midi " + d + "ring.abc -o " + d + "ring.mid",
        0, 0);
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
           uint64_t gapAfter = 0, Bytes (*edit)(Bytes) = nullptr) {
    ASSERT_TRUE(commandSucceeds(command)) << "could not make " << name << " with: " << command;
    Bytes bytes = test::readFile(dir.file(name));
    if (edit) bytes = edit(std::move(bytes));
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

// A real MP4 grown past 4 GiB through its 64-bit mdat size, its moov after
// the hole: measured whole (no 2 GiB cap on a file that says it is large).
TEST(RealEncoderFileAboveFourGiB, MeasuredWholeThroughItsLargeMdat) {
  if (!commandSucceeds("command -v ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempDir dir;
  ASSERT_TRUE(commandSucceeds("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=10 -t 1 -c:v mpeg4 " +
                              dir.file("a.mp4")));
  Bytes mp4 = test::readFile(dir.file("a.mp4"));
  constexpr uint64_t kHole = (uint64_t{9} << 29) + 123;  // 4.5 GiB
  const std::size_t mdatEnd = largeMdat(mp4, kHole);
  constexpr uint64_t kSector = 7;
  test::TestImage image(dir.file("big.img"), kSector * 512 + mp4.size() + kHole + (1u << 20));
  image.putAtSector(kSector, Bytes(mp4.begin(), mp4.begin() + static_cast<long>(mdatEnd)));
  image.put(kSector * 512 + mdatEnd + kHole, Bytes(mp4.begin() + static_cast<long>(mdatEnd), mp4.end()));
  test::CheckerRun checker(image.path(), FileType::Mp4);
  EXPECT_TRUE(checker.isFile(kSector));
  EXPECT_EQ(checker.size(kSector), mp4.size() + kHole + 512);
}

}  // namespace
}  // namespace salvonix
