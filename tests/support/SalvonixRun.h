#pragma once
// The salvonix binary run by tests, and a small card image to run it on.

#include <array>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {

// Runs the binary in dir; arguments starting with "@" name files in dir.
inline RunResult salvonix(const TempDir& dir, std::vector<std::string> arguments) {
  for (auto& argument : arguments)
    if (argument.starts_with("@")) argument = dir.file(argument.substr(1));
  arguments.insert(arguments.begin(), SALVONIX_BINARY);
  return runProgram(arguments, dir.path().string());
}

// A card image with two bitmaps (at sectors 80 and 320) between zeros.
struct Card {
  explicit Card(const TempDir& dir, const std::string& name = "card.img") : image(dir.file(name), 2 << 20) {
    image.put(0, randomBytes(4096, 3));
    image.put(40960, small);
    image.put(163840, large);
  }
  TestImage image;
  Bytes small = bmpFile(3000, 1);
  Bytes large = bmpFile(70000, 2);
};

// 8 MiB of random sectors whose first byte is 'Z' (no signature, not even an MPEG frame sync, begins there by chance)
// with files from real encoders laid at 4,096-byte boundaries, 9,000 bytes or more apart: a JPEG, a bitmap, a sound
// and a small JPEG, the first `count` of them, named as the scan names them. No files if an encoder fails.
struct EncodedCard {
  struct File {
    std::string key, folder, name;
    Bytes bytes;
    uint64_t offset;
  };
  EncodedCard(const TempDir& dir, std::size_t count, uint32_t seed) : content(randomBytes(8 << 20, seed)) {
    for (uint64_t at = 0; at < content.size(); at += 512) content[at] = 'Z';
    uint64_t offset = 3 * 4096;
    for (auto [key, folder, name, command] : std::vector<std::array<std::string, 4>>{
             {"jpg", "JPG Files", "file1.jpg", "convert -seed 7 -size 500x400 plasma: -quality 90 OUT"},
             {"bmp", "BMP Files", "file1.bmp", "convert -size 120x90 gradient:red-blue BMP3:OUT"},
             {"wav", "WAV Files", "file1.wav", "sox -R -n -r 8000 -c 1 -b 16 OUT synth 1.5 sine 440 gain -3"},
             {"jpg", "JPG Files", "file2.jpg", "convert -size 64x48 gradient:white-black -quality 80 OUT"}}) {
      if (files.size() == count) break;
      if (!commandSucceeds(command.replace(command.find("OUT"), 3, "'" + dir.file(name) + "'"))) return;
      files.push_back({key, folder, name, readFile(dir.file(name)), offset});
      std::copy(files.back().bytes.begin(), files.back().bytes.end(), content.begin() + static_cast<long>(offset));
      offset = (offset + files.back().bytes.size() + 512 + 9000 + 4095) / 4096 * 4096;
    }
  }
  std::vector<File> files;
  Bytes content;
};

}  // namespace salvonix::test
