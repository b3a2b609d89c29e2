#pragma once
// The salvonix binary run by tests, and a small card image to run it on.

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

}  // namespace salvonix::test
