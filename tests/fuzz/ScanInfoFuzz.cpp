// The scan information reader on a file holding the input. The file lives in
// memory (memfd), rewritten for every run, and is reached through a link
// whose name carries the extension the reader asks for.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "output/ScanInfoReader.h"

namespace {

struct InputFile {
  InputFile() {
    const std::filesystem::path target = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(fd);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
  }
  ~InputFile() { std::filesystem::remove(link); }
  const int fd = memfd_create("scan-info", MFD_CLOEXEC);
  const std::filesystem::path link =
      std::filesystem::temp_directory_path() / ("salvonix-fuzz-" + std::to_string(getpid()) + ".qsn");
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const InputFile file;
  if (file.fd < 0 || ftruncate(file.fd, 0) != 0 || pwrite(file.fd, data, size, 0) != static_cast<ssize_t>(size))
    std::abort();
  salvonix::openScanInfo(file.link.string());
  return 0;
}
