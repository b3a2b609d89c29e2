// Recall on real files, against PhotoRec (package testdisk) as a peer.
//
//   recall [WORK_DIR]
//
// Makes real files of many types with ImageMagick, exiftool, sox, lame,
// ffmpeg and abc2midi, in today's forms too (Exif and IPTC JPEGs, PNG with
// iDOT, eXIf and animation chunks, MP4 with a 64-bit mdat and fragmented, a
// MIDI ring tone), lays them on an image in random order (some back to back,
// some at odd cluster sizes, random data between the others), scans it with
// every type selected and runs PhotoRec on it. Prints, per type, the files
// each recovered whole: a found file that starts with exactly the original's
// bytes.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchTools.h"

using namespace salvonix;
using bench::readWhole, bench::runOrExit;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

struct Original {
  std::string type;  // the row heading: the extension
  Bytes bytes;
  uint64_t offset = 0;
};

// Each made by a command that writes OUT; {} marks OUT, {s} a per-file seed.
std::vector<Original> makeFiles(const fs::path& dir) {
  const std::string ff = "ffmpeg -nostdin -y -f lavfi -i testsrc=size=320x240:rate=10 -f lavfi -i sine=frequency=";
  const std::string exif = "exiftool -q -overwrite_original ";
  const std::vector<std::pair<std::string, std::string>> recipes = {
      {"jpg", "convert -seed {s} -size 800x600 plasma: -quality 88 {}"},
      {"jpg", "convert -seed {s} -size 640x480 plasma: -strip {} && " + exif + "-EXIF:Make=Salvonix -EXIF:Model=Cam {}"},
      {"jpg", "convert -seed {s} -size 400x300 plasma: -strip {} && " + exif + "-JFIF:all= {} && " + exif +
                  "-IPTC:Keywords=recall {}"},
      {"png", "convert -seed {s} -size 320x240 plasma:fractal {}"},
      {"png", "convert -seed {s} -size 300x200 plasma: {} && " + exif + "-EXIF:Artist=Salvonix {}"},
      {"png", "ffmpeg -nostdin -y -f lavfi -i testsrc=size=96x64:rate=5 -t 1 -plays 0 -f apng {}"},
      {"gif", "convert -size 200x150 gradient:red-blue -colors 64 {}"},
      {"bmp", "convert -seed {s} -size 300x200 plasma: BMP3:{}"},
      {"tif", "convert -seed {s} -size 320x240 plasma: {}"},
      {"wav", "sox -n -r 22050 -c 1 -b 16 {} synth 2 sine 3{s}0"},
      {"aif", "sox -n -r 22050 -c 1 -b 16 {} synth 1 sine 4{s}0"},
      {"mp3", "sox -n -r 44100 -c 2 {}.wav synth 4 sine 5{s}0 && lame --quiet {}.wav {}"},
      {"mp3", "sox -n -r 44100 -c 2 {}.wav synth 3 sine 6{s}0 && lame --quiet --add-id3v2 --tt T{s} {}.wav {}"},
      {"mp4", ff + "440 -t 2 -c:v mpeg4 -c:a aac {}"},
      {"mp4", ff + "550 -t 2 -c:v mpeg4 -c:a aac -movflags frag_keyframe+empty_moov {}"},
      {"mov", ff + "660 -t 2 -c:v mpeg4 -c:a aac {}"},
      {"m4a", "ffmpeg -nostdin -y -f lavfi -i sine=frequency=7{s}0 -t 3 -c:a aac {}"},
      {"3gp", ff + "330 -t 2 -c:v h263 -c:a aac -ac 1 -ar 8000 -s 176x144 {}"},
      {"mpg", ff + "220 -t 2 -c:v mpeg1video -r 25 -c:a mp2 -f mpeg {}"},
      {"avi", "ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=10 -t 1 -c:v mjpeg {}"},
      {"mid", "printf 'X:1\\nT:R{s}\\nM:4/4\\nL:1/8\\nK:C\\nCDEF GABc|cBAG FEDC|C8|]\\n' > {}.abc && abc2midi {}.abc -o {}"},
  };
  std::vector<Original> files;
  for (int copy = 0; copy < 3; ++copy) {
    for (std::size_t r = 0; r < recipes.size(); ++r) {
      const auto& [type, recipe] = recipes[r];
      const fs::path out = dir / ("f" + std::to_string(copy) + "-" + std::to_string(r) + "." + type);
      std::string command = recipe;
      for (std::size_t at; (at = command.find("{s}")) != std::string::npos;) command.replace(at, 3, std::to_string(copy + 1));
      for (std::size_t at; (at = command.find("{}")) != std::string::npos;) command.replace(at, 2, "'" + out.string() + "'");
      runOrExit(command);
      files.push_back({type, readWhole(out)});
    }
  }
  return files;
}

// Random order; a third back to back, a third at an odd number of sectors,
// the rest after up to 256 KiB of random data.
uint64_t layOut(std::vector<Original>& files, const fs::path& image) {
  std::mt19937_64 random(2024);
  std::shuffle(files.begin(), files.end(), random);
  std::ofstream out(image, std::ios::binary | std::ios::trunc);
  uint64_t offset = 0;
  const auto write = [&](const Bytes& bytes) {
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    offset += bytes.size();
  };
  const auto noise = [&](uint64_t count) {
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    write(bytes);
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    files[i].offset = offset;
    write(files[i].bytes);
    noise((512 - offset % 512) % 512);  // to the next sector
    if (i % 3 == 1) noise(512 * (2 * (random() % 8) + 1));
    if (i % 3 == 2) noise(512 * (random() % 512));
  }
  noise(1 << 20);
  return offset;
}

bool startsWith(const Bytes& found, const Bytes& original) {
  return found.size() >= original.size() && std::equal(original.begin(), original.end(), found.begin());
}

std::map<std::string, int> salvonixWhole(const fs::path& image, uint64_t bytes, const std::vector<Original>& files) {
  ScanContext context;
  bench::AlertPrinter observer;
  Scanning scanning(context, observer);
  bench::scanEveryType(scanning, context, image.string(), bytes);
  // Saving reads a found file from its start sector: one found at the
  // original's sector with at least its length starts with its bytes.
  const auto foundWhole = [&](const Original& file) {
    for (const auto& folder : scanning.dirRoot()->children)
      for (const auto& found : folder->children)
        if (found->sectorNumber * 512 == file.offset && found->fileSize >= file.bytes.size()) return true;
    return false;
  };
  std::map<std::string, int> whole;
  for (const Original& file : files)
    if (foundWhole(file)) ++whole[file.type];
  return whole;
}

std::map<std::string, int> photorecWhole(const fs::path& image, const fs::path& out, const std::vector<Original>& files) {
  fs::remove_all(out);
  runOrExit("photorec /d '" + out.string() + "' /cmd '" + image.string() + "' partition_none,options,search");
  std::vector<Bytes> found;
  for (const auto& entry : fs::recursive_directory_iterator(out.parent_path()))
    if (entry.is_regular_file() && entry.path().string().rfind(out.string(), 0) == 0 &&
        entry.path().filename() != "report.xml")
      found.push_back(readWhole(entry.path()));
  std::map<std::string, int> whole;
  for (const Original& file : files)
    if (std::any_of(found.begin(), found.end(), [&](const Bytes& f) { return startsWith(f, file.bytes); }))
      ++whole[file.type];
  return whole;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "salvonix-recall";
  fs::remove_all(dir);
  fs::create_directories(dir / "made");
  std::vector<Original> files = makeFiles(dir / "made");
  const fs::path image = dir / "recall.img";
  const uint64_t bytes = layOut(files, image);

  const auto ours = salvonixWhole(image, bytes, files);
  const auto peer = photorecWhole(image, dir / "photorec", files);
  std::map<std::string, int> count;
  for (const Original& file : files) ++count[file.type];

  std::printf("%-6s %6s %10s %10s\n", "type", "files", "Salvonix", "PhotoRec");
  int total = 0, oursTotal = 0, peerTotal = 0;
  for (const auto& [type, n] : count) {
    const int a = ours.count(type) ? ours.at(type) : 0, b = peer.count(type) ? peer.at(type) : 0;
    std::printf("%-6s %6d %10d %10d%s\n", type.c_str(), n, a, b, a < b ? "  < PhotoRec" : "");
    total += n, oursTotal += a, peerTotal += b;
  }
  std::printf("%-6s %6d %10d %10d\n", "all", total, oursTotal, peerTotal);
  std::printf("(image of %.1f MiB: %s)\n", static_cast<double>(bytes) / (1 << 20), image.c_str());
  return 0;
}
